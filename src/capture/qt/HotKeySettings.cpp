#include "capture/qt/HotKeySettings.h"

#include "store/qt/SettingsStore.h"

namespace HotKeyConfig {
std::uint32_t keyCode()
{
    return storedValue(Settings::integer(Settings::Key::hotkeyKeyCode));
}

std::uint32_t modifiers()
{
    return storedValue(Settings::integer(Settings::Key::hotkeyModifiers));
}

std::string label()
{
    return Settings::string(Settings::Key::hotkeyLabel);
}

std::string display()
{
    return display(modifiers(), label());
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
