#include "capture/HotKeyConfig.h"

#include <gtest/gtest.h>

#include <set>

using namespace HotKeyConfig;

TEST(HotKeyConfigTest, LabelsListModifiersInTheDesktopsOrder)
{
    EXPECT_EQ(display(defaultModifiers, defaultLabel), "Shift+Super+2");
    EXPECT_EQ(display(documentModifiers, documentLabel), "Ctrl+Shift+O");
    EXPECT_EQ(display(control | option | command, "T"), "Ctrl+Alt+Super+T");
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
