#include "capture/HotKeyConfig.h"

#include <array>
#include <limits>

namespace HotKeyConfig {
namespace {
// Qt::Key values of the non-character keys, spelled out so the core needs no Qt.
constexpr int qtEscape = 0x01000000, qtTab = 0x01000001, qtBackspace = 0x01000003, qtReturn = 0x01000004,
              qtEnter = 0x01000005, qtDelete = 0x01000007, qtClear = 0x0100000b, qtHome = 0x01000010,
              qtEnd = 0x01000011, qtLeft = 0x01000012, qtUp = 0x01000013, qtRight = 0x01000014, qtDown = 0x01000015,
              qtPageUp = 0x01000016, qtPageDown = 0x01000017, qtF1 = 0x01000030, qtHelp = 0x01000058;
constexpr std::uint32_t xkF1 = 0xffbe;

constexpr Key mainKey(std::uint32_t code, char ch)
{
    // Letters: the keysym is the lower-case letter, the Qt key the upper-case one; other printable keys share
    // their ASCII value.
    const bool letter = ch >= 'a' && ch <= 'z';
    return Key{code, static_cast<std::uint32_t>(ch), letter ? ch - 'a' + 'A' : ch, false};
}
constexpr Key functionKey(std::uint32_t code, int n)
{
    return Key{code, xkF1 + n - 1, qtF1 + n - 1, false};
}
constexpr Key padKey(std::uint32_t code, std::uint32_t keysym, int qtKey)
{
    return Key{code, keysym, qtKey, true};
}

// The key codes of a US keyboard's keys; the ISO section key (10) has no fixed keysym and is left out.
constexpr std::array keys{
    mainKey(0, 'a'),
    mainKey(1, 's'),
    mainKey(2, 'd'),
    mainKey(3, 'f'),
    mainKey(4, 'h'),
    mainKey(5, 'g'),
    mainKey(6, 'z'),
    mainKey(7, 'x'),
    mainKey(8, 'c'),
    mainKey(9, 'v'),
    mainKey(11, 'b'),
    mainKey(12, 'q'),
    mainKey(13, 'w'),
    mainKey(14, 'e'),
    mainKey(15, 'r'),
    mainKey(16, 'y'),
    mainKey(17, 't'),
    mainKey(18, '1'),
    mainKey(19, '2'),
    mainKey(20, '3'),
    mainKey(21, '4'),
    mainKey(22, '6'),
    mainKey(23, '5'),
    mainKey(24, '='),
    mainKey(25, '9'),
    mainKey(26, '7'),
    mainKey(27, '-'),
    mainKey(28, '8'),
    mainKey(29, '0'),
    mainKey(30, ']'),
    mainKey(31, 'o'),
    mainKey(32, 'u'),
    mainKey(33, '['),
    mainKey(34, 'i'),
    mainKey(35, 'p'),
    Key{36, 0xff0d, qtReturn, false},
    mainKey(37, 'l'),
    mainKey(38, 'j'),
    mainKey(39, '\''),
    mainKey(40, 'k'),
    mainKey(41, ';'),
    mainKey(42, '\\'),
    mainKey(43, ','),
    mainKey(44, '/'),
    mainKey(45, 'n'),
    mainKey(46, 'm'),
    mainKey(47, '.'),
    Key{48, 0xff09, qtTab, false},
    mainKey(49, ' '),
    mainKey(50, '`'),
    Key{51, 0xff08, qtBackspace, false},
    Key{53, 0xff1b, qtEscape, false},
    functionKey(64, 17),
    padKey(65, 0xffae, '.'),
    padKey(67, 0xffaa, '*'),
    padKey(69, 0xffab, '+'),
    padKey(71, 0xff0b, qtClear),
    padKey(75, 0xffaf, '/'),
    padKey(76, 0xff8d, qtEnter),
    padKey(78, 0xffad, '-'),
    functionKey(79, 18),
    functionKey(80, 19),
    padKey(81, 0xffbd, '='),
    padKey(82, 0xffb0, '0'),
    padKey(83, 0xffb1, '1'),
    padKey(84, 0xffb2, '2'),
    padKey(85, 0xffb3, '3'),
    padKey(86, 0xffb4, '4'),
    padKey(87, 0xffb5, '5'),
    padKey(88, 0xffb6, '6'),
    padKey(89, 0xffb7, '7'),
    functionKey(90, 20),
    padKey(91, 0xffb8, '8'),
    padKey(92, 0xffb9, '9'),
    functionKey(96, 5),
    functionKey(97, 6),
    functionKey(98, 7),
    functionKey(99, 3),
    functionKey(100, 8),
    functionKey(101, 9),
    functionKey(103, 11),
    functionKey(105, 13),
    functionKey(106, 16),
    functionKey(107, 14),
    functionKey(109, 10),
    functionKey(111, 12),
    functionKey(113, 15),
    Key{114, 0xff6a, qtHelp, false},
    Key{115, 0xff50, qtHome, false},
    Key{116, 0xff55, qtPageUp, false},
    Key{117, 0xffff, qtDelete, false},
    functionKey(118, 4),
    Key{119, 0xff57, qtEnd, false},
    functionKey(120, 2),
    Key{121, 0xff56, qtPageDown, false},
    functionKey(122, 1),
    Key{123, 0xff51, qtLeft, false},
    Key{124, 0xff53, qtRight, false},
    Key{125, 0xff54, qtDown, false},
    Key{126, 0xff52, qtUp, false},
};
} // namespace

std::uint32_t storedValue(long long stored)
{
    if (stored < 0 || stored > static_cast<long long>(std::numeric_limits<std::uint32_t>::max()))
        return 0;
    return static_cast<std::uint32_t>(stored);
}

std::string modifierNames(std::uint32_t modifiers)
{
    std::string out;
    if (modifiers & control)
        out += "Ctrl+";
    if (modifiers & option)
        out += "Alt+";
    if (modifiers & shift)
        out += "Shift+";
    if (modifiers & command)
        out += "Super+";
    return out;
}

std::string display(std::uint32_t modifiers, std::string_view label)
{
    return modifierNames(modifiers) + std::string(label.empty() ? std::string_view("?") : label);
}

std::optional<std::string_view> takenBy(std::uint32_t keyCode, std::uint32_t modifiers)
{
    struct Taken
    {
        std::uint32_t keyCode;
        std::uint32_t modifiers;
        std::string_view command;
    };
    // Only the four modifier bits count: a stored value may carry others, which the grab ignores too.
    static constexpr std::array taken{
        Taken{documentKeyCode, documentModifiers, "OCR a Document…"},
        Taken{31, control, "Open in the document window"},  // Ctrl+O
        Taken{1, control, "Export in the document window"}, // Ctrl+S
        Taken{13, control, "Close in the document window"}, // Ctrl+W
    };
    for (const Taken& t : taken)
        if (t.keyCode == keyCode && t.modifiers == (modifiers & allModifiers))
            return t.command;
    return std::nullopt;
}

std::uint32_t carbonModifiers(std::uint32_t qtFlags)
{
    std::uint32_t bits = 0;
    if (qtFlags & QtFlag::control)
        bits |= control;
    if (qtFlags & QtFlag::alt)
        bits |= option;
    if (qtFlags & QtFlag::shift)
        bits |= shift;
    if (qtFlags & QtFlag::meta)
        bits |= command;
    return bits;
}

std::optional<Key> key(std::uint32_t keyCode)
{
    for (const Key& k : keys)
        if (k.keyCode == keyCode)
            return k;
    return std::nullopt;
}

std::optional<std::uint32_t> keyCodeForQtKey(int qtKey, bool keypad)
{
    if (qtKey >= 'a' && qtKey <= 'z')
        qtKey -= 'a' - 'A';
    for (const Key& k : keys)
        if (k.qtKey == qtKey && k.keypad == keypad)
            return k.keyCode;
    // Keys that exist only once (Enter, Clear) may come without the keypad flag, and the reverse.
    for (const Key& k : keys)
        if (k.qtKey == qtKey)
            return k.keyCode;
    return std::nullopt;
}
} // namespace HotKeyConfig
