#pragma once

#include <QWidget>

#include <set>
#include <string>
#include <string_view>

class QLabel;
class QMenu;
class QPushButton;

// Edits the "recognitionLanguages" setting: a button showing the summary of the choice opens a menu of the offered
// languages, "Verified" first and "More languages" after, each checked when chosen; a click toggles one and keeps
// the menu open for the next. The hint below says why fewer is better.
class LanguagesField : public QWidget
{
    Q_OBJECT

public:
    // Offers the catalogue languages in `supported`: the installed ones unless a test says otherwise.
    explicit LanguagesField(QWidget* parent = nullptr);
    LanguagesField(std::set<std::string> supported, QWidget* parent);

    // The stored value as read now.
    std::string raw() const;
    QString summary() const;
    // Removes the code from the choice, or appends it at the end, and stores the result.
    void toggle(std::string_view code);
    QPushButton* button() const { return m_button; }
    QMenu* menu() const { return m_menu; }
    QLabel* hint() const { return m_hint; }

private:
    void refresh();

    std::set<std::string> m_supported;
    QPushButton* m_button = nullptr;
    QMenu* m_menu = nullptr;
    QLabel* m_hint = nullptr;
};
