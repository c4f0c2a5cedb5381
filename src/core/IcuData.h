#pragma once

#include <QString>

// The Qt for Windows carries a slim ICU whose data lacks the Chinese
// collation rules, so names would sort by code point there instead of by
// pinyin; the rules ship as files in `folder` (icudt72l/coll/zh*.res).
namespace icudata {

// Lets ICU read data files from `folder` before its own; call before
// anything converts or collates text. Does nothing where the system's ICU
// has all its data (everywhere but Windows) or the folder is missing.
void useFilesIn(const QString& folder);

} // namespace icudata
