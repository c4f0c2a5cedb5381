#include "core/XmlDocumentWriter.h"

#include "core/AppGlobals.h"
#include "core/Gb18030.h"

#include <QFile>
#include <QSaveFile>
#include <QXmlStreamReader>

XmlDocumentWriter::XmlDocumentWriter() = default;

QXmlStreamWriter& XmlDocumentWriter::begin()
{
    buffer.close();
    buffer.setData(QByteArray());
    buffer.open(QIODevice::WriteOnly);
    writer.setDevice(&buffer);
    writer.setAutoFormatting(true);
    writer.setAutoFormattingIndent(4);
    return writer;
}

bool XmlDocumentWriter::finish(QIODevice* device)
{
    writer.writeEndDocument();
    writer.setDevice(nullptr);
    buffer.close();

    QString text = QStringLiteral("<?xml version=\"1.0\" encoding=\"GB18030\"?>\n");
    QByteArray body = buffer.data();
    // Without a start document the writer may still open with a line break.
    if (body.startsWith('\n'))
        body.remove(0, 1);
    text += QString::fromUtf8(body);
    buffer.setData(QByteArray());

    const QByteArray bytes = gb18030::encode(text);
    return device->write(bytes) == bytes.size();
}

namespace xmlfile {

void load(const QString& path, const std::function<void(QIODevice*)>& read)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
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

void save(const QString& path, const std::function<bool(QIODevice*)>& write)
{
    QSaveFile file(path);
    // Unbuffered, so that a write the disk takes only in part fails here,
    // where it is seen: a buffered one reports success, and the rest is lost
    // in a flush that commit() does not notice.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return;
    if (write(&file))
        file.commit();
    else
        file.cancelWriting();
}

} // namespace xmlfile
