#pragma once

#include <QKeySequence>
#include <QObject>

#include <functional>
#include <memory>

class THotKeyBackend;

// One key combination that reaches the program whatever window has the
// focus, its own or another program's. Each platform's part lives in a file
// of its own under hotkey/.
class TGlobalHotKey : public QObject
{
    Q_OBJECT
public:
    enum class State
    {
        Off,         // no key asked for
        Active,      // pressing the key emits pressed()
        Taken,       // another program holds the key
        Unsupported, // the desktop offers no global keys, or not this one
    };

    explicit TGlobalHotKey(QObject* parent = nullptr);
    ~TGlobalHotKey() override;

    // Lets go of the previous key, then takes the first combination of `key`.
    State setKey(const QKeySequence& key);
    State state() const { return current; }

signals:
    void pressed();

private:
    std::unique_ptr<THotKeyBackend> backend;
    State current = State::Off;
};

// What a platform provides; one implementation is built per platform.
class THotKeyBackend
{
public:
    virtual ~THotKeyBackend() = default;
    virtual TGlobalHotKey::State grab(QKeyCombination key) = 0;
    virtual void release() = 0;
};

std::unique_ptr<THotKeyBackend> makeHotKeyBackend(std::function<void()> pressed);
