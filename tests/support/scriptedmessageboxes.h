#pragma once

#include "app/messagebox.h"

#include <QList>
#include <QString>
#include <gtest/gtest.h>

// Message boxes that answer from a script and record what they were asked. A question
// beyond the script fails the test and is answered No.
class ScriptedMessageBoxes final : public MessageBoxes {
public:
    struct Question {
        QString prompt;
        int buttons;
        QString title;
    };

    void answer(int reply) { m_answers.append(reply); }
    int MsgBox(const QString& prompt, int buttons, const QString& title) override
    {
        asked.append({prompt, buttons, title});
        if (m_answers.isEmpty()) {
            ADD_FAILURE() << "unexpected message box: " << prompt.toStdString();
            return msgbox::No;
        }
        return m_answers.takeFirst();
    }

    QList<Question> asked;

private:
    QList<int> m_answers;
};
