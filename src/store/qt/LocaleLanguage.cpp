#include "store/qt/LocaleLanguage.h"

#include "store/InstalledLanguages.h"
#include "store/Languages.h"
#include "store/qt/SettingsStore.h"

#include <QLocale>

std::string LocaleLanguage::current()
{
    const QLocale::Language language = QLocale::system().language();
    if (language == QLocale::C || language == QLocale::AnyLanguage)
        return {};
    return QLocale::languageToCode(language).toStdString();
}

// Here rather than in the store: these are the readers that need the locale and the installed languages.
void Settings::registerDefaults(const InstalledLanguages& installed)
{
    registerDefaults(Languages::systemDefault(LocaleLanguage::current(), installed.codes()));
}

std::vector<std::string> StoredSettings::languages() const
{
    Settings::registerDefaults(m_installed);
    return Settings::languages();
}

std::vector<std::string> StoredSettings::defaultLanguages() const
{
    return LocaleLanguage::defaultLanguages(m_installed);
}

std::vector<std::string> LocaleLanguage::defaultLanguages(const InstalledLanguages& installed)
{
    return Languages::selected(Languages::systemDefault(current(), installed.codes()));
}
