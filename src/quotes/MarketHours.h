#pragma once

#include <QDateTime>

// Trading hours of the Shanghai and Shenzhen exchanges: Monday to Friday,
// 9:15 to 11:30 and 13:00 to 15:00 Beijing time, whatever the machine's time
// zone. Public holidays are not known and count as trading days.
namespace market {

// Within a session (each end excluded: the last trade is before it).
bool isTradingTime(const QDateTime& instant);

// Within a session or the five minutes after its close, while the last
// trades and the closing prices come in.
bool isRefreshTime(const QDateTime& instant);

} // namespace market

// Decides whether a tick of the refresh timer asks for quotes: always in
// refresh time, otherwise at most once every five minutes, counted from the
// last request of any kind.
class TRefreshPolicy
{
public:
    bool tickMayRequest(const QDateTime& now) const;
    // Every request that goes out, whatever caused it.
    void requested(const QDateTime& now) { lastRequest = now; }

private:
    QDateTime lastRequest;
};
