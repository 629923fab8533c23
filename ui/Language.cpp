#include "ui/Language.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QTranslator>

namespace tarveno::ui {

namespace {

QTranslator& translator() {
    static QTranslator* t = new QTranslator(QCoreApplication::instance());
    return *t;
}

} // namespace

Language startLanguage(const QString& settingsFile) {
    if (!settingsFile.isEmpty()) {
        const QString remembered = QSettings(settingsFile, QSettings::IniFormat).value("language").toString();
        if (const auto named = languageNamed(remembered.toStdString())) return *named;
    }
    return languageFromEnvironment();
}

bool applyLanguage(Language language) {
    setLanguage(language);
    QTranslator& t = translator();
    QCoreApplication::removeTranslator(&t);
    if (language != Language::English) return true;
    // The installed translation first, so that a corrected one can replace the built-in.
    const QString installed = QCoreApplication::applicationDirPath() + "/../share/tarveno/translations";
    const bool loaded = t.load("tarveno_en", installed) || t.load("tarveno_en", ":/i18n");
    if (loaded) QCoreApplication::installTranslator(&t);
    return loaded;
}

void rememberLanguage(const QString& settingsFile, Language language) {
    if (settingsFile.isEmpty()) return;
    QSettings(settingsFile, QSettings::IniFormat)
        .setValue("language", language == Language::English ? "en" : "course");
}

} // namespace tarveno::ui
