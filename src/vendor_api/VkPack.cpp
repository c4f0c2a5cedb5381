#include "vendor_api/VkPack.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QWidget>

#include <optional>

namespace {
struct MessageBoxSeam
{
    std::optional<bool> nextAnswer;
    QList<vk::MessageBoxRecord> asked;
};

MessageBoxSeam& seam()
{
    static MessageBoxSeam instance;
    return instance;
}

// The rectangle of `widget` in global coordinates, its frame included.
QRect globalFrame(const QWidget* widget)
{
    if (widget->isWindow())
        return widget->frameGeometry();
    return QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size());
}
} // namespace

namespace vk {

bool messageBox(QMessageBox::Icon icon, const QString& title, const QString& text,
                const QString& button1, const QString& button2, QWidget* parent)
{
    MessageBoxSeam& s = seam();
    s.asked.append({icon, title, text, button1, button2});
    if (s.asked.size() > 64)
        s.asked.removeFirst();
    if (s.nextAnswer) {
        const bool answer = *s.nextAnswer;
        s.nextAnswer.reset();
        return answer;
    }

    QMessageBox box(icon, title, text, QMessageBox::NoButton, parent);
    QPushButton* first = box.addButton(button1, QMessageBox::AcceptRole);
    // A notice without a choice has its one button.
    QPushButton* second =
        button2.isEmpty() ? first : box.addButton(button2, QMessageBox::RejectRole);
    box.setDefaultButton(first);
    box.setEscapeButton(second);
    box.exec();
    return box.clickedButton() == first;
}

void setNextMessageBoxAnswer(bool firstButton)
{
    seam().nextAnswer = firstButton;
}

QList<MessageBoxRecord> askedMessageBoxes()
{
    return seam().asked;
}

void clearAskedMessageBoxes()
{
    seam().asked.clear();
}

void moveCenter(QWidget* widget, QWidget* reference)
{
    if (!widget)
        return;
    QRect area;
    if (reference) {
        area = globalFrame(reference);
    } else {
        // The desktop is the free area of the widget's screen.
        QScreen* screen = widget->screen();
        if (!screen)
            screen = QGuiApplication::primaryScreen();
        if (!screen)
            return;
        area = screen->availableGeometry();
    }

    QRect frame = globalFrame(widget);
    frame.moveCenter(area.center());
    // A window's position is its frame's; a child's is in its parent's terms.
    if (widget->isWindow())
        widget->move(frame.topLeft());
    else
        widget->move(widget->parentWidget()->mapFromGlobal(frame.topLeft()));
}

void openUrl(const QString& url)
{
    QDesktopServices::openUrl(QUrl(url));
}

} // namespace vk
