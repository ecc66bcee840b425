#include "monitor/datetimetext.h"

#include <QRegularExpression>

namespace {

bool isPlainC(const QLocale& locale)
{
    return locale.language() == QLocale::C;
}

// Newer locale data puts no-break spaces before "PM" and the like; the log's readers expect the
// plain space.
QString plainSpaces(QString text)
{
    text.replace(QChar(0x202F), QLatin1Char(' '));
    text.replace(QChar(0x00A0), QLatin1Char(' '));
    return text;
}

} // namespace

QString dateText(QDate date, const QLocale& locale)
{
    if (isPlainC(locale))
        return date.toString(QStringLiteral("yyyy-MM-dd"));
    QString format = locale.dateFormat(QLocale::ShortFormat);
    if (!format.contains(QStringLiteral("yyyy"))) {
        static const QRegularExpression shortYear(QStringLiteral("y+"));
        format.replace(shortYear, QStringLiteral("yyyy"));
    }
    return plainSpaces(locale.toString(date, format));
}

QString timeText(QTime time, const QLocale& locale)
{
    if (isPlainC(locale))
        return time.toString(QStringLiteral("HH:mm:ss"));
    QString format = locale.timeFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1Char('s'))) {
        static const QRegularExpression minutes(QStringLiteral("mm?"));
        const QRegularExpressionMatch match = minutes.match(format);
        if (match.hasMatch())
            format.insert(match.capturedEnd(), QStringLiteral(":ss"));
    }
    return plainSpaces(locale.toString(time, format));
}
