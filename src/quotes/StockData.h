#pragma once

#include <QString>

#include <vector>

// One stock's quote as the service sent it. Values stay text; only the change
// in percent is computed.
struct TStockData
{
    QString code; // six digits, no market prefix
    QString name;
    QString value2;
    QString basePrice;
    QString price;
    QString value5;
    QString value6;
    QString value7;
    QString value8;
    QString value9;
    QString value10;
    QString percent; // change against basePrice, e.g. "1.2", no "%" sign
};

// In reply order; codes the service did not answer have no record.
using TStockDataItems = std::vector<TStockData>;
