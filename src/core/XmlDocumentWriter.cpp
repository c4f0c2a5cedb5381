#include "core/XmlDocumentWriter.h"

#include "core/AppGlobals.h"
#include "core/Gb18030.h"

XmlDocumentWriter::XmlDocumentWriter() = default;

QXmlStreamWriter& XmlDocumentWriter::begin()
{
    buffer.close();
    buffer.setData(QByteArray());
    buffer.open(QIODevice::WriteOnly);
    writer.setDevice(&buffer);
    writer.setAutoFormatting(true);
    writer.setAutoFormattingIndent(4);
    writer.writeStartElement(INTERNAL_NAME);
    writer.writeAttribute(QStringLiteral("version"), QStringLiteral("1"));
    return writer;
}

bool XmlDocumentWriter::finish(QIODevice* device)
{
    writer.writeEndDocument();
    writer.setDevice(nullptr);
    buffer.close();

    QString text = DECLARATION.toString();
    QByteArray body = buffer.data();
    // Without a start document the writer may still open with a line break.
    if (body.startsWith('\n'))
        body.remove(0, 1);
    text += QString::fromUtf8(body);
    buffer.setData(QByteArray());

    const QByteArray bytes = gb18030::encode(text);
    return device->write(bytes) == bytes.size();
}
