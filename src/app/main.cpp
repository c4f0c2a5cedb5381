#include "core/AppGlobals.h"
#include "core/Gb18030.h"
#include "ui/MainForm.h"

#include <QApplication>
#include <QDir>
#include <QTranslator>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    auto* translator = new QTranslator(&app);

    // Qt 6 reads sources as UTF-8, so there is no narrow-string codec to
    // install; GB18030 is converted where bytes meet text. Opening the
    // converter now keeps its cost off the first quote reply.
    gb18030::isAvailable();

    // A missing catalog only leaves Qt's own dialogs in English.
    (void)translator->load(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/qt/translations/qt_zh_CN"));
    QCoreApplication::installTranslator(translator);
    QCoreApplication::setApplicationName(QStringLiteral("Quotarium"));

    // Closing the window only hides it; the exit action alone ends the loop.
    QApplication::setQuitOnLastWindowClosed(false);
    TMainForm mainForm;
    mainForm.show();
    return QApplication::exec();
}
