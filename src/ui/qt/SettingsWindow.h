#pragma once

#include <QPointer>
#include <QWidget>

class HotKeyRecorder;
class LanguagesField;
class QCheckBox;
class QComboBox;
class QTabWidget;

// The settings: a "Capture" tab (default output, shortcut, languages, sound) and a "General" tab (about line,
// history keeping, launch at login, screen-capture permission). Every control writes its setting at once; the
// permission is read when the window is built.
class SettingsView : public QWidget
{
    Q_OBJECT

public:
    explicit SettingsView(QWidget* parent = nullptr);

    QTabWidget* tabs() const { return m_tabs; }
    QComboBox* outputPicker() const { return m_outputPicker; }
    HotKeyRecorder* recorder() const { return m_recorder; }
    LanguagesField* languages() const { return m_languages; }
    QCheckBox* playSound() const { return m_playSound; }
    QCheckBox* keepHistory() const { return m_keepHistory; }
    QCheckBox* launchAtLogin() const { return m_launchAtLogin; }

protected:
    // The output mode may have been changed in the panel since this window was last shown.
    void showEvent(QShowEvent* event) override;

private:
    QWidget* captureTab();
    QWidget* generalTab();
    void readSettings();

    QTabWidget* m_tabs = nullptr;
    QComboBox* m_outputPicker = nullptr;
    HotKeyRecorder* m_recorder = nullptr;
    LanguagesField* m_languages = nullptr;
    QCheckBox* m_playSound = nullptr;
    QCheckBox* m_keepHistory = nullptr;
    QCheckBox* m_launchAtLogin = nullptr;
};

// Owns the settings window, created on first show and kept for the life of the process.
class SettingsWindow : public QObject
{
    Q_OBJECT

public:
    static SettingsWindow& shared();
    // Creates the window on first use and brings it to the front; a second call brings the same window forward.
    void show();
    SettingsView* window() const { return m_window; }

private:
    QPointer<SettingsView> m_window;
};
