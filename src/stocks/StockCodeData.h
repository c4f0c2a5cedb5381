#pragma once

#include <QHash>
#include <QString>

#include <vector>

// One stock of the user's list. Every field is text exactly as typed or read:
// nothing here parses, trims or checks it.
struct TStockCodeData
{
    QString code; // with its market prefix, e.g. "sh600000"
    QString upperAlert;
    QString lowerAlert;
    QString costPrice;
    QString holding;
    QString remark;
};

// In file order, which is also the editor's row order and the request order.
using TStockCodeDataItems = std::vector<TStockCodeData>;

// For each entry, how many entries of the same code come before it: with the
// code, it finds the same stock again in a list that changed around it,
// where a position would not.
inline std::vector<int> codeOccurrences(const TStockCodeDataItems& items)
{
    QHash<QString, int> seen;
    std::vector<int> result;
    result.reserve(items.size());
    for (const TStockCodeData& entry : items)
        result.push_back(seen[entry.code]++);
    return result;
}
