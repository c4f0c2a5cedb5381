#pragma once

#include <QBuffer>
#include <QStringView>
#include <QXmlStreamWriter>

class QIODevice;

// Both data files are XML in GB18030, but Qt's stream writer only produces
// UTF-8. This writer collects the document, then writes it to the target
// device in GB18030 behind a hand-written declaration naming that encoding:
// the bytes a GB18030 stream writer would have produced.
class XmlDocumentWriter
{
public:
    // The first line of every document written, up to and with its line end.
    static constexpr QStringView DECLARATION{u"<?xml version=\"1.0\" encoding=\"GB18030\"?>\n"};

    XmlDocumentWriter();

    // Starts a new document with automatic formatting on, inside the root
    // element both data files share: INTERNAL_NAME with version="1".
    QXmlStreamWriter& begin();

    // Closes open elements and writes the whole document to `device`.
    // False when the device took fewer bytes than the document has.
    bool finish(QIODevice* device);

private:
    QBuffer buffer;
    QXmlStreamWriter writer;
};
