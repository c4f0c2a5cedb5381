// Answers like the real services, on 127.0.0.1:<port> (default 18080):
//   /list=<codes>            quotes in GB18030, a random walk per code
//   /q=<codes>               the same quotes as the second quote service
//                            writes them
//   /newchart/<kind>/n/<code>.gif   chart images
//   /s3/?q=<text>            stock suggestions by code, name or pinyin initials
//   /quotarium/ver.php       the update check (no newer release)
//   /quotarium/ad/...        the advertising configuration and its image
// Build the program with the `demo` preset to point it here. With
// --refuse-primary the first quote service answers every request with HTTP
// 403, as the real one does to requests it does not like, so that the
// program's switch to the second one can be watched.
#include "FakeHttpServer.h"

#include "core/AppGlobals.h"
#include "core/Gb18030.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QUrlQuery>

#include <cstdio>

namespace {

struct Walk
{
    double base;
    double price;
    qint64 lots = 0;   // traded today, in lots of 100 shares
    qint64 amount = 0; // traded today, in yuan
};

// One moment of one stock, which either service's entry is written from.
struct Quote
{
    QString code;
    QString name;
    Walk walk;
    QDateTime at;
};

struct Stock
{
    QString name;
    double base;      // yesterday's close, where the random walk starts
    QString initials; // pinyin initials, for the suggestions
};

// Real names, with prices of the right order for each.
const QHash<QString, Stock>& stocks()
{
    static const QHash<QString, Stock> table{
        {QStringLiteral("sh600000"), {QStringLiteral("浦发银行"), 8.52, QStringLiteral("pfyh")}},
        {QStringLiteral("sh600036"), {QStringLiteral("招商银行"), 32.10, QStringLiteral("zsyh")}},
        {QStringLiteral("sh600519"), {QStringLiteral("贵州茅台"), 1688.00, QStringLiteral("gzmt")}},
        {QStringLiteral("sh601398"), {QStringLiteral("工商银行"), 5.12, QStringLiteral("gsyh")}},
        {QStringLiteral("sh601318"), {QStringLiteral("中国平安"), 45.30, QStringLiteral("zgpa")}},
        {QStringLiteral("sh600028"), {QStringLiteral("中国石化"), 6.05, QStringLiteral("zgsh")}},
        {QStringLiteral("sh000001"), {QStringLiteral("上证指数"), 3050.12, QStringLiteral("szzs")}},
        {QStringLiteral("sz000001"), {QStringLiteral("平安银行"), 11.20, QStringLiteral("payh")}},
        {QStringLiteral("sz000002"), {QStringLiteral("万科Ａ"), 9.35, QStringLiteral("wka")}},
        {QStringLiteral("sz000858"), {QStringLiteral("五粮液"), 142.60, QStringLiteral("wly")}},
        {QStringLiteral("sz000651"), {QStringLiteral("格力电器"), 38.40, QStringLiteral("gldq")}},
        {QStringLiteral("sz399001"), {QStringLiteral("深证成指"), 9850.30, QStringLiteral("szcz")}},
    };
    return table;
}

// The next step of the code's random walk; no name for a code the service
// does not know.
Quote nextQuote(const QString& code, QHash<QString, Walk>& walks)
{
    const auto stock = stocks().constFind(code);
    if (stock == stocks().constEnd())
        return {code, QString(), {}, {}};
    auto walk = walks.find(code);
    if (walk == walks.end())
        walk = walks.insert(code, {stock->base, stock->base});
    // A step of at most half a percent, kept within the daily limit of 10 %.
    const double step = (QRandomGenerator::global()->bounded(2001) - 1000) / 200000.0;
    walk->price = qBound(walk->base * 0.9, walk->price * (1.0 + step), walk->base * 1.1);
    const qint64 lots = 1 + QRandomGenerator::global()->bounded(5000);
    walk->lots += lots;
    walk->amount += qRound64(double(lots) * 100 * walk->price);
    // Beijing's date and time, as the real services write them: a date of the
    // machine's own zone would read as yesterday's quote there.
    return {code, stock->name, *walk, QDateTime::currentDateTimeUtc().toOffsetFromUtc(8 * 3600)};
}

QString price(double value)
{
    return QString::number(value, 'f', 2);
}

QString primaryEntry(const Quote& quote)
{
    if (quote.name.isEmpty())
        return QStringLiteral("var hq_str_") + quote.code + QStringLiteral("=\"\";\n");
    const Walk& w = quote.walk;
    QStringList values{quote.name,
                       price(w.base * 1.001),
                       price(w.base),
                       price(w.price),
                       price(qMax(w.price, w.base) * 1.01),
                       price(qMin(w.price, w.base) * 0.99),
                       price(w.price - 0.01),
                       price(w.price),
                       QString::number(w.lots * 100),
                       QString::number(w.amount)};
    for (int v = 10; v < 30; ++v)
        values << QString::number((v * 7919 + int(w.price * 100)) % 100000);
    values << quote.at.date().toString(Qt::ISODate)
           << quote.at.time().toString(QStringLiteral("HH:mm:ss"));
    return QStringLiteral("var hq_str_") + quote.code + QStringLiteral("=\"") +
           values.join(QLatin1Char(',')) + QStringLiteral("\";\n");
}

// The same moment as the second service writes it: "~" between the fields,
// volume in lots, amount in units of 10,000 yuan, the time as one number.
QString backupEntry(const Quote& quote)
{
    if (quote.name.isEmpty())
        return QStringLiteral("v_") + quote.code + QStringLiteral("=\"\";\n");
    const Walk& w = quote.walk;
    QStringList f(50, QStringLiteral("0"));
    f[0] = quote.code.startsWith(QLatin1String("sh")) ? QStringLiteral("1") : QStringLiteral("51");
    f[1] = quote.name;
    f[2] = quote.code.mid(2);
    f[3] = price(w.price);
    f[4] = price(w.base);
    f[5] = price(w.base * 1.001);
    f[6] = f[36] = QString::number(w.lots);
    f[9] = price(w.price - 0.01);
    f[19] = price(w.price);
    f[30] = quote.at.toString(QStringLiteral("yyyyMMddHHmmss"));
    f[31] = price(w.price - w.base);
    f[32] = price((w.price - w.base) / w.base * 100);
    f[33] = price(qMax(w.price, w.base) * 1.01);
    f[34] = price(qMin(w.price, w.base) * 0.99);
    f[37] = QStringLiteral("%1.%2")
                .arg(w.amount / 10000)
                .arg(w.amount % 10000, 4, 10, QLatin1Char('0'));
    return QStringLiteral("v_") + quote.code + QStringLiteral("=\"") + f.join(QLatin1Char('~')) +
           QStringLiteral("\";\n");
}

// What the suggestion service answers: the stocks whose code, name or
// initials hold the text, names as \uXXXX escapes.
QByteArray suggestionsFor(const QString& text)
{
    const QString wanted = text.trimmed().toLower();
    QStringList codes = stocks().keys();
    codes.sort();
    QStringList records;
    for (const QString& code : codes) {
        const Stock& stock = stocks()[code];
        if (wanted.isEmpty() || !(code.contains(wanted) || stock.name.contains(wanted) ||
                                  stock.initials.contains(wanted)))
            continue;
        QString name;
        for (QChar c : stock.name)
            name += c.unicode() < 128
                        ? QString(c)
                        : QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        const bool index = code == QLatin1String("sh000001") || code == QLatin1String("sz399001");
        records << QStringList{code.left(2), code.mid(2), name, stock.initials,
                               index ? QStringLiteral("ZS") : QStringLiteral("GP-A")}
                       .join(QLatin1Char('~'));
    }
    return "v_hint=\"" +
           (records.isEmpty() ? QByteArray("N") : records.join(QLatin1Char('^')).toLatin1()) +
           "\";\n";
}

QByteArray resource(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray adImage()
{
    QImage image(200, 60, QImage::Format_ARGB32);
    image.fill(QColor(0xc6, 0x28, 0x28));
    QPainter painter(&image);
    painter.setPen(Qt::white);
    painter.drawText(image.rect(), Qt::AlignCenter, QStringLiteral("Quotarium 演示行情"));
    painter.end();
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    image.save(&png, "PNG");
    return png.data();
}

} // namespace

int main(int argc, char* argv[])
{
    // Fonts for the advertising image, but no window: the service also runs
    // where there is no display, or before the one it serves has started.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    quint16 port = 18080;
    bool refusePrimary = false;
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "--refuse-primary") {
            refusePrimary = true;
            continue;
        }
        port = argument.toUShort();
        if (port == 0) {
            std::fprintf(stderr, "usage: quotarium_demo_service [--refuse-primary] [port]\n");
            return 2;
        }
    }
    FakeHttpServer server(nullptr, port);
    if (!server.isListening()) {
        std::fprintf(stderr, "demo service: port %u is taken\n", unsigned(port));
        return 1;
    }
    // The fixture keeps every request for tests to inspect; a service left
    // running for days must not.
    QObject::connect(&server, &FakeHttpServer::requestReceived, &server,
                     &FakeHttpServer::clearRequests);
    const QString root = server.baseUrl();
    const QByteArray ad = adImage();
    QHash<QString, Walk> walks;

    server.setHandler([&](const HttpRequestRecord& request) {
        const QString& path = request.path;
        const bool primary = path.startsWith(QStringLiteral("/list="));
        if (primary && refusePrimary)
            return HttpReply::withStatus(403, "Forbidden");
        if (primary || path.startsWith(QStringLiteral("/q="))) {
            QString reply;
            for (const QString& code :
                 path.mid(path.indexOf(u'=') + 1).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
                const Quote quote = nextQuote(code, walks);
                reply += primary ? primaryEntry(quote) : backupEntry(quote);
            }
            return HttpReply::gb18030(reply);
        }
        if (path.startsWith(QStringLiteral("/newchart/")) &&
            path.endsWith(QStringLiteral(".gif"))) {
            const QString kind = path.section(QLatin1Char('/'), 2, 2);
            QByteArray gif = resource(QStringLiteral(":/demo/") + kind + QStringLiteral(".gif"));
            if (gif.isEmpty())
                gif = resource(QStringLiteral(":/demo/indicator.gif"));
            return HttpReply::ok(gif, "image/gif");
        }
        if (path == QLatin1String("/s3/")) {
            const QUrlQuery query(request.query);
            return HttpReply::ok(suggestionsFor(query.queryItemValue(QStringLiteral("q"))));
        }
        if (path.endsWith(QStringLiteral("/ver.php")))
            // The running build's own release: no newer version.
            return HttpReply::ok(
                QStringLiteral("date=%1\nversion=%2\n").arg(UPDATE_DATE, VERSION).toLatin1());
        if (path.endsWith(QStringLiteral("/ad/ad_cfg_1.php")))
            return HttpReply::ok(root.toLatin1() + "/quotarium/ad/banner.png " + root.toLatin1() +
                                 "/quotarium/\n");
        if (path.endsWith(QStringLiteral("/ad/banner.png")))
            return HttpReply::ok(ad, "image/png");
        return HttpReply::withStatus(404);
    });
    std::printf("demo service on %s\n", qPrintable(root));
    std::fflush(stdout);
    return QCoreApplication::exec();
}
