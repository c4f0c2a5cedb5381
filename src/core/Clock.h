#pragma once

#include <QDateTime>

// The program's one source of the current time, so that tests can put it at
// any instant (a Saturday, one second before the market opens) instead of
// waiting for one.
namespace appclock {

QDateTime now();

// Fixes now() at `instant`; an invalid date-time gives back the real clock.
void setNow(const QDateTime& instant);

// YYYY-MM-DD in ASCII digits: the form the services and the update check
// write dates in.
bool isIsoDateText(QStringView text);

// The date of a text of that form; any other form, or a day the calendar
// lacks (2026-02-30), gives an invalid date. Read by hand: a format string
// would page in Qt's general date parser, 128 KiB of code, for the one form
// ever sent.
QDate isoDate(QStringView text);

} // namespace appclock
