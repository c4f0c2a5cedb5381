// Answers like the real services, on 127.0.0.1:<port> (default 18080):
//   /list=<codes>            quotes in GB18030, a random walk per code
//   /newchart/<kind>/n/<code>.gif   chart images
//   /s3/?q=<text>            stock suggestions by code, name or pinyin initials
//   /quotarium/ver.php       the update check (no newer release)
//   /quotarium/ad/...        the advertising configuration and its image
// Build the program with the `demo` preset to point it here.
#include "FakeHttpServer.h"

#include "core/AppGlobals.h"
#include "core/Gb18030.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QTime>
#include <QUrlQuery>

#include <cstdio>

namespace {

struct Walk
{
    double base;
    double price;
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

QString quoteFor(const QString& code, QHash<QString, Walk>& walks)
{
    const auto stock = stocks().constFind(code);
    if (stock == stocks().constEnd())
        return QStringLiteral("var hq_str_") + code + QStringLiteral("=\"\";\n");
    auto walk = walks.find(code);
    if (walk == walks.end())
        walk = walks.insert(code, {stock->base, stock->base});
    // A step of at most half a percent, kept within the daily limit of 10 %.
    const double step = (QRandomGenerator::global()->bounded(2001) - 1000) / 200000.0;
    walk->price = qBound(walk->base * 0.9, walk->price * (1.0 + step), walk->base * 1.1);
    QStringList values{stock->name,
                       QString::number(walk->base * 1.001, 'f', 2),
                       QString::number(walk->base, 'f', 2),
                       QString::number(walk->price, 'f', 2),
                       QString::number(qMax(walk->price, walk->base) * 1.01, 'f', 2),
                       QString::number(qMin(walk->price, walk->base) * 0.99, 'f', 2)};
    for (int v = 6; v < 30; ++v)
        values << QString::number((v * 7919 + int(walk->price * 100)) % 100000);
    // Beijing's date and time, as the real service writes them: a date of the
    // machine's own zone would read as yesterday's quote there.
    const QDateTime beijing = QDateTime::currentDateTimeUtc().toOffsetFromUtc(8 * 3600);
    values << beijing.date().toString(Qt::ISODate)
           << beijing.time().toString(QStringLiteral("HH:mm:ss"));
    return QStringLiteral("var hq_str_") + code + QStringLiteral("=\"") +
           values.join(QLatin1Char(',')) + QStringLiteral("\";\n");
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
    if (argc > 1) {
        port = QByteArray(argv[1]).toUShort();
        if (port == 0) {
            std::fprintf(stderr, "usage: quotarium_demo_service [port]\n");
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
        if (path.startsWith(QStringLiteral("/list="))) {
            QString reply;
            for (const QString& code : path.mid(6).split(QLatin1Char(','), Qt::SkipEmptyParts))
                reply += quoteFor(code, walks);
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
