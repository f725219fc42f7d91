#include "store/History.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace {
std::string idOf(int n)
{
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "00000000-0000-4000-8000-%012d", n);
    return buffer;
}

// Adds "t0", "t1", … so that the last added is newest, the first item.
std::vector<HistoryItem> history(int count)
{
    std::vector<HistoryItem> items;
    for (int i = 0; i < count; ++i)
        History::add(items, "t" + std::to_string(i), false, idOf(i), i);
    return items;
}
} // namespace

TEST(HistoryTest, AddTrimsAndSkipsOnlyARepeatOfTheNewest)
{
    std::vector<HistoryItem> items;
    EXPECT_TRUE(History::add(items, "\u2003 word \u00a0\n", false, idOf(1), 10));
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].text, "word");
    EXPECT_EQ(items[0].date, 10);
    EXPECT_FALSE(items[0].pinned);

    EXPECT_FALSE(History::add(items, "word", true, idOf(2), 11));
    EXPECT_EQ(items[0].id, idOf(1)); // the existing entry keeps its identity and date
    EXPECT_EQ(items[0].date, 10);

    EXPECT_TRUE(History::add(items, "other", false, idOf(3), 12));
    EXPECT_TRUE(History::add(items, "word", true, idOf(4), 13));
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].text, "word");
    EXPECT_TRUE(items[0].isTable);
    EXPECT_EQ(items[2].text, "word");
    // Blank text, by any kind of white space, is not recorded.
    EXPECT_FALSE(History::add(items, " \t\r\n\u00a0\u2003\u3000", false, idOf(5), 14));
    EXPECT_EQ(items.size(), 3u);
}

TEST(HistoryTest, LimitKeepsNewestUnpinnedAndEveryPinned)
{
    std::vector<HistoryItem> items = history(51);
    ASSERT_EQ(items.size(), 50u);
    EXPECT_EQ(items.front().text, "t50");
    EXPECT_EQ(items.back().text, "t1");

    // Three pinned among the oldest, then 51 unpinned: the pinned ones do not count against the 50.
    items.clear();
    for (int i = 0; i < 3; ++i) {
        History::add(items, "t" + std::to_string(i), false, idOf(i), i);
        History::togglePin(items, idOf(i));
    }
    for (int i = 3; i < 54; ++i)
        History::add(items, "t" + std::to_string(i), false, idOf(i), i);
    ASSERT_EQ(items.size(), 53u);
    EXPECT_EQ(items.front().text, "t53");
    EXPECT_EQ(items[49].text, "t4"); // t3, the oldest unpinned, made room
    EXPECT_EQ(items[50].text, "t2");
    EXPECT_EQ(items[52].text, "t0");
}

TEST(HistoryTest, PinAndRemoveByIdentity)
{
    std::vector<HistoryItem> items = history(3);
    EXPECT_FALSE(History::togglePin(items, "no-such-id"));
    EXPECT_TRUE(History::togglePin(items, idOf(1)));
    EXPECT_TRUE(items[1].pinned);
    EXPECT_TRUE(History::togglePin(items, idOf(1)));
    EXPECT_FALSE(items[1].pinned);
    History::remove(items, idOf(1));
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[1].text, "t0");
    History::remove(items, "no-such-id");
    EXPECT_EQ(items.size(), 2u);
}

TEST(HistoryTest, PreviewIsTheFirstNonEmptyLineCutAt90CharactersOrATablesWords)
{
    std::string accented; // 90 letters of two bytes each: characters are counted, not bytes
    for (int i = 0; i < 90; ++i)
        accented += "\u00e9";
    const std::vector<std::tuple<std::string, bool, std::string>> cases{
        {"\n\r\n" + std::string(100, 'x'), false, std::string(90, 'x') + "\u2026"},
        {"first\u2028second", false, "first"},
        {accented, false, accented},
        {accented + "\u00e9", false, accented + "\u2026"},
        {"\n\n", false, "\n\n"},
        {"| | | |\n| --- | :-: | --- |\n| | | Exercise plan | |\n| Mon | Run \\| swim | 5 km |", true, "Exercise plan"},
        {"| Day | Plan |\n| --- | --- |", true, "Day \u00b7 Plan"},
        {"a | b", true, "a | b"}, // prose that merely contains a pipe
    };
    for (const auto& [text, isTable, preview] : cases) {
        HistoryItem item;
        item.text = text;
        item.isTable = isTable;
        EXPECT_EQ(item.preview(), preview) << text;
    }
}
