#pragma once

#include <QFont>
#include <QObject>

#include <memory>

class QIODevice;
class QString;
class QXmlStreamReader;
class QXmlStreamWriter;
class XmlDocumentWriter;

// The process-wide settings and their file Config.xml. The four values are
// class-level: every part of the program reads them without an object. The
// one TConfig object (the main window's) only moves them to and from the file
// and announces changes made through its setters.
class TConfig : public QObject
{
    Q_OBJECT
public:
    explicit TConfig(QObject* parent = nullptr);
    ~TConfig() override;

    // Reads Config.xml into the class-level values. A missing file or one that
    // is not a settings document changes nothing, except that a font without
    // any size becomes the application's default font. Emits no signal.
    void load();
    // Writes the class-level values to Config.xml. The previous file stays
    // whole if the new one cannot be written completely. False when the file
    // was not written.
    bool save();

    // Each emits its signal only when the value really changes, after the
    // change. None of them saves.
    void setUiFont(const QFont& font);
    void setMarketFont(const QFont& font);
    void setDataTimer(int time);
    // The main window records its window style here so that it survives a
    // restart. No signal and no save: the main window saves on exit.
    static void setWindowStyle(int style);

    // The document on an open device; public so that tests can use buffers.
    void readXml(QIODevice* device);
    // False when the device did not take the whole document.
    bool writeXml(QIODevice* device);

    static QFont uiFont;
    static QFont marketFont;
    // The numbers of windowStyle as Config.xml stores them; any other number
    // read from the file is kept but names no style.
    enum WindowStyle
    {
        NormalStyle = 0,
        TopStyle = 1,
        BottomStyle = 2,
    };
    static int windowStyle;
    static int dataTimer;

signals:
    void uiFontChange(QFont font);
    void marketFontChange(QFont font);
    void dataTimerChange(int time);

private:
    // Each writes one child element through the stream of `writer`.
    static void writeWindowStyle(QXmlStreamWriter& xml);
    static void writeFont(QXmlStreamWriter& xml, const QFont& font, const QString& elementName);
    static void writeDataTimer(QXmlStreamWriter& xml);
    void readWindowStyle();
    void readFont(QFont& font);
    void readDataTimer();
    void readIntAttribute(int& target, const QString& attributeName);

    std::unique_ptr<QXmlStreamReader> reader;
    std::unique_ptr<XmlDocumentWriter> writer;
};
