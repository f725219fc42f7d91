#include "ui/qt/HistoryWindow.h"

#include "UiTest.h"
#include "store/qt/HistoryFile.h"
#include "store/qt/HistoryStore.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

namespace {
QAction* action(QMenu* menu, const QString& text)
{
    for (QAction* entry : menu->actions()) {
        if (entry->text() == text)
            return entry;
    }
    return nullptr;
}

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

    static bool showsCopied(QWidget* row)
    {
        auto* mark = row ? row->findChild<QLabel*>(QStringLiteral("copiedMark")) : nullptr;
        return mark && !mark->isHidden();
    }

    std::unique_ptr<HistoryStore> m_store;
};

TEST_F(HistoryWindowTest, ListFollowsTheStoreAndSearchIgnoresCase)
{
    HistoryView view(*m_store);
    m_store->add("Invoice total 42", false);
    m_store->add("| Échéance | Montant |", true);
    m_store->add("hello world", false);
    ASSERT_EQ(view.rows().size(), 3u);
    EXPECT_EQ(view.rows().front()->property("itemId").toString().toStdString(), item("hello world").id);

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

TEST_F(HistoryWindowTest, AClickCopiesAndALaterCopyIsNotCutShortByAnEarlierTimer)
{
    m_store->add("first", false);
    m_store->add("second", false);
    const std::vector<HistoryItem> before = m_store->items();
    HistoryView view(*m_store);
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(view.row(item("first").id), Qt::LeftButton);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("first"));
    EXPECT_TRUE(showsCopied(view.row(item("first").id)));
    EXPECT_EQ(m_store->items(), before);                             // copying changes nothing in the history
    ASSERT_TRUE(eventually([&] { return clock.elapsed() >= 500; })); // half-way through the first mark
    const qint64 secondCopied = clock.elapsed();
    view.copy(item("second"));
    EXPECT_TRUE(showsCopied(view.row(item("second").id)));
    EXPECT_FALSE(showsCopied(view.row(item("first").id)));

    ASSERT_TRUE(eventually([&] { return view.copiedId().empty(); }));
    // Had the first copy's timer cleared the mark, it would have gone about 500 ms after the second copy.
    EXPECT_GE(clock.elapsed() - secondCopied, HistoryView::copiedMarkMs - 20);
    EXPECT_FALSE(showsCopied(view.row(item("second").id)));
}

TEST_F(HistoryWindowTest, PinAndDeleteThroughTheContextMenu)
{
    m_store->add("keep me", false);
    m_store->add("drop me", false);
    HistoryView view(*m_store);
    EXPECT_EQ(view.row(item("keep me").id)->findChild<QLabel*>(QStringLiteral("pinMark")), nullptr);
    action(view.contextMenu(item("keep me"), &view), QStringLiteral("Pin"))->trigger();
    EXPECT_TRUE(item("keep me").pinned);
    EXPECT_NE(view.row(item("keep me").id)->findChild<QLabel*>(QStringLiteral("pinMark")), nullptr);
    EXPECT_NE(action(view.contextMenu(item("keep me"), &view), QStringLiteral("Unpin")), nullptr);

    const std::string dropped = item("drop me").id;
    action(view.contextMenu(item("drop me"), &view), QStringLiteral("Delete"))->trigger();
    EXPECT_EQ(view.row(dropped), nullptr);
    action(view.contextMenu(item("keep me"), &view), QStringLiteral("Delete"))->trigger();
    EXPECT_TRUE(m_store->items().empty());
    EXPECT_EQ(view.emptyTitle()->text(), QStringLiteral("No captures yet"));
    EXPECT_TRUE(view.clearButton()->isHidden());
}

// The history as written on disk, texts in file order.
std::vector<std::string> fileTexts(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray json = file.readAll();
    std::vector<std::string> texts;
    for (const HistoryItem& entry : HistoryFile::decode(json).items)
        texts.push_back(entry.text);
    return texts;
}

