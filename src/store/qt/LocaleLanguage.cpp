#include "store/qt/LocaleLanguage.h"

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

// Here rather than in the store: this is the one registration that asks Tesseract for its installed languages,
// and keeping it apart lets the store link without the engine.
void Settings::registerDefaults()
{
    registerDefaults(Languages::systemDefault(LocaleLanguage::current(), Languages::supported()));
}

std::vector<std::string> LocaleLanguage::defaultLanguages()
{
    return Languages::selected(Languages::systemDefault(current(), Languages::supported()));
}
