#pragma once

#include <QDialog>
#include <QNetworkRequest>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>

class QEvent;
class QNetworkAccessManager;
class QNetworkReply;
class QResizeEvent;
class QSize;
class QStringListModel;
class Ui_TStockChartForm;

// Builds the address of one chart image: the service's root, the kind's
// path, the code, ".gif".
class TChartUrl
{
public:
    // A kind outside the table gives the code and ".gif" alone.
    QString url(const QString& code, int kind) const;
};

// Shows one ready-made chart image for a code and a chart kind, stretched
// over the chart area. Lives as long as the main window; hiding it keeps the
// boxes and the last image.
class TStockChartForm : public QDialog
{
    Q_OBJECT
public:
    explicit TStockChartForm(QWidget* parent = nullptr);
    ~TStockChartForm() override;

    // Refills the code box; selecting the first code requests its chart,
    // also while the window is hidden.
    void setStockList(const QStringList& list);

    // Read access for tests and tools: the replies in flight are its children.
    QNetworkAccessManager* networkManager() const { return manager.get(); }

public slots:
    void chartView();
    void chartDownloadFinished(QNetworkReply* reply);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The boxes at least as wide as their texts in the current font.
    void fitBoxesToTexts();
    QString currentStockCode() const;
    void downloadUrl(const QString& url);
    void drawChart(const QPixmap& image, const QSize& size);

    std::unique_ptr<Ui_TStockChartForm> ui;
    std::unique_ptr<QNetworkAccessManager> manager;
    QStringListModel* codes = nullptr; // the code box's, owned by the box
    QNetworkRequest request;           // reused for every chart
    QPixmap pixmap;                    // the last good chart as received, empty until one arrives
    TChartUrl chartUrl;
    // Only the answer to the newest request may change the picture, so the
    // chart always matches what the boxes show.
    QPointer<QNetworkReply> latestReply;
};
