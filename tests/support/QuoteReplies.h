#pragma once

#include <QString>
#include <QStringList>

// Quote service replies as the real service writes them: one assignment per
// code, 32 comma-separated values, entries ended by ";" and a line feed.
// Known codes get a real-looking name and prices; unknown codes get the
// service's empty answer.
QString quoteEntry(const QString& code, const QString& name, double basePrice, double price);
QString quoteReplyFor(const QStringList& codes);

// The second quote service's entry for the same quote as quoteEntry, in its
// own form: "~"-separated fields, volume in lots, amount in 10,000 yuan.
QString backupQuoteEntry(const QString& code, const QString& name, double basePrice, double price);
// A reply of either service (`backup` for the second one).
QString quoteReplyFor(const QStringList& codes, bool backup);

// The codes of a request path of either service, such as
// "/list=sh600000,sz000001" or "/q=sh600000,sz000001".
QStringList codesOfQuotePath(const QString& path);
