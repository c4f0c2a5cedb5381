#pragma once

#include <QDialog>

#include <memory>

class QLabel;
class TConfig;
class Ui_TOptionForm;

// Fonts and refresh interval. Nothing reaches the store until "确定".
class TOptionForm : public QDialog
{
    Q_OBJECT
public:
    explicit TOptionForm(QWidget* parent = nullptr);
    ~TOptionForm() override;

    void setConfig(TConfig* config);

public slots:
    void ok();
    void uiFontDialog();
    void marketFontDialog();

private:
    void chooseFont(QLabel* preview, const QString& title);

    std::unique_ptr<Ui_TOptionForm> ui;
    TConfig* config = nullptr;
};
