#include "ui/GlobalHotKey.h"

TGlobalHotKey::TGlobalHotKey(QObject* parent)
    : QObject(parent), backend(makeHotKeyBackend([this] { emit pressed(); }))
{
}

TGlobalHotKey::~TGlobalHotKey()
{
    backend->release();
}

TGlobalHotKey::State TGlobalHotKey::setKey(const QKeySequence& key)
{
    backend->release();
    current = key.isEmpty() ? State::Off : backend->grab(key[0]);
    return current;
}
