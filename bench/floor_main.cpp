// The floor for start-up and memory figures: what any Qt Widgets ticker pays
// before doing anything of its own. A window with a 1000 x 4 table and a
// network manager; once shown it sends one GET to the address given as its
// argument, just as the program's first quote request does.
#include <QApplication>
#include <QMainWindow>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTableWidget>
#include <QTimer>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    auto* table = new QTableWidget(1000, 4, &window);
    for (int row = 0; row < 1000; ++row) {
        for (int column = 0; column < 4; ++column)
            table->setItem(row, column, new QTableWidgetItem(QString::number(row * 4 + column)));
    }
    window.setCentralWidget(table);
    QNetworkAccessManager manager;
    window.show();
    if (argc > 1) {
        QNetworkRequest request{QUrl(QString::fromLocal8Bit(argv[1]))};
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                             QNetworkRequest::NoLessSafeRedirectPolicy);
        QNetworkReply* reply = manager.get(request);
        QObject::connect(reply, &QNetworkReply::finished, reply, &QObject::deleteLater);
    }
    return QApplication::exec();
}
