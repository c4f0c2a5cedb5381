#pragma once

#include "settings/Settings.h"

#include <QDialog>

#include <memory>

class TGlobalHotKey;
class Ui_TMoreSettingsForm;

// The boss key, the window's opacity, the start with the session and the
// number in the tray. The opacity shows on the window and a new key is taken
// while the dialog is open; "取消" puts both back, and nothing else changes
// before "确定".
class TMoreSettingsForm : public QDialog
{
    Q_OBJECT
public:
    // `window` is the main window, whose opacity the slider shows.
    TMoreSettingsForm(TSettings* settings, TGlobalHotKey* bossKey, QWidget* window);
    ~TMoreSettingsForm() override;

    // Whether windows can be made see-through here.
    static bool translucencyAvailable();

public slots:
    void ok();
    void reject() override;

signals:
    // After "确定" stored the values.
    void settingsChanged();

private:
    void takeKey(const QKeySequence& key);
    void showOpacity(int percent);

    std::unique_ptr<Ui_TMoreSettingsForm> ui;
    TSettings* settings;
    TGlobalHotKey* bossKey;
    QWidget* window;
};
