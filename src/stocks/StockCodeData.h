#pragma once

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
