#pragma once

#include "capture/HotKeyConfig.h"

#include <QObject>

#include <cstdint>
#include <string>
#include <string_view>

// The capture shortcut as the settings store holds it ("hotkeyKeyCode", "hotkeyModifiers", "hotkeyLabel").
namespace HotKeyConfig {
std::uint32_t keyCode();
std::uint32_t modifiers();
std::string label();
// The stored shortcut as the program shows it, "Shift+Super+2" by default.
std::string display();
// The "OCR a Document…" shortcut as the program shows it: "Ctrl+Shift+O".
std::string documentDisplay();
// Stores a new shortcut, all three keys, then announces it through HotKeyNotifier::hotKeyChanged.
void set(std::uint32_t keyCode, std::uint32_t modifiers, std::string_view label);
} // namespace HotKeyConfig

// Carries the "AmbrelHotKeyChanged" notification: the one setting whose change is announced, so the running
// shortcut can be registered again.
class HotKeyNotifier : public QObject
{
    Q_OBJECT

public:
    static HotKeyNotifier& instance();

signals:
    void hotKeyChanged();
};
