#include "core/PlainFile.h"

#include <QFileInfo>

bool isPlainFileOrNothing(const QString& path)
{
    const QFileInfo info(path);
    return info.isFile() || (!info.exists() && !info.isSymLink());
}
