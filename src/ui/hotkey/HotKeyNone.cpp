#include "ui/GlobalHotKey.h"

// A platform without global keys (or a build without its libraries).
namespace {
class TNoHotKey : public THotKeyBackend
{
public:
    TGlobalHotKey::State grab(QKeyCombination) override
    {
        return TGlobalHotKey::State::Unsupported;
    }
    void release() override {}
};
} // namespace

std::unique_ptr<THotKeyBackend> makeHotKeyBackend(std::function<void()>)
{
    return std::make_unique<TNoHotKey>();
}
