#include "ui/qt/HistoryWindow.h"

#include "UiTest.h"
#include "store/qt/HistoryFile.h"
#include "store/qt/HistoryStore.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>

namespace {
// A history window on a history file of its own.
class HistoryWindowTest : public UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        m_file = m_dir.filePath(QStringLiteral("history.json"));
        m_store = std::make_unique<HistoryStore>(m_file);
        m_view = std::make_unique<HistoryView>(*m_store);
    }

    // "alpha" (pinned), "bravo", "charlie", "delta", in a window that has the focus.
    void addFourAndShow()
    {
        for (const char* text : {"alpha", "bravo", "charlie", "delta"})
            m_store->add(text, false);
        m_store->togglePin(item("alpha").id);
        m_view->show();
        m_view->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_view.get()));
    }

    const HistoryItem& item(const std::string& text) const
    {
        for (const HistoryItem& entry : m_store->items())
            if (entry.text == text)
                return entry;
        ADD_FAILURE() << "no entry " << text;
        static const HistoryItem none;
        return none;
    }

    QString text(QWidget* row) const { return row->findChild<QLabel*>(QStringLiteral("preview"))->text(); }
    bool showsCopied(const std::string& entry) const
    {
        auto* mark = m_view->row(item(entry).id)->findChild<QLabel*>(QStringLiteral("copiedMark"));
        return mark && !mark->isHidden();
    }
    QString focused() const
    {
        QWidget* focus = QApplication::focusWidget();
        return focus && focus->property("itemId").isValid() ? text(focus) : QString();
    }
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
        QCoreApplication::processEvents();
    }
    QAction* action(const std::string& entry, const QString& name)
    {
        for (QAction* action : m_view->contextMenu(item(entry), m_view.get())->actions())
            if (action->text() == name)
                return action;
        return nullptr;
    }
    // The history as written on disk, texts in file order.
    std::vector<std::string> fileTexts() const
    {
        QFile file(m_file);
        std::vector<std::string> texts;
        for (const HistoryItem& entry : HistoryFile::decode(file.open(QIODevice::ReadOnly) ? file.readAll() : "").items)
            texts.push_back(entry.text);
        return texts;
    }

    QString m_file;
    std::unique_ptr<HistoryStore> m_store;
    std::unique_ptr<HistoryView> m_view;
};

TEST_F(HistoryWindowTest, ListFollowsTheStoreAndSearchIgnoresCase)
{
    HistoryView& view = *m_view;
    m_store->add("Invoice total 42", false);
    m_store->add("| Échéance | Montant |", true);
    m_store->add("hello world", false);
    ASSERT_EQ(view.rows().size(), 3u);
    EXPECT_EQ(text(view.rows().front()), QStringLiteral("hello world"));

    QTest::keyClicks(view.searchField(), QStringLiteral("INVOICE"));
    ASSERT_EQ(view.rows().size(), 1u);
    EXPECT_EQ(text(view.rows().front()), QStringLiteral("Invoice total 42"));
    view.searchField()->setText(QStringLiteral("ÉCHÉANCE"));
    EXPECT_EQ(view.rows().size(), 1u);
    view.searchField()->setText(QStringLiteral("nowhere"));
    EXPECT_TRUE(view.rows().empty());
    EXPECT_EQ(view.emptyTitle()->text(), QStringLiteral("No matches"));
    EXPECT_FALSE(view.clearButton()->isHidden());
    // The query is used as typed: a trailing space is part of it.
    view.searchField()->setText(QStringLiteral("world "));
    EXPECT_TRUE(view.rows().empty());

    // The locale's case rules: in Turkish the capital of i is İ, and I is the capital of the dotless ı.
    std::vector<HistoryItem> items(1);
    items[0].text = "istanbul";
    EXPECT_EQ(HistoryView::filtered(items, QStringLiteral("İSTANBUL"), QLocale(QLocale::Turkish)).size(), 1u);
    EXPECT_EQ(HistoryView::filtered(items, QStringLiteral("ISTANBUL"), QLocale::c()).size(), 1u);
}

TEST_F(HistoryWindowTest, AClickCopiesAndALaterCopyIsNotCutShortByAnEarlierTimer)
{
    m_store->add("first", false);
    m_store->add("second", false);
    const std::vector<HistoryItem> before = m_store->items();
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(m_view->row(item("first").id), Qt::LeftButton);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("first"));
    EXPECT_TRUE(showsCopied("first"));
    EXPECT_EQ(m_store->items(), before);                             // copying changes nothing in the history
    ASSERT_TRUE(eventually([&] { return clock.elapsed() >= 500; })); // half-way through the first mark
    const qint64 secondCopied = clock.elapsed();
    m_view->copy(item("second"));
    EXPECT_TRUE(showsCopied("second"));
    EXPECT_FALSE(showsCopied("first"));
    ASSERT_TRUE(eventually([&] { return m_view->copiedId().empty(); }));
    // Had the first copy's timer cleared the mark, it would have gone about 500 ms after the second copy.
    EXPECT_GE(clock.elapsed() - secondCopied, HistoryView::copiedMarkMs - 20);
    EXPECT_FALSE(showsCopied("second"));
}

