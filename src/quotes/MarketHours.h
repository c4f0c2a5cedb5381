#pragma once

#include <QDateTime>

// Trading hours of the Shanghai and Shenzhen exchanges: Monday to Friday,
// 9:15 to 11:30 and 13:00 to 15:00 Beijing time, whatever the machine's time
// zone. Public holidays are in no calendar here: the quotes' own dates show
// them (TQuoteWatch).
namespace market {

// Within a session (each end excluded: the last trade is before it).
bool isTradingTime(const QDateTime& instant);

// Within a session or the five minutes after its close, while the last
// trades and the closing prices come in.
bool isRefreshTime(const QDateTime& instant);

// The date in Beijing at `instant`.
QDate beijingDate(const QDateTime& instant);

// A weekday in Beijing at 9:30 or later: by then a day with trading has given
// every index a quote of that date, so old dates mean no trading.
bool quoteDatesTell(const QDateTime& instant);

// Whether a list code (market prefix and six digits) names an index rather
// than a security: Shanghai's 000xxx, Shenzhen's 399xxx.
bool isIndexCode(const QString& code);

} // namespace market

// Decides whether a tick of the refresh timer asks for quotes: always in
// refresh time, otherwise at most once every five minutes, counted from the
// last request of any kind. A day the quotes showed to be a holiday
// (`closedToday`) counts as outside refresh time.
class TRefreshPolicy
{
public:
    bool tickMayRequest(const QDateTime& now, bool closedToday = false) const;
    // Every request that goes out, whatever caused it.
    void requested(const QDateTime& now) { lastRequest = now; }

private:
    QDateTime lastRequest;
};
