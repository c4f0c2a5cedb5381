#pragma once

class QString;

// True when `path` leads to a regular file (through links too) or to
// nothing at all, not even a dangling link. The program's own files are read
// and replaced only then: a named pipe without a writer blocks a reader for
// ever, a device never ends, and a save replaces whatever a link leads to,
// a device included, or creates the file a dangling link names elsewhere.
bool isPlainFileOrNothing(const QString& path);