TEST_F(HistoryWindowTest, PinAndDeleteThroughTheContextMenu)
{
    m_store->add("keep me", false);
    m_store->add("drop me", false);
    const auto pinMark = [&] { return m_view->row(item("keep me").id)->findChild<QLabel*>(QStringLiteral("pinMark")); };
    EXPECT_EQ(pinMark(), nullptr);
    action("keep me", QStringLiteral("Pin"))->trigger();
    EXPECT_TRUE(item("keep me").pinned);
    EXPECT_NE(pinMark(), nullptr);
    EXPECT_NE(action("keep me", QStringLiteral("Unpin")), nullptr);
    action("drop me", QStringLiteral("Delete"))->trigger();
    action("keep me", QStringLiteral("Delete"))->trigger();
    EXPECT_TRUE(m_view->rows().empty());
    EXPECT_EQ(fileTexts(), std::vector<std::string>{});
    EXPECT_EQ(m_view->emptyTitle()->text(), QStringLiteral("No captures yet"));
    EXPECT_TRUE(m_view->clearButton()->isHidden());
}

TEST_F(HistoryWindowTest, PinnedComeFirstAndTabSpaceOnTheListKeepsEverything)
{
    ASSERT_NO_FATAL_FAILURE(addFourAndShow());
    QStringList shown;
    for (QWidget* row : m_view->rows())
        shown << text(row);
    EXPECT_EQ(shown, (QStringList{"alpha", "delta", "charlie", "bravo"}));

    m_view->searchField()->setFocus();
    press(Qt::Key_Tab);
    EXPECT_EQ(focused(), QStringLiteral("alpha")); // the list comes before "Clear All"
    press(Qt::Key_Space);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("alpha"));

    // One Tab further is "Clear All": Space only asks, and the answer that has the focus keeps everything.
    press(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), m_view->clearButton());
    press(Qt::Key_Space);
    QMessageBox* question = nullptr;
    ASSERT_TRUE(eventually([&] {
        question = m_view->findChild<QMessageBox*>(QStringLiteral("clearQuestion"));
        return question != nullptr && question->isVisible();
    }));
    ASSERT_TRUE(QTest::qWaitForWindowActive(question));
    EXPECT_EQ(QApplication::focusWidget(), question->button(QMessageBox::Cancel));
    press(Qt::Key_Space);
    ASSERT_TRUE(eventually([&] { return m_view->findChild<QMessageBox*>() == nullptr; }));
    EXPECT_EQ(fileTexts().size(), 4u);

    // Confirmed, Clear All keeps what is pinned.
    m_view->askToClear();
    question = m_view->findChild<QMessageBox*>(QStringLiteral("clearQuestion"));
    QTest::mouseClick(question->findChild<QPushButton*>(QStringLiteral("confirmClear")), Qt::LeftButton);
    EXPECT_EQ(fileTexts(), (std::vector<std::string>{"alpha"}));
}

TEST_F(HistoryWindowTest, ArrowsEnterPinAndDeleteActOnTheFocusedEntry)
{
    ASSERT_NO_FATAL_FAILURE(addFourAndShow());
    m_view->searchField()->setFocus();
    press(Qt::Key_Down);
    EXPECT_EQ(focused(), QStringLiteral("alpha"));
    press(Qt::Key_Down);
    press(Qt::Key_Down);
    EXPECT_EQ(focused(), QStringLiteral("charlie"));
    press(Qt::Key_Return);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("charlie"));
    EXPECT_EQ(m_view->copiedId(), item("charlie").id);

    // Pinning moves the entry up among the pinned ones, newest first; the focus goes with it.
    press(Qt::Key_P, Qt::ControlModifier);
    EXPECT_TRUE(item("charlie").pinned);
    EXPECT_EQ(focused(), QStringLiteral("charlie"));
    EXPECT_EQ(text(m_view->rows()[0]), QStringLiteral("charlie"));

    // Delete removes it and leaves the focus on the entry that took its place.
    press(Qt::Key_Delete);
    EXPECT_EQ(fileTexts(), (std::vector<std::string>{"delta", "bravo", "alpha"}));
    EXPECT_EQ(focused(), QStringLiteral("alpha"));
    press(Qt::Key_Down);
    EXPECT_EQ(focused(), QStringLiteral("delta"));
}

TEST(HistoryDateTest, SaysHowLongAgoInWords)
{
    const QDateTime now(QDate(2026, 3, 10), QTime(15, 0));
    const std::vector<std::pair<QDateTime, QString>> cases{
        {now.addSecs(-20), "just now"},          {now.addSecs(-5 * 60), "5 minutes ago"},
        {now.addSecs(-3 * 3600), "3 hours ago"}, {now.addSecs(-20 * 3600), "yesterday"},
        {now.addDays(-3), "3 days ago"},
    };
    for (const auto& [when, words] : cases)
        EXPECT_EQ(HistoryView::relativeDate(when.toMSecsSinceEpoch() / 1000.0 - History::referenceDateOffset, now),
                  words);
}
} // namespace
