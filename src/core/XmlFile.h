#pragma once

#include <functional>

class QFile;
class QIODevice;
class QString;
class QXmlStreamReader;

// Both data files are read and replaced the same way.
namespace xmlfile {

// Opens `file` for reading only when it is a regular file: a named pipe
// without a writer blocks for ever and a device such as /dev/zero never
// ends, so anything else reads as a file that cannot be opened.
bool openRegularFile(QFile& file);

// Hands the open file to `read`; a file that cannot be opened (missing,
// unreadable, not a regular file) is silently left alone.
void load(const QString& path, const std::function<void(QIODevice*)>& read);

// Reads on to the first element and says whether the document is one of
// ours: its root is named INTERNAL_NAME, or has another name and the
// attribute version="1".
bool readAcceptedRoot(QXmlStreamReader& reader);

// Reads a document of ours from `device`. Nothing happens unless its root is
// accepted (readAcceptedRoot); then `accepted` runs once, and `child` once
// for each element under the root, with the reader on its start. Reading
// stops when `child` returns false, at the end of the root or at the first
// XML error, keeping what was read before. The reader lets go of the device
// afterwards, so that no reader outlives the file it was given.
void readChildren(QXmlStreamReader& reader, QIODevice* device,
                  const std::function<void()>& accepted, const std::function<bool()>& child);

// Replaces the file with what `write` produces, only once all of it is on
// disk: a full disk or a failing device keeps the previous file whole.
// Anything but a regular file in its place is left alone.
// `write` returns false when the device did not take the whole document.
// True when the file now holds the new document.
bool save(const QString& path, const std::function<bool(QIODevice*)>& write);

} // namespace xmlfile
