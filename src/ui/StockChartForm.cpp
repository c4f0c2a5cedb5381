#include "ui/StockChartForm.h"

#include "core/WebRequest.h"
#include "ui_StockChartForm.h"

#include <QComboBox>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPalette>
#include <QResizeEvent>
#include <QStringListModel>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QUrl>

#include <array>

namespace {
// One path under the chart service's root (web::serviceRoot) per entry of the
// chart kind box, in the box's order.
const std::array<QString, 25> CHART_URLS = {
    QStringLiteral("/newchart/min/n/"),     // 日均线
    QStringLiteral("/newchart/daily/n/"),   // 日K线
    QStringLiteral("/newchart/weekly/n/"),  // 周K线
    QStringLiteral("/newchart/monthly/n/"), // 月K线
    QStringLiteral("/newchart/macd/n/"),    // MACD
    QStringLiteral("/newchart/trix/n/"),    // TRIX
    QStringLiteral("/newchart/dmi/n/"),     // DMI
    QStringLiteral("/newchart/expma/n/"),   // EXPMA
    QStringLiteral("/newchart/brar/n/"),    // BRAR
    QStringLiteral("/newchart/cr/n/"),      // CR
    QStringLiteral("/newchart/vr/n/"),      // VR
    QStringLiteral("/newchart/psy/n/"),     // PSY
    QStringLiteral("/newchart/obv/n/"),     // OBV
    QStringLiteral("/newchart/asi/n/"),     // ASI
    QStringLiteral("/newchart/emv/n/"),     // EMV
    QStringLiteral("/newchart/wvad/n/"),    // WVA: the service spells it with four letters
    QStringLiteral("/newchart/rsi/n/"),     // RSI
    QStringLiteral("/newchart/wr/n/"),      // WR
    QStringLiteral("/newchart/kdj/n/"),     // KDJ
    QStringLiteral("/newchart/roc/n/"),     // ROC
    QStringLiteral("/newchart/mike/n/"),    // MIKE
    QStringLiteral("/newchart/dma/n/"),     // DMA
    QStringLiteral("/newchart/boll/n/"),    // BOLL
    QStringLiteral("/newchart/bias/n/"),    // BIAS
    QStringLiteral("/newchart/cci/n/"),     // CCI
};

} // namespace

QString TChartUrl::url(const QString& code, int kind) const
{
    QString address;
    if (kind >= 0 && kind < int(CHART_URLS.size()))
        address = web::serviceRoot(web::Service::Charts) + CHART_URLS[std::size_t(kind)];
    // The code travels as typed, but encoded so that a '#', '?' or '/' in it
    // stays part of the file name instead of cutting the address short.
    address += QString::fromLatin1(QUrl::toPercentEncoding(code));
    address += QStringLiteral(".gif");
    return address;
}

TStockChartForm::TStockChartForm(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui_TStockChartForm>()),
      manager(std::make_unique<QNetworkAccessManager>())
{
    ui->setupUi(this);
    // Editable through a line edit of its own rather than setEditable(),
    // which under the default style also builds the box's drop-down list
    // (a list view with scroll bars) at once; the box builds it when first
    // opened instead, as a box that is not editable does.
    auto* edit = new QLineEdit(ui->cbbStockNum);
    edit->setPalette(ui->cbbStockNum->palette());
    ui->cbbStockNum->setLineEdit(edit);
    // The codes as a plain list, sharing their texts with the stock list: as
    // items of the box's own model a thousand of them took 180 KB.
    codes = new QStringListModel(ui->cbbStockNum);
    ui->cbbStockNum->setModel(codes);
    // The close button is named as well: without it some window managers
    // offer no way to close a window that asks for its own buttons.
    setWindowFlags(Qt::Dialog | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);

    connect(manager.get(), &QNetworkAccessManager::finished, this,
            &TStockChartForm::chartDownloadFinished);
}

TStockChartForm::~TStockChartForm()
{
    // Replies torn down with the manager must not reach a half-destroyed window.
    disconnect(manager.get(), nullptr, this, nullptr);
}

void TStockChartForm::setStockList(const QStringList& list)
{
    // A new list makes its first code the current one, or none.
    codes->setStringList(list);
    fitBoxesToTexts();
}

void TStockChartForm::chartView()
{
    downloadUrl(chartUrl.url(currentStockCode(), ui->cbbChartSet->currentIndex()));
}

void TStockChartForm::chartDownloadFinished(QNetworkReply* reply)
{
    // Read once and done with: a window kept open for days must not collect
    // one reply per chart it ever showed.
    reply->deleteLater();
    if (reply != latestReply)
        return;
    // Anything that is not a readable GIF of a sensible size leaves the last
    // good chart showing.
    const QImage loaded = web::readImage(web::body(reply), "GIF", web::CHART_MAX_PIXELS);
    if (loaded.isNull())
        return;
    pixmap = QPixmap::fromImage(loaded);
    drawChart(pixmap, ui->wdtChart->size());
}

void TStockChartForm::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    drawChart(pixmap, ui->wdtChart->size());
}

void TStockChartForm::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    // The form's own font arrives while the form is being built, before
    // the boxes exist (make_unique leaves their pointers null).
    if (event->type() == QEvent::FontChange && ui->cbbChartSet)
        fitBoxesToTexts();
}

void TStockChartForm::fitBoxesToTexts()
{
    // A combo box keeps the minimum size it measured in the font it had
    // first, so at a larger window font the layout squeezes it below its
    // texts; the minimum is measured here in the font it has now.
    for (QComboBox* box : {ui->cbbStockNum, ui->cbbChartSet}) {
        const QFontMetrics metrics = box->fontMetrics();
        int widest = metrics.horizontalAdvance(box->currentText());
        for (int i = 0; i < box->count(); ++i)
            widest = qMax(widest, metrics.horizontalAdvance(box->itemText(i)));
        QStyleOptionComboBox option;
        option.initFrom(box);
        option.editable = box->isEditable();
        option.frame = box->hasFrame();
        const QSize needed = box->style()->sizeFromContents(QStyle::CT_ComboBox, &option,
                                                            QSize(widest, metrics.height()), box);
        box->setMinimumWidth(needed.width());
    }
}

QString TStockChartForm::currentStockCode() const
{
    return ui->cbbStockNum->currentText();
}

void TStockChartForm::downloadUrl(const QString& url)
{
    request.setUrl(QUrl(url));
    latestReply = web::get(*manager, request, web::CHART_MAX_BYTES);
}

void TStockChartForm::drawChart(const QPixmap& image, const QSize& size)
{
    // Until a chart has arrived the area keeps its plain background.
    if (image.isNull() || size.isEmpty())
        return;
    // Always from the image as received, so shrinking and growing the window
    // costs no quality.
    const QPixmap scaled = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QPalette palette;
    palette.setBrush(QPalette::All, ui->wdtChart->backgroundRole(), QBrush(scaled));
    ui->wdtChart->setAutoFillBackground(true);
    ui->wdtChart->setPalette(palette);
}
