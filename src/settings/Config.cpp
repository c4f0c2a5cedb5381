#include "settings/Config.h"

#include "core/AppGlobals.h"
#include "core/XmlDocumentWriter.h"
#include "core/XmlFile.h"

#include <QGuiApplication>
#include <QXmlStreamReader>

namespace {
const QString WINDOW_STYLE_ELEMENT = QStringLiteral("窗口风格");
const QString UI_FONT_ELEMENT = QStringLiteral("界面字体");
const QString MARKET_FONT_ELEMENT = QStringLiteral("行情字体");
const QString DATA_TIMER_ELEMENT = QStringLiteral("数据刷新时间");
const QString STYLE_ATTRIBUTE = QStringLiteral("风格");
const QString FAMILY_ATTRIBUTE = QStringLiteral("字体");
const QString SIZE_ATTRIBUTE = QStringLiteral("大小");
const QString STRIKE_OUT_ATTRIBUTE = QStringLiteral("删除线");
const QString UNDERLINE_ATTRIBUTE = QStringLiteral("下划线");
const QString TIME_ATTRIBUTE = QStringLiteral("时间");

const QString DEFAULT_FAMILY = QStringLiteral("宋体");
constexpr int DEFAULT_POINT_SIZE = 12;
constexpr int DEFAULT_DATA_TIMER = 30;
// What the options dialog can produce. The main window multiplies the interval
// by 1000 for its timer: 0 or less would ask the quote service without pause,
// and more than 100000 seconds comes near the int overflow of milliseconds.
constexpr int MIN_DATA_TIMER = 1;
constexpr int MAX_DATA_TIMER = 100000;

// The class-level fonts are built before the application exists, and Qt 6
// then gives a font with neither family nor size. Applied as it is, it shrinks
// every text of the program to a few pixels, and saved as it is, it would do
// so again on every later start. Until settings say otherwise such a font is
// the platform's default font, which the application knows by now.
void completeFont(QFont& font)
{
    if (qGuiApp && font.pointSizeF() <= 0 && font.pixelSize() <= 0)
        font = QFont();
}
} // namespace

QFont TConfig::uiFont;
QFont TConfig::marketFont;
int TConfig::windowStyle = NormalStyle;
int TConfig::dataTimer = DEFAULT_DATA_TIMER;

TConfig::TConfig(QObject* parent)
    : QObject(parent), reader(std::make_unique<QXmlStreamReader>()),
      writer(std::make_unique<XmlDocumentWriter>())
{
}

TConfig::~TConfig() = default;

void TConfig::setUiFont(const QFont& font)
{
    if (font != uiFont) {
        uiFont = font;
        emit uiFontChange(uiFont);
    }
}

void TConfig::setMarketFont(const QFont& font)
{
    if (font != marketFont) {
        marketFont = font;
        emit marketFontChange(marketFont);
    }
}

void TConfig::setDataTimer(int time)
{
    if (time != dataTimer) {
        dataTimer = time;
        emit dataTimerChange(dataTimer);
    }
}

void TConfig::setWindowStyle(int style)
{
    windowStyle = style;
}

void TConfig::load()
{
    completeFont(uiFont);
    completeFont(marketFont);
    xmlfile::load(configFilePath(), [this](QIODevice* file) { readXml(file); });
}

bool TConfig::save()
{
    return xmlfile::save(configFilePath(), [this](QIODevice* file) { return writeXml(file); });
}

bool TConfig::writeXml(QIODevice* device)
{
    QXmlStreamWriter& xml = writer->begin();
    writeWindowStyle(xml);
    writeFont(xml, uiFont, UI_FONT_ELEMENT);
    writeFont(xml, marketFont, MARKET_FONT_ELEMENT);
    writeDataTimer(xml);
    return writer->finish(device);
}

