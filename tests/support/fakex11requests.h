#pragma once

#include "app/x11requests.h"

#include <QStringList>

// Writes down each request as a line that names its window; the window manager offers the
// atoms in supported.
struct FakeX11Requests final : X11Requests {
    QStringList supported;
    QStringList sent;

    bool wmSupports(const char* atom) override { return supported.contains(QLatin1String(atom)); }
    void sendToWindowManager(std::uint32_t window, const char* type,
                             const std::array<std::uint32_t, 5>& d) override
    {
        sent << QString::asprintf("%u %s %u %u %u %u %u", window, type, d[0], d[1], d[2], d[3],
                                  d[4]);
    }
    void setText(std::uint32_t window, const char* property, const char* type,
                 const QByteArray& text) override
    {
        sent << QString::asprintf("%u %s %s \"%s\"", window, property, type, text.constData());
    }
    void deleteProperty(std::uint32_t window, const char* property) override
    {
        sent << QString::asprintf("%u delete %s", window, property);
    }
};
