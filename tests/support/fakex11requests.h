#pragma once

#include "app/x11requests.h"

#include <QStringList>

// Writes down each request as a line of text that names its window; answers for the window
// manager from a list of supported atoms.
struct FakeX11Requests final : X11Requests {
    QStringList supported;
    QStringList sent;

    bool wmSupports(const char* atom) override { return supported.contains(QLatin1String(atom)); }
    void sendToWindowManager(std::uint32_t window, const char* type,
                             const std::array<std::uint32_t, 5>& data) override
    {
        QStringList words{QString::number(window), QLatin1String(type)};
        for (std::uint32_t value : data)
            words << QString::number(value);
        sent << words.join(QLatin1Char(' '));
    }
    void setText(std::uint32_t window, const char* property, const char* type,
                 const QByteArray& text) override
    {
        sent << QStringLiteral("%1 %2 %3 \"%4\"")
                    .arg(window)
                    .arg(QLatin1String(property), QLatin1String(type), QString::fromUtf8(text));
    }
    void deleteProperty(std::uint32_t window, const char* property) override
    {
        sent << QStringLiteral("%1 delete %2").arg(window).arg(QLatin1String(property));
    }
};
