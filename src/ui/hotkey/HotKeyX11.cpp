#include "ui/GlobalHotKey.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <vector>

// X11: the key is grabbed on the root window, so the server sends it to this
// program whichever window has the focus; Qt hands the event to a native
// event filter before anything else sees it. A Wayland session (or the
// offscreen platform) has no X connection and offers no global keys.
namespace {

// The lock modifiers change the state a key arrives with: the grab is made
// with each combination of them, and they are ignored when the key comes.
constexpr uint16_t NUM_LOCK = XCB_MOD_MASK_2;
constexpr uint16_t LOCKS[] = {0, XCB_MOD_MASK_LOCK, NUM_LOCK, XCB_MOD_MASK_LOCK | NUM_LOCK};
constexpr uint16_t MEANINGFUL =
    XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;

uint16_t modifierMask(Qt::KeyboardModifiers modifiers)
{
    uint16_t mask = 0;
    if (modifiers & Qt::ShiftModifier)
        mask |= XCB_MOD_MASK_SHIFT;
    if (modifiers & Qt::ControlModifier)
        mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers & Qt::AltModifier)
        mask |= XCB_MOD_MASK_1;
    if (modifiers & Qt::MetaModifier)
        mask |= XCB_MOD_MASK_4;
    return mask;
}

// The X key symbol of a Qt key; 0 for one this program does not offer.
uint32_t keySymbol(Qt::Key key)
{
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return uint32_t(key - Qt::Key_A + 'a');
    if (key >= Qt::Key_Space && key <= Qt::Key_AsciiTilde)
        return uint32_t(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35)
        return 0xffbe + uint32_t(key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Escape:
        return 0xff1b;
    case Qt::Key_Tab:
        return 0xff09;
    case Qt::Key_Backspace:
        return 0xff08;
    case Qt::Key_Return:
        return 0xff0d;
    case Qt::Key_Enter:
        return 0xff8d;
    case Qt::Key_Insert:
        return 0xff63;
    case Qt::Key_Delete:
        return 0xffff;
    case Qt::Key_Pause:
        return 0xff13;
    case Qt::Key_Print:
        return 0xff61;
    case Qt::Key_Home:
        return 0xff50;
    case Qt::Key_Left:
        return 0xff51;
    case Qt::Key_Up:
        return 0xff52;
    case Qt::Key_Right:
        return 0xff53;
    case Qt::Key_Down:
        return 0xff54;
    case Qt::Key_PageUp:
        return 0xff55;
    case Qt::Key_PageDown:
        return 0xff56;
    case Qt::Key_End:
        return 0xff57;
    default:
        return 0;
    }
}

xcb_keycode_t keyCode(xcb_connection_t* connection, uint32_t symbol)
{
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    xcb_get_keyboard_mapping_reply_t* reply = xcb_get_keyboard_mapping_reply(
        connection, xcb_get_keyboard_mapping(connection, setup->min_keycode, uint8_t(count)),
        nullptr);
    if (!reply)
        return 0;
    const xcb_keysym_t* symbols = xcb_get_keyboard_mapping_keysyms(reply);
    const int perCode = reply->keysyms_per_keycode;
    xcb_keycode_t found = 0;
    for (int code = 0; code < count && !found; ++code) {
        for (int column = 0; column < perCode; ++column) {
            if (symbols[code * perCode + column] == symbol) {
                found = xcb_keycode_t(setup->min_keycode + code);
                break;
            }
        }
    }
    free(reply);
    return found;
}

class TX11HotKey : public THotKeyBackend, public QAbstractNativeEventFilter
{
public:
    explicit TX11HotKey(std::function<void()> pressed) : pressed(std::move(pressed))
    {
        if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>())
            connection = x11->connection();
    }
    ~TX11HotKey() override { release(); }

    TGlobalHotKey::State grab(QKeyCombination key) override
    {
        if (!connection)
            return TGlobalHotKey::State::Unsupported;
        const uint32_t symbol = keySymbol(key.key());
        code = symbol ? keyCode(connection, symbol) : 0;
        if (!code)
            return TGlobalHotKey::State::Unsupported;
        modifiers = modifierMask(key.keyboardModifiers());
        root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        std::vector<xcb_void_cookie_t> cookies;
        for (uint16_t lock : LOCKS)
            cookies.push_back(xcb_grab_key_checked(connection, 1, root, modifiers | lock, code,
                                                   XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        bool taken = false;
        for (xcb_void_cookie_t cookie : cookies) {
            if (xcb_generic_error_t* error = xcb_request_check(connection, cookie)) {
                taken = true;
                free(error);
            }
        }
        if (taken) {
            release();
            return TGlobalHotKey::State::Taken;
        }
        QCoreApplication::instance()->installNativeEventFilter(this);
        return TGlobalHotKey::State::Active;
    }

    void release() override
    {
        if (!connection || !code)
            return;
        QCoreApplication::instance()->removeNativeEventFilter(this);
        for (uint16_t lock : LOCKS)
            xcb_ungrab_key(connection, code, root, modifiers | lock);
        xcb_flush(connection);
        code = 0;
        down = false;
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override
    {
        if (eventType != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<xcb_generic_event_t*>(message);
        const uint8_t type = event->response_type & 0x7f;
        if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
            return false;
        const auto* key = static_cast<xcb_key_press_event_t*>(message);
        if (key->detail != code)
            return false;
        if (type == XCB_KEY_RELEASE) {
            // People often let go of Ctrl and Alt before the key itself, so
            // the release comes without the modifiers: it still ends the hold,
            // or the key would work once only.
            const bool held = down;
            down = false;
            return held;
        }
        if ((key->state & MEANINGFUL) != modifiers)
            return false;
        // A held key repeats its presses; one hold is one press.
        if (!down) {
            down = true;
            pressed();
        }
        return true;
    }

private:
    std::function<void()> pressed;
    xcb_connection_t* connection = nullptr;
    xcb_window_t root = 0;
    xcb_keycode_t code = 0;
    uint16_t modifiers = 0;
    bool down = false;
};

} // namespace

std::unique_ptr<THotKeyBackend> makeHotKeyBackend(std::function<void()> pressed)
{
    return std::make_unique<TX11HotKey>(std::move(pressed));
}
