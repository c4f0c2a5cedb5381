#include "stocks/StockCodeList.h"

#include "core/AppGlobals.h"
#include "core/Gb18030.h"
#include "core/XmlFile.h"

#include <QXmlStreamReader>

#include <algorithm>
#include <iterator>

namespace {
const QString STOCK_ELEMENT = QStringLiteral("股票");
const QString CODE_ATTRIBUTE = QStringLiteral("代码");
const QString UPPER_ALERT_ATTRIBUTE = QStringLiteral("上限预警");
const QString LOWER_ALERT_ATTRIBUTE = QStringLiteral("下限预警");
const QString COST_PRICE_ATTRIBUTE = QStringLiteral("成本价");
const QString HOLDING_ATTRIBUTE = QStringLiteral("持有量");
const QString REMARK_ATTRIBUTE = QStringLiteral("备注");

// Some hundred thousand stocks.
constexpr qint64 QUICK_READ_MAX_BYTES = 8 * 1024 * 1024;

// Walks a text that should be exactly what writeXml wrote. Each step takes
// one expected piece or fails; nothing is ever skipped or guessed.
class WrittenForm
{
public:
    explicit WrittenForm(QStringView text) : text(text) {}

    bool take(QStringView piece)
    {
        if (!text.sliced(at).startsWith(piece))
            return false;
        at += piece.size();
        return true;
    }

    // One attribute as the writer puts it: a space, the name, ="value".
    bool attribute(const QString& name, QString& value)
    {
        return take(u" ") && take(name) && take(u"=\"") && takeValue(value);
    }

private:
    // Only what an XML reader would return unchanged, or through the five
    // entities the writer uses. Raw tabs and line breaks, which XML turns
    // into spaces, character references, control characters, replacement
    // characters (a byte GB18030 could not decode) and broken surrogates
    // all fail, leaving the judgement to the XML reader.
    bool takeValue(QString& value)
    {
        const qsizetype start = at;
        bool escaped = false;
        for (; at < text.size(); ++at) {
            const char16_t c = text[at].unicode();
            if (c == u'"')
                break;
            if (c == u'&') {
                escaped = true;
                continue;
            }
            if (c < 0x20 || c == u'<' || c >= 0xfffd)
                return false;
            if (QChar::isHighSurrogate(c)) {
                if (at + 1 >= text.size() || !text[at + 1].isLowSurrogate())
                    return false;
                ++at;
            } else if (QChar::isLowSurrogate(c)) {
                return false;
            }
        }
        if (at == text.size())
            return false;
        const QStringView raw = text.sliced(start, at - start);
        ++at; // the closing quote
        if (!escaped) {
            value = raw.isEmpty() ? QString() : raw.toString();
            return true;
        }
        return unescape(raw, value);
    }

    static bool unescape(QStringView raw, QString& value)
    {
        static const std::pair<QStringView, QChar> entities[] = {{u"&amp;", u'&'},
                                                                 {u"&lt;", u'<'},
                                                                 {u"&gt;", u'>'},
                                                                 {u"&quot;", u'"'},
                                                                 {u"&apos;", u'\''}};
        value.clear();
        value.reserve(raw.size());
        for (qsizetype i = 0; i < raw.size();) {
            if (raw[i] != u'&') {
                value += raw[i++];
                continue;
            }
            const QStringView rest = raw.sliced(i);
            const auto entity =
                std::find_if(std::begin(entities), std::end(entities),
                             [rest](const auto& e) { return rest.startsWith(e.first); });
            if (entity == std::end(entities))
                return false;
            value += entity->second;
            i += entity->first.size();
        }
        return true;
    }

    QStringView text;
    qsizetype at = 0;
};
} // namespace

namespace stocklist {

std::optional<TStockCodeDataItems> readAsWritten(QByteArrayView bytes)
{
    const QString text = gb18030::decode(bytes);
    WrittenForm form(text);
    if (!form.take(XmlDocumentWriter::DECLARATION) || !form.take(u"<") ||
        !form.take(INTERNAL_NAME) || !form.take(u" version=\"1\""))
        return std::nullopt;
    TStockCodeDataItems items;
    // What follows the root's end is never read, as with the XML reader.
    if (form.take(u"/>"))
        return items;
    if (!form.take(u">"))
        return std::nullopt;
    while (form.take(u"\n    <")) {
        TStockCodeData entry;
        if (!form.take(STOCK_ELEMENT) || !form.attribute(CODE_ATTRIBUTE, entry.code) ||
            !form.attribute(UPPER_ALERT_ATTRIBUTE, entry.upperAlert) ||
            !form.attribute(LOWER_ALERT_ATTRIBUTE, entry.lowerAlert) ||
            !form.attribute(COST_PRICE_ATTRIBUTE, entry.costPrice) ||
            !form.attribute(HOLDING_ATTRIBUTE, entry.holding) ||
            !form.attribute(REMARK_ATTRIBUTE, entry.remark) || !form.take(u"/>"))
            return std::nullopt;
        items.push_back(std::move(entry));
    }
    if (!form.take(u"\n</") || !form.take(INTERNAL_NAME) || !form.take(u">"))
        return std::nullopt;
    return items;
}

} // namespace stocklist

TStockCodeList::TStockCodeList()
    : reader(std::make_unique<QXmlStreamReader>()), writer(std::make_unique<XmlDocumentWriter>())
{
}

TStockCodeList::~TStockCodeList() = default;

void TStockCodeList::load()
{
    xmlfile::load(stocksFilePath(), [this](QIODevice* file) {
        // The list as the program wrote it is read without the XML reader,
        // which took most of the time to the first quote request at a
        // thousand stocks; anything else it reads as before. Larger files
        // are not held whole in memory first.
        if (file->size() <= QUICK_READ_MAX_BYTES) {
            if (std::optional<TStockCodeDataItems> written =
                    stocklist::readAsWritten(file->readAll())) {
                items = std::move(*written);
                return;
            }
            file->seek(0);
        }
        readXml(file);
    });
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
