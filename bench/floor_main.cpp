// The floor for start-up, memory and refresh figures: what any Qt Widgets
// ticker of these shares pays before doing anything of its own. A window with
// a table and one network manager; once shown it sends a GET to the address
// given as its first argument, just as the program's first quote request
// does, and with a second argument (milliseconds) again at that interval.
// Every reply is decoded from GB18030 and written into the table: per stock
// its Chinese name, code, price and change, red or green.
#include <QApplication>
#include <QBrush>
#include <QMainWindow>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringDecoder>
#include <QTableWidget>
#include <QTimer>

namespace {
void showReply(QTableWidget* table, const QString& text)
{
    static const QBrush rise(Qt::red);
    static const QBrush fall(Qt::darkGreen);
    const QStringList entries = text.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    if (table->rowCount() < entries.size())
        table->setRowCount(int(entries.size()));
    int row = 0;
    for (const QString& entry : entries) {
        // var hq_str_sh600000="name,open,close,price,...";
        const qsizetype quote = entry.indexOf(QLatin1Char('"'));
        const qsizetype underscore = entry.lastIndexOf(QLatin1Char('_'), quote);
        if (quote < 0 || underscore < 0)
            continue;
        const QStringList values = entry.mid(quote + 1).split(QLatin1Char(','));
        if (values.size() < 4)
            continue;
        const double close = values[2].toDouble();
        const double price = values[3].toDouble();
        const double change = close > 0 ? (price - close) / close * 100 : 0;
        const QString texts[4] = {values[0], entry.mid(underscore + 1, quote - underscore - 2),
                                  values[3], QString::number(change, 'f', 2)};
        for (int column = 0; column < 4; ++column) {
            QTableWidgetItem* item = table->item(row, column);
            if (!item) {
                item = new QTableWidgetItem;
                table->setItem(row, column, item);
            }
            item->setText(texts[column]);
            item->setForeground(change < 0 ? fall : rise);
        }
        ++row;
    }
}
} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    auto* table = new QTableWidget(0, 4, &window);
    window.setCentralWidget(table);
    QNetworkAccessManager manager;
    QStringDecoder decoder("GB18030");
    // The program's main window opens at 439 x 295; a smaller default window
    // would spare the floor part of the back buffer any ticker must pay for.
    window.resize(439, 295);
    window.show();
    if (argc < 2)
        return QApplication::exec();
    const QUrl url(QString::fromLocal8Bit(argv[1]));
    const auto get = [&] {
        QNetworkRequest request{url};
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                             QNetworkRequest::NoLessSafeRedirectPolicy);
        QNetworkReply* reply = manager.get(request);
        QObject::connect(reply, &QNetworkReply::finished, reply, [&, reply] {
            decoder.resetState();
            showReply(table, decoder.decode(reply->readAll()));
            reply->deleteLater();
        });
    };
    get();
    QTimer timer;
    if (argc > 2) {
        QObject::connect(&timer, &QTimer::timeout, get);
        timer.start(QByteArray(argv[2]).toInt());
    }
    return QApplication::exec();
}
