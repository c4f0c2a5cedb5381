#include "core/FileDialog.h"

#include <QFileDialog>

#include <optional>

namespace {
std::optional<QString>& nextName()
{
    static std::optional<QString> name;
    return name;
}
} // namespace

namespace fileDialog {

QString getOpenFileName(QWidget* parent, const QString& caption, const QString& dir,
                        const QString& filter)
{
    if (std::optional<QString> answer = std::exchange(nextName(), std::nullopt))
        return *answer;
    return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}

void setNextOpenFileName(const QString& name)
{
    nextName() = name;
}

} // namespace fileDialog
