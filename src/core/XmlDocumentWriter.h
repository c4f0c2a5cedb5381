#pragma once

#include <QBuffer>
#include <QXmlStreamWriter>

class QIODevice;
class QXmlStreamReader;

// Both data files are XML in GB18030, but Qt 6's stream writer only produces
// UTF-8. This writer collects the document, then writes it to the target
// device in GB18030 behind a hand-written declaration naming that encoding:
// the bytes a GB18030 stream writer would have produced.
class XmlDocumentWriter
{
public:
    XmlDocumentWriter();

    // Starts a new document with automatic formatting on.
    QXmlStreamWriter& begin();

    // Closes open elements and writes the whole document to `device`.
    // False when the device took fewer bytes than the document has.
    bool finish(QIODevice* device);

private:
    QBuffer buffer;
    QXmlStreamWriter writer;
};

#include <functional>

// Both data files are read and replaced the same way.
namespace xmlfile {

// Hands the open file to `read`; a file that cannot be opened (missing,
// unreadable) is silently left alone.
void load(const QString& path, const std::function<void(QIODevice*)>& read);

// Reads on to the first element and says whether the document is one of
// ours: its root is named INTERNAL_NAME, or has another name and the
// attribute version="1".
bool readAcceptedRoot(QXmlStreamReader& reader);

// Replaces the file with what `write` produces, only once all of it is on
// disk: a full disk or a failing device keeps the previous file whole.
// `write` returns false when the device did not take the whole document.
void save(const QString& path, const std::function<bool(QIODevice*)>& write);

} // namespace xmlfile
