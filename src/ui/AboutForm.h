#pragma once

#include <QDialog>
#include <QString>

#include <memory>

class Ui_TAboutForm;

// The about box: name, version, copyright, licence, release date, and links
// to the maker's site and mail address.
class TAboutForm : public QDialog
{
    Q_OBJECT
public:
    explicit TAboutForm(QWidget* parent = nullptr);
    ~TAboutForm() override;

public slots:
    // Both open their fixed address whatever the link carried, so a label
    // text can never send the user elsewhere.
    void gotoSite(const QString& link);
    void gotoMail(const QString& link);

private:
    void fillLabels();

    std::unique_ptr<Ui_TAboutForm> ui;
};
