#pragma once

#include <QDateTime>

// The program's one source of the current time, so that tests can put it at
// any instant (a Saturday, one second before the market opens) instead of
// waiting for one.
namespace appclock {

QDateTime now();

// Fixes now() at `instant`; an invalid date-time gives back the real clock.
void setNow(const QDateTime& instant);

} // namespace appclock
