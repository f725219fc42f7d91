#include "ui/qt/HistoryWindow.h"

#include "UiTest.h"
#include "store/qt/HistoryStore.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

namespace {
class HistoryWindowTest : public UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        m_store = std::make_unique<HistoryStore>(QString()); // in memory
    }

    const HistoryItem& item(const std::string& text) const
    {
        for (const HistoryItem& entry : m_store->items()) {
            if (entry.text == text)
                return entry;
        }
        ADD_FAILURE() << "no entry " << text;
        static const HistoryItem none;
        return none;
    }

    static QAction* action(QMenu* menu, const QString& text)
    {
        for (QAction* entry : menu->actions()) {
            if (entry->text() == text)
                return entry;
        }
        return nullptr;
    }

    static bool showsCopied(QWidget* row)
    {
        auto* mark = row ? row->findChild<QLabel*>(QStringLiteral("copiedMark")) : nullptr;
        return mark && !mark->isHidden();
    }

    std::unique_ptr<HistoryStore> m_store;
};

TEST_F(HistoryWindowTest, EmptyHistorySaysSoWithoutClearAll)
{
    HistoryView view(*m_store);
    EXPECT_EQ(view.emptyTitle()->text(), QStringLiteral("No captures yet"));
    EXPECT_TRUE(view.clearButton()->isHidden());
    EXPECT_TRUE(view.rows().empty());
    EXPECT_EQ(view.windowTitle(), QStringLiteral("Capture History"));
}

TEST_F(HistoryWindowTest, SearchIgnoresCaseAndKeepsClearAll)
{
    m_store->add("Invoice total 42", false);
    m_store->add("| Échéance | Montant |", true);
    m_store->add("hello world", false);
    HistoryView view(*m_store);
    ASSERT_EQ(view.rows().size(), 3u);

    QTest::keyClicks(view.searchField(), QStringLiteral("INVOICE"));
    ASSERT_EQ(view.rows().size(), 1u);
    EXPECT_EQ(view.rows().front()->property("itemId").toString().toStdString(), item("Invoice total 42").id);

    view.searchField()->setText(QStringLiteral("ÉCHÉANCE"));
    EXPECT_EQ(view.rows().size(), 1u);

    view.searchField()->setText(QStringLiteral("nowhere"));
    EXPECT_TRUE(view.rows().empty());
    EXPECT_EQ(view.emptyTitle()->text(), QStringLiteral("No matches"));
    EXPECT_FALSE(view.clearButton()->isHidden());

    // The query is used as typed: a trailing space is part of it.
    view.searchField()->setText(QStringLiteral("world "));
    EXPECT_TRUE(view.rows().empty());
}

TEST(HistoryFilterTest, FollowsTheLocalesCaseRules)
{
    std::vector<HistoryItem> items(1);
    items[0].text = "istanbul";
    // In Turkish the capital of i is İ, and I is the capital of the dotless ı.
    const QLocale turkish(QLocale::Turkish, QLocale::Turkey);
    EXPECT_EQ(HistoryView::filtered(items, QStringLiteral("İSTANBUL"), turkish).size(), 1u);
    EXPECT_EQ(HistoryView::filtered(items, QStringLiteral("ISTANBUL"), QLocale::c()).size(), 1u);
}

TEST_F(HistoryWindowTest, ListFollowsTheStoreLive)
{
    HistoryView view(*m_store);
    m_store->add("first", false);
    m_store->add("second", true);
    ASSERT_EQ(view.rows().size(), 2u);
    EXPECT_EQ(view.rows().front()->property("itemId").toString().toStdString(), item("second").id);
    EXPECT_FALSE(view.clearButton()->isHidden());
}

TEST_F(HistoryWindowTest, ClickCopiesWithoutChangingTheHistory)
{
    m_store->add("older", false);
    m_store->add("newer", false);
    const std::vector<HistoryItem> before = m_store->items();
    HistoryView view(*m_store);
    QWidget* row = view.row(item("older").id);
    ASSERT_NE(row, nullptr);
    QTest::mouseClick(row, Qt::LeftButton);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("older"));
    EXPECT_EQ(view.copiedId(), item("older").id);
    EXPECT_TRUE(showsCopied(view.row(item("older").id)));
    EXPECT_FALSE(showsCopied(view.row(item("newer").id)));
    EXPECT_EQ(m_store->items(), before);
}

