#include "capture/HotKeyConfig.h"

#include <gtest/gtest.h>

#include <set>

using namespace HotKeyConfig;

TEST(HotKeyConfigTest, LabelsListModifiersInTheDesktopsOrder)
{
    EXPECT_EQ(display(defaultModifiers, defaultLabel), "Shift+Super+2");
    EXPECT_EQ(display(documentModifiers, documentLabel), "Ctrl+Shift+O");
    EXPECT_EQ(display(control | option | command, "T"), "Ctrl+Alt+Super+T");
    EXPECT_EQ(display(command | shift | option | control, "A"), "Ctrl+Alt+Shift+Super+A");
    EXPECT_EQ(display(option | shift, "A"), "Alt+Shift+A");
    EXPECT_EQ(display(shift, ""), "Shift+?");
    EXPECT_EQ(display(0, "F5"), "F5");
    EXPECT_EQ(modifierNames(1u << 16 | 1u), ""); // bits outside the four are not modifiers
}

TEST(HotKeyConfigTest, CombinationsOfOtherCommandsAreTaken)
{
    EXPECT_EQ(takenBy(documentKeyCode, documentModifiers), "OCR a Document…");
    EXPECT_EQ(takenBy(documentKeyCode, documentModifiers | 1u << 16), "OCR a Document…"); // stray bits ignored
    EXPECT_TRUE(takenBy(1, control));                                                     // Ctrl+S: export
    EXPECT_FALSE(takenBy(documentKeyCode, control | option));
    EXPECT_FALSE(takenBy(defaultKeyCode, defaultModifiers));
    EXPECT_FALSE(takenBy(1, control | shift));
}

TEST(HotKeyConfigTest, StoredValuesOutOfRangeReadAsZero)
{
    EXPECT_EQ(storedValue(-1), 0u);
    EXPECT_EQ(storedValue(768), 768u);
    EXPECT_EQ(storedValue(4294967295LL), 4294967295u);
    EXPECT_EQ(storedValue(4294967296LL), 0u);
}

TEST(HotKeyConfigTest, QtFlagsConvertToModifierBits)
{
    EXPECT_EQ(carbonModifiers(QtFlag::meta | QtFlag::shift), 768u);
    EXPECT_EQ(carbonModifiers(QtFlag::alt | QtFlag::shift), option | shift);
    EXPECT_EQ(carbonModifiers(QtFlag::control), control);
    EXPECT_EQ(carbonModifiers(0x20000000 | 0x40000000), 0u); // keypad and group switch are ignored
}

TEST(HotKeyConfigTest, KeyTableMapsStoredCodesToKeysyms)
{
    ASSERT_TRUE(key(19));
    EXPECT_EQ(key(19)->keysym, static_cast<std::uint32_t>('2'));
    EXPECT_EQ(key(19)->qtKey, '2');
    EXPECT_EQ(key(0)->keysym, static_cast<std::uint32_t>('a')); // X11 letters are lower-case keysyms
    EXPECT_EQ(key(0)->qtKey, 'A');
    EXPECT_EQ(key(escapeKeyCode)->keysym, 0xff1bu);
    EXPECT_EQ(key(122)->keysym, 0xffbeu); // F1
    EXPECT_EQ(key(111)->keysym, 0xffc9u); // F12
    EXPECT_EQ(key(84)->keysym, 0xffb2u);  // keypad 2, not the main row's 2
    EXPECT_FALSE(key(10));
    EXPECT_FALSE(key(127));
}

TEST(HotKeyConfigTest, KeyTableHasNoDuplicatesAndRoundTripsThroughQtKeys)
{
    std::set<std::uint32_t> keysyms;
    int count = 0;
    for (std::uint32_t code = 0; code < 128; ++code) {
        const auto k = key(code);
        if (!k)
            continue;
        ++count;
        EXPECT_TRUE(keysyms.insert(k->keysym).second) << "keysym twice for code " << code;
        EXPECT_EQ(keyCodeForQtKey(k->qtKey, k->keypad), code) << code;
    }
    EXPECT_GE(count, 100);
    EXPECT_EQ(keyCodeForQtKey('a', false), 0u);
    EXPECT_EQ(keyCodeForQtKey('2', true), 84u);
    EXPECT_FALSE(keyCodeForQtKey(0x01001103, false));
}
