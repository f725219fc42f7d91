// Renders the welcome window, the About box, the terms, the panel, the history window and the settings window in a
// light and a dark palette. Each picture must have content; with AMBREL_SCREENSHOT_DIR set they are also written
// there as PNG files for a person to look at.
#include "UiTest.h"
#include "app/qt/About.h"
#include "app/qt/Legal.h"
#include "app/qt/Panel.h"
#include "app/qt/Welcome.h"
#include "store/qt/HistoryStore.h"
#include "store/qt/HistoryWindow.h"
#include "store/qt/SettingsWindow.h"
#include "support/DarkPalette.h"

#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <QTabWidget>
#include <QTest>

namespace {
void check(QWidget& widget, const QString& name)
{
    widget.show();
    const QPixmap shot = widget.grab();
    EXPECT_FALSE(shot.isNull()) << name.toStdString();
    const QString dir = qEnvironmentVariable("AMBREL_SCREENSHOT_DIR");
    if (!dir.isEmpty()) {
        QDir().mkpath(dir);
        EXPECT_TRUE(shot.save(QDir(dir).filePath(name + QStringLiteral(".png"))));
    }
    widget.hide();
}

using WindowScreenshots = UiTest;

TEST_F(WindowScreenshots, LightAndDark)
{
    const QPalette original = QApplication::palette();
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    for (const bool dark : {false, true}) {
        QApplication::setPalette(dark ? darkPalette() : QApplication::style()->standardPalette());
        const QString suffix = dark ? QStringLiteral("-dark") : QStringLiteral("-light");

        ::setenv("AMBREL_PLATFORM", "x11", 1); // no permission to speak of
        Welcome::shared().presentGuide();
        check(*Welcome::shared().window(), QStringLiteral("welcome") + suffix);
        Welcome::shared().window()->close();
        QMessageBox* about = About::show();
        check(*about, QStringLiteral("about") + suffix);
        about->close();
        QDialog* terms = Legal::show(Legal::Document::Terms);
        check(*terms, QStringLiteral("terms") + suffix);
        terms->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // the next palette gets a new one

        Settings::set(Settings::Key::outputMode, 2);
        MenuBarPanelController panel;
        panel.show(QRect(200, 0, 20, 20), {});
        check(*panel.panel(), QStringLiteral("panel") + suffix);
        panel.panel()->closeNow();

        HistoryStore store{QString()};
        HistoryView emptyView(store);
        check(emptyView, QStringLiteral("history-empty") + suffix);
        store.add("Meeting notes: ship the table export on Friday and review the CSV output with the team", false);
        store.add("| Item | Qty | Price |\n|---|---|---|\n| Tea | 2 | 4.00 |", true);
        store.add("for (int i = 0; i < n; ++i) total += price[i];", false);
        store.togglePin(store.items().back().id);
        HistoryView view(store);
        view.copy(store.items().front());
        check(view, QStringLiteral("history") + suffix);
        // The keyboard's place in the list, and the question before clearing.
        view.show();
        view.activateWindow();
        if (QTest::qWaitForWindowActive(&view)) {
            view.searchField()->setFocus();
            QTest::keyClick(view.searchField(), Qt::Key_Down);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        }
        check(view, QStringLiteral("history-keyboard") + suffix);
        view.show();
        view.askToClear();
        if (auto* question = view.findChild<QMessageBox*>()) {
            question->show();
            check(*question, QStringLiteral("history-clear-question") + suffix);
            question->close();
        }

        PreferencesView settings;
        check(settings, QStringLiteral("settings-capture") + suffix);
        settings.tabs()->setCurrentIndex(1);
        check(settings, QStringLiteral("settings-general") + suffix);
    }
    QApplication::setPalette(original);
}
} // namespace
