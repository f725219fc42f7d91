// Writes pictures of the windows in a light and a dark palette into the folder given as the only argument, for a
// person to review. Runs on the offscreen platform with throw-away settings; see scripts/screenshots/run.
#include "DarkPalette.h"
#include "document/qt/DocumentOCRController.h"
#include "document/qt/DocumentOCRWindow.h"
#include "store/qt/HistoryStore.h"
#include "store/qt/SettingsStore.h"
#include "ui/qt/HistoryWindow.h"
#include "ui/qt/SettingsWindow.h"
#include "ui/qt/TrayPanel.h"

#include <QApplication>
#include <QDir>
#include <QStyle>
#include <QStyleFactory>
#include <QTabWidget>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {
bool save(QWidget& widget, const QDir& dir, const QString& name)
{
    widget.show();
    QCoreApplication::processEvents();
    const bool saved = widget.grab().save(dir.filePath(name + QStringLiteral(".png")));
    if (!saved)
        std::fprintf(stderr, "could not write %s\n", qPrintable(dir.filePath(name + QStringLiteral(".png"))));
    widget.hide();
    return saved;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT-FOLDER\n", argv[0]);
        return 2;
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QTemporaryDir home;
    ::setenv("XDG_CONFIG_HOME", qPrintable(home.filePath("config")), 1);
    ::setenv("XDG_DATA_HOME", qPrintable(home.filePath("data")), 1);
    ::setenv("AMBREL_PLATFORM", "none", 1); // shows the permission rows
    QApplication app(argc, argv);
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(out.path());
    Settings::registerDefaults("en-US");
    Settings::set(Settings::Key::playSound, false);
    Settings::set(Settings::Key::outputMode, 2);

    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    bool ok = true;
    for (const bool dark : {false, true}) {
        QApplication::setPalette(dark ? darkPalette() : QApplication::style()->standardPalette());
        const QString suffix = dark ? QStringLiteral("-dark") : QStringLiteral("-light");

        TrayPanel panel;
        panel.show(QRect(200, 0, 20, 20), {});
        ok &= save(*panel.panel(), out, QStringLiteral("panel") + suffix);
        panel.panel()->closeNow();

        HistoryStore store{QString()};
        HistoryView emptyView(store);
        ok &= save(emptyView, out, QStringLiteral("history-empty") + suffix);
        store.add("Meeting notes: ship the table export on Friday and review the CSV output with the team", false);
        store.add("| Item | Qty | Price |\n|---|---|---|\n| Tea | 2 | 4.00 |", true);
        store.add("for (int i = 0; i < n; ++i) total += price[i];", false);
        store.togglePin(store.items().back().id);
        HistoryView view(store);
        view.copy(store.items().front());
        ok &= save(view, out, QStringLiteral("history") + suffix);

        SettingsView settings;
        ok &= save(settings, out, QStringLiteral("settings-capture") + suffix);
        settings.tabs()->setCurrentIndex(1);
        ok &= save(settings, out, QStringLiteral("settings-general") + suffix);

        DocumentOCRController document;
        ok &= save(document.window(), out, QStringLiteral("document-empty") + suffix);
    }
    return ok ? 0 : 1;
}
