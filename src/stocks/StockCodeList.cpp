#include "stocks/StockCodeList.h"

#include "core/AppGlobals.h"
#include "core/XmlFile.h"

#include <QXmlStreamReader>

namespace {
const QString STOCK_ELEMENT = QStringLiteral("股票");
const QString CODE_ATTRIBUTE = QStringLiteral("代码");
const QString UPPER_ALERT_ATTRIBUTE = QStringLiteral("上限预警");
const QString LOWER_ALERT_ATTRIBUTE = QStringLiteral("下限预警");
const QString COST_PRICE_ATTRIBUTE = QStringLiteral("成本价");
const QString HOLDING_ATTRIBUTE = QStringLiteral("持有量");
const QString REMARK_ATTRIBUTE = QStringLiteral("备注");
} // namespace

TStockCodeList::TStockCodeList()
    : reader(std::make_unique<QXmlStreamReader>()), writer(std::make_unique<XmlDocumentWriter>())
{
}

TStockCodeList::~TStockCodeList() = default;

void TStockCodeList::load()
{
    xmlfile::load(stocksFilePath(), [this](QIODevice* file) { readXml(file); });
}

bool TStockCodeList::save()
{
    return xmlfile::save(stocksFilePath(), [this](QIODevice* file) { return writeXml(file); });
}

bool TStockCodeList::writeXml(QIODevice* device)
{
    QXmlStreamWriter& xml = writer->begin();
    for (const TStockCodeData& entry : items) {
        xml.writeStartElement(STOCK_ELEMENT);
        xml.writeAttribute(CODE_ATTRIBUTE, entry.code);
        xml.writeAttribute(UPPER_ALERT_ATTRIBUTE, entry.upperAlert);
        xml.writeAttribute(LOWER_ALERT_ATTRIBUTE, entry.lowerAlert);
        xml.writeAttribute(COST_PRICE_ATTRIBUTE, entry.costPrice);
        xml.writeAttribute(HOLDING_ATTRIBUTE, entry.holding);
        xml.writeAttribute(REMARK_ATTRIBUTE, entry.remark);
        xml.writeEndElement();
    }
    return writer->finish(device);
}

void TStockCodeList::readXml(QIODevice* device)
{
    // The list ends at the first element that is no stock.
    xmlfile::readChildren(
        *reader, device, [this] { items.clear(); },
        [this] {
            if (reader->name() != STOCK_ELEMENT)
                return false;
            const QXmlStreamAttributes attributes = reader->attributes();
            TStockCodeData entry;
            entry.code = attributes.value(CODE_ATTRIBUTE).toString();
            entry.upperAlert = attributes.value(UPPER_ALERT_ATTRIBUTE).toString();
            entry.lowerAlert = attributes.value(LOWER_ALERT_ATTRIBUTE).toString();
            entry.costPrice = attributes.value(COST_PRICE_ATTRIBUTE).toString();
            entry.holding = attributes.value(HOLDING_ATTRIBUTE).toString();
            entry.remark = attributes.value(REMARK_ATTRIBUTE).toString();
            items.push_back(entry);
            return true;
        });
}
