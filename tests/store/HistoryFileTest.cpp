#include "store/qt/HistoryFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <regex>
#include <string>

namespace {
const std::string good =
    R"({"id":"00000000-0000-4000-8000-000000000001","text":"a","date":1,"pinned":false,"isTable":false})";

HistoryFile::Read decode(const std::string& json)
{
    return HistoryFile::decode(QByteArray::fromStdString(json));
}
} // namespace

TEST(HistoryFileTest, EncodesTheFileFormatAndReadsItBack)
{
    std::vector<HistoryItem> items{
        {"6F9619FF-8B86-4011-B42D-00C04FC964FF", "a \"quote\"\\ and\nline\ttab \u00e9\u20ac\U0001F600", 1.5, true,
         false},
        {"00000000-0000-4000-8000-000000000001", "| a | b |", 726000000.123456, false, true}};
    const QByteArray json = HistoryFile::encode(items);
    EXPECT_FALSE(json.contains('\n')); // compact
    const QJsonObject first = QJsonDocument::fromJson(json).array().at(0).toObject();
    EXPECT_EQ(first.keys(), (QStringList{"date", "id", "isTable", "pinned", "text"}));
    EXPECT_EQ(first.value("id").toString(), "6F9619FF-8B86-4011-B42D-00C04FC964FF");
    const HistoryFile::Read back = HistoryFile::decode(json);
    EXPECT_TRUE(back.whole);
    EXPECT_EQ(back.items, items);
    EXPECT_TRUE(decode("[]").whole);
    EXPECT_TRUE(decode("").whole); // a file created but never written holds nothing to lose
}

TEST(HistoryFileTest, ReadsAnyKeyOrderEscapesAndLowerCaseIds)
{
    const auto read = decode(R"( [ {"isTable": true, "pinned": false, "date": -3e2, "extra": {"x": [1, null]},
        "text": "a\/b \u00e9 \ud83d\ude00", "id": "6f9619ff-8b86-4011-b42d-00c04fc964ff"} ] )");
    ASSERT_TRUE(read.whole);
    ASSERT_EQ(read.items.size(), 1u);
    EXPECT_EQ(read.items[0].text, "a/b \u00e9 \U0001F600");
    EXPECT_EQ(read.items[0].id, "6F9619FF-8B86-4011-B42D-00C04FC964FF");
    EXPECT_EQ(read.items[0].date, -300);
    EXPECT_TRUE(read.items[0].isTable);
}

TEST(HistoryFileTest, MalformedEntriesAreLeftOutAndTheFileCountsAsDamaged)
{
    for (const std::string& bad :
         {std::string(R"({"id":"00000000-0000-4000-8000-000000000002","text":"b","date":1,"pinned":false})"),
          std::string(R"({"id":"x","text":"b","date":1,"pinned":false,"isTable":false})"),
          std::string(
              R"({"id":"00000000-0000-4000-8000-000000000002","text":1,"date":1,"pinned":false,"isTable":false})"),
          std::string(
              R"({"id":"00000000-0000-4000-8000-000000000002","text":"b","date":"1","pinned":false,"isTable":false})"),
          std::string("7")}) {
        SCOPED_TRACE(bad);
        const auto read = decode("[" + good + "," + bad + "]");
        EXPECT_FALSE(read.whole);
        ASSERT_EQ(read.items.size(), 1u);
        EXPECT_EQ(read.items[0].text, "a");
    }
    for (const std::string& unreadable :
         {std::string("{}"), std::string("x"), R"([{"extra":)" + std::string(100000, '[')}) {
        const auto read = decode(unreadable);
        EXPECT_FALSE(read.whole);
        EXPECT_TRUE(read.items.empty());
    }
}

TEST(HistoryFileTest, FileCutShortGivesTheEntriesBeforeTheCut)
{
    const std::string second =
        R"({"id":"00000000-0000-4000-8000-000000000002","text":"a } brace","date":2,"pinned":true,"isTable":false})";
    const std::string whole = "[" + good + "," + second + "]";
    // Every cut inside the second entry gives the first; a cut after it gives both.
    for (std::size_t length = good.size() + 2; length < whole.size() - 1; ++length) {
        const auto read = decode(whole.substr(0, length));
        EXPECT_FALSE(read.whole) << length;
        ASSERT_EQ(read.items.size(), 1u) << length;
    }
    EXPECT_EQ(decode(whole.substr(0, whole.size() - 1)).items.size(), 2u);
    EXPECT_EQ(decode("[" + good + "] x").items.size(), 1u);
}

TEST(HistoryFileTest, InvalidUtf8AndControlCharactersAreWrittenSoTheFileStaysReadable)
{
    std::vector<HistoryItem> items{{HistoryFile::newId(),
                                    "a\xff"
                                    "b\xc3",
                                    0, false, false}};
    const auto back = HistoryFile::decode(HistoryFile::encode(items));
    ASSERT_TRUE(back.whole); // the new id is read back as one
    EXPECT_EQ(back.items[0].text, "a\uFFFDb\uFFFD");
    items[0].text = std::string("ctl\x01", 4);
    EXPECT_TRUE(HistoryFile::encode(items).contains("ctl\\u0001"));
    // New ids are upper-case version-4 UUIDs, each different.
    const std::string id = items[0].id;
    EXPECT_NE(id, HistoryFile::newId());
    EXPECT_TRUE(std::regex_match(id, std::regex("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}")))
        << id;
}
