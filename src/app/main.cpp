#include "app/SingleInstance.h"
#include "app/Startup.h"
#include "core/AppGlobals.h"
#include "core/Clock.h"
#include "core/Gb18030.h"
#include "core/IcuData.h"
#include "core/WebRequest.h"
#include "ui/MainForm.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>

#ifdef __GLIBC__
#include <malloc.h>
#endif

int main(int argc, char* argv[])
{
#ifdef __GLIBC__
    // Every refresh holds its replies and their decoded text for a moment,
    // a few hundred KB at a thousand codes. Left to itself the allocator
    // raises its threshold for mapping blocks of their own to the size of
    // the first such block freed; from then on they come from the heap and
    // leave holes there that stay resident for the whole run. At its
    // starting value, fixed, they go back to the system as they are freed.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    // A thread's first allocation would otherwise open an arena of its own,
    // which stays resident after the thread has ended or gone idle: the
    // one-instance lock's and the network's threads allocate little and
    // seldom, and share the main thread's.
    mallopt(M_ARENA_MAX, 1);
#endif
    QApplication app(argc, argv);
#ifdef QUOTARIUM_FIXED_NOW
    appclock::setNow(QDateTime::fromString(QStringLiteral(QUOTARIUM_FIXED_NOW), Qt::ISODate));
#endif
    QDir::setCurrent(QCoreApplication::applicationDirPath());

    // Narrow strings are UTF-8; GB18030 is converted only where bytes meet
    // text. Opening the converter now keeps its cost off the first quote
    // reply; ICU learns where its files are before it reads any.
    icudata::useFilesIn(QCoreApplication::applicationDirPath() + QStringLiteral("/icu"));
    gb18030::isAvailable();

    // An office that lets traffic out only through a proxy names it in the
    // desktop's settings; the program has none of its own.
    web::useSystemProxies();
    QCoreApplication::setApplicationName(QStringLiteral("Quotarium"));
    // Lets a desktop match the running windows to the installed menu entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.example.Quotarium"));
    // Decided before anything reads or writes a data file.
    // One program per data folder: a second start brings the first forward
    // and ends before it writes anything there.
    TSingleInstance instance(dataDirPath());
    // The lock file is written through to the disk, and the window's first
    // text waits for the font database to be read: the two are done side by
    // side. A second start reads the fonts for nothing, and ends all the same.
    instance.startLocking();
    QFontDatabase::families();
    if (!instance.start())
        return 0;
    QApplication::setWindowIcon(applicationIcon());
    // Before the main window's first load of the list.
    writeStarterStockList();

    // Closing the window only hides it; the exit action alone ends the loop.
    QApplication::setQuitOnLastWindowClosed(false);

    // The window sends the first quote request as it is made; Qt's own texts
    // are needed only once a dialog opens.
    TMainForm mainForm;
    // Missing catalogs only leave Qt's own dialogs in English.
    installQtCatalogs(qtCatalogFolders(), &app);
    QObject::connect(&instance, &TSingleInstance::activationRequested, &mainForm,
                     &TMainForm::bringForward);
    mainForm.show();
    return QApplication::exec();
}
