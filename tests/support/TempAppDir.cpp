#include "TempAppDir.h"

#include "core/AppGlobals.h"

#include <QFile>

TempAppDir::TempAppDir()
{
    setDataDirOverride(dir.path());
}

TempAppDir::~TempAppDir()
{
    // A fixture assigned over another is made before the old one dies; the
    // old one must not take the new folder away, or the rest of the test
    // would write beside the test executable.
    if (dataDirPath() == dir.path())
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
