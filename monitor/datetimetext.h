#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

// Date and time of day as the user's locale writes them, with a four-digit year and seconds
// (en_US: "12/5/2026" and "3:04:05 PM"; the C locale: "2026-12-05" and "15:04:05").
QString dateText(QDate date, const QLocale& locale = QLocale());
QString timeText(QTime time, const QLocale& locale = QLocale());
