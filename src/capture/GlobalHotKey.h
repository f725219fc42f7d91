#pragma once

#include <cstdint>
#include <functional>

// A system-wide keyboard shortcut. Implementations: capture/x11/HotKey.h; others answer nothing.
class GlobalHotKey
{
public:
    virtual ~GlobalHotKey() = default;
    // Registers the shortcut, replacing this object's earlier one; `handler` then runs on the main thread at each
    // press. A combination the system refuses (another program holds it) is not reported: it just does nothing.
    virtual void registerKey(std::uint32_t keyCode, std::uint32_t modifiers, std::function<void()> handler) = 0;
    virtual void unregister() = 0;
};

// For sessions without a global shortcut service: the user starts `ambrel` again instead.
class NullGlobalHotKey final : public GlobalHotKey
{
public:
    void registerKey(std::uint32_t, std::uint32_t, std::function<void()>) override {}
    void unregister() override {}
};
