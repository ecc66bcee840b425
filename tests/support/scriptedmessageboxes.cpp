#include "support/scriptedmessageboxes.h"

#include <gtest/gtest.h>

int ScriptedMessageBoxes::MsgBox(const QString& prompt, int buttons, const QString&)
{
    asked.append({prompt, buttons});
    if (m_answers.isEmpty()) {
        ADD_FAILURE() << "unexpected message box: " << prompt.toStdString();
        return msgbox::No;
    }
    return m_answers.takeFirst();
}
