#pragma once

#include <QString>
#include <QStringList>

// Quote service replies as the real service writes them: one assignment per
// code, 32 comma-separated values, entries ended by ";" and a line feed.
// Known codes get a real-looking name and prices; unknown codes get the
// service's empty answer.
QString quoteEntry(const QString& code, const QString& name, double basePrice, double price);
QString quoteReplyFor(const QStringList& codes);

// The codes of a request path such as "/list=sh600000,sz000001".
QStringList codesOfQuotePath(const QString& path);
