#include "core/XmlFile.h"

#include "core/AppGlobals.h"
#include "core/PlainFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QXmlStreamReader>

namespace xmlfile {

bool openRegularFile(QFile& file)
{
    return QFileInfo(file.fileName()).isFile() && file.open(QIODevice::ReadOnly);
}

void load(const QString& path, const std::function<void(QIODevice*)>& read)
{
    QFile file(path);
    if (!openRegularFile(file))
        return;
    read(&file);
    file.close();
}

bool readAcceptedRoot(QXmlStreamReader& reader)
{
    reader.readNextStartElement();
    // The right name is enough, whatever the version; another name needs
    // version "1".
    return reader.isStartElement() &&
           (reader.name() == INTERNAL_NAME ||
            reader.attributes().value(QStringLiteral("version")) == QStringLiteral("1"));
}

void readChildren(QXmlStreamReader& reader, QIODevice* device,
                  const std::function<void()>& accepted, const std::function<bool()>& child)
{
    reader.setDevice(device);
    if (readAcceptedRoot(reader)) {
        accepted();
        while (reader.readNextStartElement()) {
            if (!child())
                break;
            reader.skipCurrentElement();
        }
    }
    reader.setDevice(nullptr);
}

bool save(const QString& path, const std::function<bool(QIODevice*)>& write)
{
    if (!isPlainFileOrNothing(path))
        return false;
    QSaveFile file(path);
    // Unbuffered, so that a write the disk takes only in part fails here,
    // where it is seen: a buffered one reports success, and the rest is lost
    // in a flush that commit() does not notice.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    if (write(&file))
        return file.commit();
    file.cancelWriting();
    return false;
}

} // namespace xmlfile