void TConfig::writeWindowStyle(QXmlStreamWriter& xml)
{
    xml.writeEmptyElement(WINDOW_STYLE_ELEMENT);
    xml.writeAttribute(STYLE_ATTRIBUTE, QString::number(windowStyle, 10));
}

void TConfig::writeFont(QXmlStreamWriter& xml, const QFont& font, const QString& elementName)
{
    // Only these five properties are kept; weight and the rest are not.
    xml.writeEmptyElement(elementName);
    xml.writeAttribute(FAMILY_ATTRIBUTE, font.family());
    xml.writeAttribute(SIZE_ATTRIBUTE, QString::number(font.pointSize(), 10));
    xml.writeAttribute(STYLE_ATTRIBUTE, QString::number(int(font.style()), 10));
    xml.writeAttribute(STRIKE_OUT_ATTRIBUTE,
                       font.strikeOut() ? QStringLiteral("1") : QStringLiteral("0"));
    xml.writeAttribute(UNDERLINE_ATTRIBUTE,
                       font.underline() ? QStringLiteral("1") : QStringLiteral("0"));
}

void TConfig::writeDataTimer(QXmlStreamWriter& xml)
{
    xml.writeEmptyElement(DATA_TIMER_ELEMENT);
    xml.writeAttribute(TIME_ATTRIBUTE, QString::number(dataTimer, 10));
}

void TConfig::readXml(QIODevice* device)
{
    // Any order; a repeated element is read again and the later one wins.
    xmlfile::readChildren(
        *reader, device, [] {},
        [this] {
            const QStringView name = reader->name();
            if (name == WINDOW_STYLE_ELEMENT)
                readWindowStyle();
            else if (name == UI_FONT_ELEMENT)
                readFont(uiFont);
            else if (name == MARKET_FONT_ELEMENT)
                readFont(marketFont);
            else if (name == DATA_TIMER_ELEMENT)
                readDataTimer();
            return true;
        });
}

void TConfig::readWindowStyle()
{
    windowStyle = NormalStyle;
    readIntAttribute(windowStyle, STYLE_ATTRIBUTE);
}

void TConfig::readFont(QFont& font)
{
    // Changes the font in place: properties that are not stored keep theirs.
    const QString family = reader->attributes().value(FAMILY_ATTRIBUTE).toString();
    font.setFamily(family.isEmpty() ? DEFAULT_FAMILY : family);

    int size = DEFAULT_POINT_SIZE;
    readIntAttribute(size, SIZE_ATTRIBUTE);
    // -1 marks a font sized in pixels; QFont would refuse it with a warning
    // and keep its size, which is what happens here without the warning.
    if (size > 0)
        font.setPointSize(size);

    int style = QFont::StyleNormal;
    readIntAttribute(style, STYLE_ATTRIBUTE);
    // Only the three values of QFont::Style are styles; others mean normal.
    if (style != QFont::StyleItalic && style != QFont::StyleOblique)
        style = QFont::StyleNormal;
    font.setStyle(static_cast<QFont::Style>(style));

    int strikeOut = 0;
    readIntAttribute(strikeOut, STRIKE_OUT_ATTRIBUTE);
    font.setStrikeOut(strikeOut != 0);

    int underline = 0;
    readIntAttribute(underline, UNDERLINE_ATTRIBUTE);
    font.setUnderline(underline != 0);
}

void TConfig::readDataTimer()
{
    dataTimer = DEFAULT_DATA_TIMER;
    readIntAttribute(dataTimer, TIME_ATTRIBUTE);
    // A hand-edited file may hold any integer; see MAX_DATA_TIMER.
    if (dataTimer < MIN_DATA_TIMER || dataTimer > MAX_DATA_TIMER)
        dataTimer = DEFAULT_DATA_TIMER;
}

void TConfig::readIntAttribute(int& target, const QString& attributeName)
{
    bool ok = false;
    const int value = reader->attributes().value(attributeName).toInt(&ok, 10);
    if (ok)
        target = value;
}
