#include "TempAppDir.h"

#include "core/AppGlobals.h"

#include <QFile>

TempAppDir::TempAppDir()
{
    setDataDirOverride(dir.path());
}

TempAppDir::~TempAppDir()
{
    setDataDirOverride(QString());
}

bool TempAppDir::writeFile(const QString& name, const QByteArray& bytes) const
{
    QFile file(filePath(name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(bytes) == bytes.size();
}

QByteArray TempAppDir::readFile(const QString& name) const
{
    QFile file(filePath(name));
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

bool TempAppDir::exists(const QString& name) const
{
    return QFile::exists(filePath(name));
}

QByteArray readTestData(const QString& name)
{
    QFile file(QStringLiteral(QUOTARIUM_TEST_DATA_DIR "/") + name);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}
