// Renders the panel, the history window and the settings window in a light and a dark palette. Each picture must
// have content; with AMBREL_SCREENSHOT_DIR set they are also written there as PNG files for a person to look at.
#include "UiTest.h"
#include "store/qt/HistoryStore.h"
#include "support/DarkPalette.h"
#include "ui/qt/HistoryWindow.h"
#include "ui/qt/SettingsWindow.h"
#include "ui/qt/TrayPanel.h"

#include <QDir>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <QTabWidget>

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

        ::setenv("AMBREL_PLATFORM", "none", 1); // shows the permission rows
        Settings::set(Settings::Key::outputMode, 2);
        TrayPanel panel;
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

        SettingsView settings;
        check(settings, QStringLiteral("settings-capture") + suffix);
        settings.tabs()->setCurrentIndex(1);
        check(settings, QStringLiteral("settings-general") + suffix);
    }
    QApplication::setPalette(original);
}
} // namespace
