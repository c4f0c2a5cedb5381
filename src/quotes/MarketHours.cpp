#include "quotes/MarketHours.h"

namespace {
constexpr int BEIJING_OFFSET_SECONDS = 8 * 3600;
constexpr int AFTER_CLOSE_SECONDS = 5 * 60;
constexpr qint64 CLOSED_TICK_SECONDS = 5 * 60;
constexpr int DATES_TELL_SECONDS = (9 * 60 + 30) * 60;

struct Session
{
    int start; // seconds since midnight, Beijing time
    int end;
};
constexpr Session SESSIONS[] = {
    {(9 * 60 + 15) * 60, (11 * 60 + 30) * 60},
    {13 * 3600, 15 * 3600},
};

// Whether the instant falls in a session whose end is moved `grace` seconds
// later.
bool inSession(const QDateTime& instant, int grace)
{
    // A fixed offset, not a named zone: Beijing keeps no daylight saving time,
    // and a machine without zone data still gets it right.
    const QDateTime beijing = instant.toOffsetFromUtc(BEIJING_OFFSET_SECONDS);
    if (beijing.date().dayOfWeek() > 5)
        return false;
    const int second = beijing.time().msecsSinceStartOfDay() / 1000;
    for (const Session& session : SESSIONS) {
        if (second >= session.start && second < session.end + grace)
            return true;
    }
    return false;
}
} // namespace

namespace market {

bool isTradingTime(const QDateTime& instant)
{
    return inSession(instant, 0);
}

bool isRefreshTime(const QDateTime& instant)
{
    return inSession(instant, AFTER_CLOSE_SECONDS);
}

QDate beijingDate(const QDateTime& instant)
{
    return instant.toOffsetFromUtc(BEIJING_OFFSET_SECONDS).date();
}

bool quoteDatesTell(const QDateTime& instant)
{
    const QDateTime beijing = instant.toOffsetFromUtc(BEIJING_OFFSET_SECONDS);
    return beijing.date().dayOfWeek() <= 5 &&
           beijing.time().msecsSinceStartOfDay() / 1000 >= DATES_TELL_SECONDS;
}

bool isIndexCode(const QString& code)
{
    return code.startsWith(QLatin1String("sh000"), Qt::CaseInsensitive) ||
           code.startsWith(QLatin1String("sz399"), Qt::CaseInsensitive);
}

} // namespace market

bool TRefreshPolicy::tickMayRequest(const QDateTime& now, bool closedToday) const
{
    if ((!closedToday && market::isRefreshTime(now)) || !lastRequest.isValid())
        return true;
    const qint64 since = lastRequest.secsTo(now);
    // A clock set back must not silence the ticks for hours.
    return since >= CLOSED_TICK_SECONDS || since < 0;
}
