#pragma once

#include <QString>

class QWidget;

// The program's only file question goes through here so that tests can
// answer it without a person, as they answer message boxes.
namespace fileDialog {

QString getOpenFileName(QWidget* parent, const QString& caption, const QString& dir,
                        const QString& filter);

// The next getOpenFileName returns `name` at once, without a dialog
// (an empty name answers as a cancelled dialog). One use only.
void setNextOpenFileName(const QString& name);

} // namespace fileDialog
