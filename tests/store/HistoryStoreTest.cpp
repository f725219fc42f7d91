#include "store/qt/HistoryStore.h"

#include "store/qt/SettingsStore.h"
#include "support/Process.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

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

    QByteArray fileContent() const { return QByteArray::fromStdString(TestSupport::readFile(m_path.toStdString())); }
    void write(const QByteArray& content) const { TestSupport::writeFile(m_path.toStdString(), content.toStdString()); }

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
    HistoryStore reloaded(m_path);
    EXPECT_EQ(reloaded.items(), store.items());
    // Clearing writes the empty list; that it keeps what is pinned is checked through the history window.
    reloaded.clearAll();
    EXPECT_EQ(fileContent(), "[]");
}

// A damaged file is never written over: what can be read is kept, the file itself is set aside untouched, and
// the store says so once.
TEST_F(HistoryStoreTest, FileCutShortKeepsItsReadableEntriesAndTheDamagedFile)
{
    QByteArray whole;
    {
        HistoryStore writer(m_path);
        for (const char* text : {"one", "two", "three", "four"})
            writer.add(text, false);
        whole = fileContent();
    }
    // Newest first: "four" and "three" are intact, "two" is cut in the middle of its text.
    const QByteArray cut = whole.left(whole.indexOf("\"two\"") + 3);
    write(cut);

    HistoryStore store(m_path);
    ASSERT_EQ(store.items().size(), 2u); // which entries survive a cut is HistoryFileTest's
    const QString notice = store.takeNotice();
    EXPECT_TRUE(notice.contains(QStringLiteral("2 entries were recovered"))) << notice.toStdString();
    EXPECT_TRUE(store.takeNotice().isEmpty());

    const QStringList kept = QDir(m_dir.path()).entryList({QStringLiteral("history.json.damaged-*")});
    ASSERT_EQ(kept.size(), 1);
    EXPECT_TRUE(notice.contains(kept.front()));
    EXPECT_EQ(TestSupport::readFile(m_dir.filePath(kept.front()).toStdString()), cut.toStdString());

    // The next change writes a whole file again: read back, it raises no notice.
    store.add("five", false);
    HistoryStore again(m_path);
    EXPECT_TRUE(again.takeNotice().isEmpty());
    EXPECT_EQ(again.items().size(), 3u);
}

TEST_F(HistoryStoreTest, UnreadableFileIsNeverWrittenOver)
{
    write("[");
    ASSERT_TRUE(QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    // A folder where the damaged file would be set aside cannot take it: the store must then leave it alone.
    ASSERT_EQ(::chmod(qPrintable(m_dir.path()), 0500), 0);
    if (::access(qPrintable(m_dir.path()), W_OK) == 0) {
        ::chmod(qPrintable(m_dir.path()), 0700);
        GTEST_SKIP() << "running as a user the folder's permissions do not stop";
    }
    HistoryStore store(m_path);
    store.add("new", false);
    ::chmod(qPrintable(m_dir.path()), 0700);
    EXPECT_EQ(fileContent(), "[");
    EXPECT_FALSE(store.takeNotice().isEmpty());
}

TEST_F(HistoryStoreTest, LivesUnderXdgDataHomeAndKeepsNothingWhenHistoryIsOff)
{
    EXPECT_EQ(HistoryStore::defaultFilePath(), m_dir.filePath("data/Ambrel/history.json"));
    EXPECT_TRUE(QFileInfo(m_dir.filePath("data/Ambrel")).isDir());

    Settings::set(Settings::Key::keepHistory, false);
    HistoryStore store(m_path);
    store.add("secret", false);
    EXPECT_TRUE(store.items().empty());
    EXPECT_FALSE(QFile::exists(m_path));
    Settings::remove(Settings::Key::keepHistory);
}
