#include "ui/qt/LanguagesField.h"

#include "app/qt/DesktopServices.h"
#include "store/InstalledLanguages.h"
#include "store/Languages.h"
#include "store/qt/SettingsStore.h"
#include "ui/qt/Glyphs.h"
#include "ui/qt/Look.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {
QString qt(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A menu that stays open when one of its checkable entries is chosen, so several languages can be picked in one
// go; anything else closes it as usual.
class StayOpenMenu final : public QMenu
{
public:
    using QMenu::QMenu;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        QAction* action = activeAction();
        if (action && action->isCheckable() && action->isEnabled() && rect().contains(event->position().toPoint())) {
            action->trigger();
            return;
        }
        QMenu::mouseReleaseEvent(event);
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        QAction* action = activeAction();
        const bool choose =
            event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space;
        if (choose && action && action->isCheckable() && action->isEnabled()) {
            action->trigger();
            return;
        }
        QMenu::keyPressEvent(event);
    }
};
} // namespace

LanguagesField::LanguagesField(QWidget* parent)
    : LanguagesField(desktopServices().languages.codes(), parent)
{}

LanguagesField::LanguagesField(std::set<std::string> supported, QWidget* parent)
    : QWidget(parent)
    , m_supported(std::move(supported))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    m_button = new QPushButton;
    m_button->setObjectName(QStringLiteral("languagesButton"));
    m_menu = new StayOpenMenu(this);
    m_button->setMenu(m_menu);
    layout->addWidget(m_button, 0, Qt::AlignLeft);
    m_hint = new QLabel(QStringLiteral("Pick the languages your photos/scans use. Fewer languages = higher accuracy. "
                                       "Digital PDFs are exact regardless."));
    Look::makeHint(m_hint);
    layout->addWidget(m_hint);

    auto addSection = [this](const QString& title, const std::vector<OCRLanguage>& languages, bool verified) {
        if (languages.empty())
            return;
        QAction* header = m_menu->addSection(title);
        if (verified)
            header->setIcon(Glyphs::icon(Glyphs::Symbol::Check));
        for (const OCRLanguage& language : languages) {
            QAction* action = m_menu->addAction(qt(language.name));
            action->setCheckable(true);
            action->setData(qt(language.code));
            connect(action, &QAction::triggered, this, [this, code = language.code] { toggle(code); });
        }
    };
    addSection(QStringLiteral("Verified"), Languages::verified(m_supported), true);
    addSection(QStringLiteral("More languages"), Languages::others(m_supported), false);
    // The value may have changed elsewhere (another window, the command line's settings file) since last shown.
    connect(m_menu, &QMenu::aboutToShow, this, &LanguagesField::refresh);
    refresh();
}

std::string LanguagesField::raw() const
{
    return Settings::string(Settings::Key::languages);
}

QString LanguagesField::summary() const
{
    return qt(Languages::summary(Languages::selected(raw()), m_supported));
}

void LanguagesField::toggle(std::string_view code)
{
    Settings::set(Settings::Key::languages, Languages::toggle(raw(), code));
    refresh();
}

void LanguagesField::refresh()
{
    const std::vector<std::string> selected = Languages::selected(raw());
    m_button->setText(summary());
    for (QAction* action : m_menu->actions()) {
        if (!action->isCheckable())
            continue;
        const std::string code = action->data().toString().toStdString();
        action->setChecked(std::find(selected.begin(), selected.end(), code) != selected.end());
    }
}
