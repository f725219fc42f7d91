#include "store/qt/HistoryStore.h"

#include "store/qt/SettingsStore.h"

#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

namespace {
// Points the settings and data folders at a fresh temporary folder for each test.
class HistoryStoreTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ::setenv("XDG_CONFIG_HOME", qPrintable(m_dir.filePath("config")), 1);
        ::setenv("XDG_DATA_HOME", qPrintable(m_dir.filePath("data")), 1);
        Settings::registerDefaults("en-US");
        m_path = m_dir.filePath("history.json");
    }

    QByteArray fileContent() const
    {
        QFile file(m_path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir m_dir;
    QString m_path;
};
} // namespace

TEST_F(HistoryStoreTest, WritesOwnerOnlyFileAfterEveryChange)
{
    HistoryStore store(m_path);
    QSignalSpy changed(&store, &HistoryStore::changed);
    store.add("first", false);
    store.add("| a |\n|---|", true);
    EXPECT_EQ(changed.count(), 2);
    ASSERT_TRUE(QFile::exists(m_path));
    struct stat info = {};
    ASSERT_EQ(::stat(qPrintable(m_path), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    const auto items = History::decode(fileContent().toStdString());
    ASSERT_TRUE(items);
    ASSERT_EQ(items->size(), 2u);
    EXPECT_TRUE((*items)[0].isTable);
    EXPECT_EQ((*items)[1].text, "first");

    HistoryStore reloaded(m_path);
    EXPECT_EQ(reloaded.items(), store.items());
    reloaded.togglePin(store.items()[1].id);
    // Clearing keeps what the user pinned, on disk too.
    reloaded.clearAll();
    const auto kept = History::decode(fileContent().toStdString());
    ASSERT_TRUE(kept);
    ASSERT_EQ(kept->size(), 1u);
    EXPECT_EQ(kept->front().text, "first");
    EXPECT_TRUE(kept->front().pinned);
    reloaded.togglePin(kept->front().id);
    reloaded.clearAll();
    EXPECT_EQ(fileContent(), "[]");
}

TEST_F(HistoryStoreTest, KeepHistoryOffLeavesListAndFileAlone)
{
    Settings::set(Settings::Key::keepHistory, false);
    HistoryStore store(m_path);
    store.add("secret", false);
    EXPECT_TRUE(store.items().empty());
    EXPECT_FALSE(QFile::exists(m_path));
    Settings::remove(Settings::Key::keepHistory);
}

TEST_F(HistoryStoreTest, MalformedFileReadsEmptyAndIsReplacedOnNextSave)
{
    {
        QFile file(m_path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(R"([{"id":"00000000-0000-4000-8000-000000000001","text":"a","date":1,"pinned":false}])");
    }
    HistoryStore store(m_path);
    EXPECT_TRUE(store.items().empty());
    store.add("b", false);
    const auto items = History::decode(fileContent().toStdString());
    ASSERT_TRUE(items);
    EXPECT_EQ(items->size(), 1u);
}

TEST_F(HistoryStoreTest, UnknownIdDoesNotSaveOnPinButDoesOnRemove)
{
    HistoryStore store(m_path);
    QSignalSpy changed(&store, &HistoryStore::changed);
    store.togglePin("no-such-id");
    EXPECT_FALSE(QFile::exists(m_path));
    store.remove("no-such-id");
    EXPECT_EQ(fileContent(), "[]");
    EXPECT_EQ(changed.count(), 1);
}

TEST_F(HistoryStoreTest, DefaultLocationFollowsXdgDataHome)
{
    EXPECT_EQ(HistoryStore::defaultFilePath(), m_dir.filePath("data/Ambrel/history.json"));
    EXPECT_TRUE(QFileInfo(m_dir.filePath("data/Ambrel")).isDir());
}
