#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class QNetworkAccessManager;
class QNetworkReply;
class QUrl;

// One stock the suggestion service offers for what was typed.
struct TStockSuggestion
{
    QString code;     // market prefix and digits, e.g. "sh600000"
    QString name;     // e.g. "浦发银行"
    QString initials; // pinyin initials as the service sends them, e.g. "pfyh"
    QString type;     // "GP-A" shares, "ZS" index, "ETF", ...

    // As the list offers it: "浦发银行 sh600000 PFYH".
    QString text() const;
};
using TStockSuggestionItems = QList<TStockSuggestion>;

namespace suggest {

// The most suggestions offered at once.
constexpr int MAX_SHOWN = 10;

// The address that asks for `text`.
QUrl address(const QString& text);

// The stocks of Shanghai, Shenzhen and Beijing in a reply
// (v_hint="market~code~name~initials~type^..."), at most MAX_SHOWN, in the
// service's order. Anything unreadable gives none.
TStockSuggestionItems parseReply(const QByteArray& reply);

} // namespace suggest

// Asks the suggestion service, one request at a time: a newer text gives
// up the request still open for an older one, so no older answer arrives
// after a newer question. Failures say nothing; no answer arrives then.
class TStockSuggest : public QObject
{
    Q_OBJECT
public:
    explicit TStockSuggest(QObject* parent = nullptr);
    ~TStockSuggest() override;

    void ask(const QString& text);
    // Gives up the open request, if any.
    void cancel();

signals:
    void suggestionsArrived(const QString& text, const TStockSuggestionItems& items);

private:
    std::unique_ptr<QNetworkAccessManager> manager;
    QPointer<QNetworkReply> pending;
};
