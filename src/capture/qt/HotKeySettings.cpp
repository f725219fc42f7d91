#include "capture/qt/HotKeySettings.h"

#include "store/qt/SettingsStore.h"
#include "ui/qt/HotKeyRecorder.h"

namespace HotKeyConfig {
std::uint32_t keyCode()
{
    // A code of no key could never be grabbed: like any bad value, it gives way to the default.
    const std::uint32_t stored = storedValue(Settings::integer(Settings::Key::hotkeyKeyCode));
    return key(stored) ? stored : defaultKeyCode;
}

std::uint32_t modifiers()
{
    // Without a modifier the shortcut would take a plain key from every program; unknown bits name no key.
    const std::uint32_t stored = storedValue(Settings::integer(Settings::Key::hotkeyModifiers));
    return (stored & allModifiers) != 0 && (stored & ~allModifiers) == 0 ? stored : defaultModifiers;
}

std::string label()
{
    return Settings::string(Settings::Key::hotkeyLabel);
}

std::string display()
{
    // Made from the key that is registered, never from the stored label, which a hand-edited file can set apart.
    return display(modifiers(), HotKeyRecorder::labelOf(keyCode()).toStdString());
}

std::string documentDisplay()
{
    return display(documentModifiers, documentLabel);
}

void set(std::uint32_t keyCode, std::uint32_t modifiers, std::string_view label)
{
    Settings::set(Settings::Key::hotkeyKeyCode, static_cast<long long>(keyCode));
    Settings::set(Settings::Key::hotkeyModifiers, static_cast<long long>(modifiers));
    Settings::set(Settings::Key::hotkeyLabel, label);
    emit HotKeyNotifier::instance().hotKeyChanged();
}
} // namespace HotKeyConfig

HotKeyNotifier& HotKeyNotifier::instance()
{
    static HotKeyNotifier* notifier = new HotKeyNotifier; // lives as long as the process
    return *notifier;
}
