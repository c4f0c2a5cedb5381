#include "ui/GlobalHotKey.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>

#include <windows.h>

// Windows: a hot key of the thread; WM_HOTKEY comes without a window and Qt
// hands it to the native event filters like every other message.
namespace {

UINT virtualKey(Qt::Key key)
{
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return UINT(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return VK_F1 + UINT(key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Space:
        return VK_SPACE;
    case Qt::Key_Escape:
        return VK_ESCAPE;
    case Qt::Key_Tab:
        return VK_TAB;
    case Qt::Key_Backspace:
        return VK_BACK;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return VK_RETURN;
    case Qt::Key_Insert:
        return VK_INSERT;
    case Qt::Key_Delete:
        return VK_DELETE;
    case Qt::Key_Pause:
        return VK_PAUSE;
    case Qt::Key_Print:
        return VK_SNAPSHOT;
    case Qt::Key_Home:
        return VK_HOME;
    case Qt::Key_End:
        return VK_END;
    case Qt::Key_Left:
        return VK_LEFT;
    case Qt::Key_Up:
        return VK_UP;
    case Qt::Key_Right:
        return VK_RIGHT;
    case Qt::Key_Down:
        return VK_DOWN;
    case Qt::Key_PageUp:
        return VK_PRIOR;
    case Qt::Key_PageDown:
        return VK_NEXT;
    default:
        return 0;
    }
}

UINT modifierFlags(Qt::KeyboardModifiers modifiers)
{
    // A held key would repeat its presses; one hold is one press.
    UINT flags = MOD_NOREPEAT;
    if (modifiers & Qt::ShiftModifier)
        flags |= MOD_SHIFT;
    if (modifiers & Qt::ControlModifier)
        flags |= MOD_CONTROL;
    if (modifiers & Qt::AltModifier)
        flags |= MOD_ALT;
    if (modifiers & Qt::MetaModifier)
        flags |= MOD_WIN;
    return flags;
}

class TWindowsHotKey : public THotKeyBackend, public QAbstractNativeEventFilter
{
public:
    explicit TWindowsHotKey(std::function<void()> pressed) : pressed(std::move(pressed))
    {
        // Each object its own number, so that two never release each other's.
        static int next = 0;
        id = ++next;
    }
    ~TWindowsHotKey() override { release(); }

    TGlobalHotKey::State grab(QKeyCombination key) override
    {
        const UINT code = virtualKey(key.key());
        if (!code)
            return TGlobalHotKey::State::Unsupported;
        if (!RegisterHotKey(nullptr, id, modifierFlags(key.keyboardModifiers()), code))
            return TGlobalHotKey::State::Taken;
        registered = true;
        QCoreApplication::instance()->installNativeEventFilter(this);
        return TGlobalHotKey::State::Active;
    }

    void release() override
    {
        if (!registered)
            return;
        QCoreApplication::instance()->removeNativeEventFilter(this);
        UnregisterHotKey(nullptr, id);
        registered = false;
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override
    {
        if (eventType != "windows_generic_MSG")
            return false;
        const auto* msg = static_cast<MSG*>(message);
        if (msg->message != WM_HOTKEY || int(msg->wParam) != id)
            return false;
        pressed();
        return true;
    }

private:
    std::function<void()> pressed;
    int id = 0;
    bool registered = false;
};

} // namespace

std::unique_ptr<THotKeyBackend> makeHotKeyBackend(std::function<void()> pressed)
{
    return std::make_unique<TWindowsHotKey>(std::move(pressed));
}
