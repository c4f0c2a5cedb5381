#include "core/IcuData.h"

#include <QDir>
#include <QFileInfo>

#ifdef Q_OS_WIN
#include <unicode/putil.h>
#include <windows.h>
#endif

namespace icudata {

void useFilesIn(const QString& folder)
{
#ifdef Q_OS_WIN
    if (!QFileInfo(folder).isDir())
        return;
    // ICU opens its files with the ANSI code page: a folder it cannot
    // name there (a Chinese user name on a western Windows) is given by its
    // short name, when the volume keeps short names.
    QString path = QDir::toNativeSeparators(QFileInfo(folder).absoluteFilePath());
    if (QString::fromLocal8Bit(path.toLocal8Bit()) != path) {
        wchar_t shortPath[MAX_PATH];
        const DWORD length =
            GetShortPathNameW(reinterpret_cast<const wchar_t*>(path.utf16()), shortPath, MAX_PATH);
        if (length == 0 || length >= MAX_PATH)
            return;
        path = QString::fromWCharArray(shortPath, int(length));
        if (QString::fromLocal8Bit(path.toLocal8Bit()) != path)
            return;
    }
    u_setDataDirectory(path.toLocal8Bit().constData());
#else
    Q_UNUSED(folder);
#endif
}

} // namespace icudata