class HistoryKeyboardTest : public UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        m_file = m_dir.filePath(QStringLiteral("history.json"));
        m_store = std::make_unique<HistoryStore>(m_file);
        for (const char* text : {"alpha", "bravo", "charlie", "delta"})
            m_store->add(text, false);
        m_store->togglePin(m_store->items().back().id); // "alpha", the oldest
        m_view = std::make_unique<HistoryView>(*m_store);
        m_view->show();
        m_view->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_view.get()));
    }

    std::string focusedText() const
    {
        QWidget* focus = QApplication::focusWidget();
        if (focus == nullptr || !focus->property("itemId").isValid())
            return {};
        for (const HistoryItem& entry : m_store->items())
            if (QString::fromStdString(entry.id) == focus->property("itemId").toString())
                return entry.text;
        return {};
    }

    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), modifiers);
        QCoreApplication::processEvents();
    }

    QString m_file;
    std::unique_ptr<HistoryStore> m_store;
    std::unique_ptr<HistoryView> m_view;
};

TEST_F(HistoryKeyboardTest, PinnedComeFirstAndTabSpaceOnTheListKeepsEverything)
{
    std::vector<std::string> shown;
    for (QWidget* row : m_view->rows())
        shown.push_back(row->findChild<QLabel*>(QStringLiteral("preview"))->text().toStdString());
    EXPECT_EQ(shown, (std::vector<std::string>{"alpha", "delta", "charlie", "bravo"}));

    m_view->searchField()->setFocus();
    press(Qt::Key_Tab);
    EXPECT_EQ(focusedText(), "alpha"); // the list comes before "Clear All"
    press(Qt::Key_Space);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("alpha"));
    EXPECT_EQ(fileTexts(m_file).size(), 4u);

    // One Tab further is "Clear All": Space only asks, and the answer that has the focus keeps everything.
    press(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), m_view->clearButton());
    press(Qt::Key_Space);
    QMessageBox* question = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        question = m_view->findChild<QMessageBox*>(QStringLiteral("clearQuestion"));
        return question != nullptr && question->isVisible();
    }));
    ASSERT_TRUE(QTest::qWaitForWindowActive(question));
    EXPECT_EQ(QApplication::focusWidget(), question->button(QMessageBox::Cancel));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_view->findChild<QMessageBox*>() == nullptr; }));
    EXPECT_EQ(fileTexts(m_file).size(), 4u);

    m_view->askToClear();
    question = m_view->findChild<QMessageBox*>(QStringLiteral("clearQuestion"));
    QTest::mouseClick(question->findChild<QPushButton*>(QStringLiteral("confirmClear")), Qt::LeftButton);
    EXPECT_EQ(fileTexts(m_file), (std::vector<std::string>{"alpha"}));
}

TEST_F(HistoryKeyboardTest, ArrowsEnterPinAndDeleteActOnTheFocusedEntry)
{
    m_view->searchField()->setFocus();
    press(Qt::Key_Down);
    EXPECT_EQ(focusedText(), "alpha");
    press(Qt::Key_Down);
    press(Qt::Key_Down);
    EXPECT_EQ(focusedText(), "charlie");
    press(Qt::Key_Return);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("charlie"));
    EXPECT_EQ(m_view->copiedId(), m_store->items()[1].id);

    // Pinning moves the entry up among the pinned ones, newest first; the focus goes with it.
    press(Qt::Key_P, Qt::ControlModifier);
    EXPECT_TRUE(m_store->items()[1].pinned);
    EXPECT_EQ(focusedText(), "charlie");
    EXPECT_EQ(m_view->rows()[0]->findChild<QLabel*>(QStringLiteral("preview"))->text(), QStringLiteral("charlie"));

    // Delete removes it and leaves the focus on the entry that took its place.
    press(Qt::Key_Delete);
    EXPECT_EQ(fileTexts(m_file), (std::vector<std::string>{"delta", "bravo", "alpha"}));
    EXPECT_EQ(focusedText(), "alpha");
    press(Qt::Key_Down);
    EXPECT_EQ(focusedText(), "delta");
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