TEST_F(HistoryWindowTest, ALaterCopyIsNotCutShortByAnEarlierTimer)
{
    m_store->add("first", false);
    m_store->add("second", false);
    HistoryView view(*m_store);
    QElapsedTimer clock;
    clock.start();
    view.copy(item("first"));
    QTRY_VERIFY(clock.elapsed() >= 500); // half-way through the first mark
    const qint64 secondCopied = clock.elapsed();
    view.copy(item("second"));
    EXPECT_TRUE(showsCopied(view.row(item("second").id)));
    EXPECT_FALSE(showsCopied(view.row(item("first").id)));

    QTRY_VERIFY_WITH_TIMEOUT(view.copiedId().empty(), 5000);
    // Had the first copy's timer cleared the mark, it would have gone about 500 ms after the second copy.
    EXPECT_GE(clock.elapsed() - secondCopied, HistoryView::copiedMarkMs - 20);
    EXPECT_FALSE(showsCopied(view.row(item("second").id)));
}

TEST_F(HistoryWindowTest, CopyingTheSameEntryAgainRestartsItsMark)
{
    m_store->add("only", false);
    HistoryView view(*m_store);
    QElapsedTimer clock;
    clock.start();
    view.copy(item("only"));
    QTRY_VERIFY(clock.elapsed() >= 600);
    const qint64 again = clock.elapsed();
    view.copy(item("only"));
    QTRY_VERIFY_WITH_TIMEOUT(view.copiedId().empty(), 5000);
    EXPECT_GE(clock.elapsed() - again, HistoryView::copiedMarkMs - 20);
}

TEST_F(HistoryWindowTest, PinDeleteAndClearThroughTheWindow)
{
    m_store->add("keep me", false);
    m_store->add("drop me", false);
    HistoryView view(*m_store);
    EXPECT_EQ(view.row(item("keep me").id)->findChild<QLabel*>(QStringLiteral("pinMark")), nullptr);

    QMenu* menu = view.contextMenu(item("keep me"), &view);
    ASSERT_NE(action(menu, QStringLiteral("Copy")), nullptr);
    ASSERT_NE(action(menu, QStringLiteral("Pin")), nullptr);
    action(menu, QStringLiteral("Pin"))->trigger();
    EXPECT_TRUE(item("keep me").pinned);
    EXPECT_NE(view.row(item("keep me").id)->findChild<QLabel*>(QStringLiteral("pinMark")), nullptr);
    EXPECT_NE(action(view.contextMenu(item("keep me"), &view), QStringLiteral("Unpin")), nullptr);

    // A pinned entry outlives the 50 newest unpinned ones.
    for (int i = 0; i < 55; ++i)
        m_store->add("capture " + std::to_string(i), false);
    EXPECT_EQ(m_store->items().size(), 51u);
    EXPECT_NE(view.row(item("keep me").id), nullptr);

    const std::string dropped = item("capture 54").id;
    action(view.contextMenu(item("capture 54"), &view), QStringLiteral("Delete"))->trigger();
    EXPECT_EQ(view.row(dropped), nullptr);
    EXPECT_EQ(m_store->items().size(), 50u);

    QTest::mouseClick(view.clearButton(), Qt::LeftButton);
    EXPECT_TRUE(m_store->items().empty());
    EXPECT_EQ(view.emptyTitle()->text(), QStringLiteral("No captures yet"));
    EXPECT_TRUE(view.clearButton()->isHidden());
}

TEST(HistoryDateTest, SaysHowLongAgoInWords)
{
    const QDateTime now(QDate(2026, 3, 10), QTime(15, 0));
    auto at = [](const QDateTime& when) { return when.toMSecsSinceEpoch() / 1000.0 - History::referenceDateOffset; };
    EXPECT_EQ(HistoryView::relativeDate(at(now.addSecs(-20)), now), QStringLiteral("just now"));
    EXPECT_EQ(HistoryView::relativeDate(at(now.addSecs(-5 * 60)), now), QStringLiteral("5 minutes ago"));
    EXPECT_EQ(HistoryView::relativeDate(at(now.addSecs(-3 * 3600)), now), QStringLiteral("3 hours ago"));
    EXPECT_EQ(HistoryView::relativeDate(at(now.addSecs(-20 * 3600)), now), QStringLiteral("yesterday"));
    EXPECT_EQ(HistoryView::relativeDate(at(now.addDays(-3)), now), QStringLiteral("3 days ago"));
}
} // namespace
