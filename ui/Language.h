#pragma once
// The window's language. The course texts are the window's own sources; English loads the
// window's translation and switches the engine's messages with it. The choice made in
// Option > Language is remembered in the settings file; without one, the user's language
// decides, as on the command line.

#include "support/Catalogue.h"

#include <QString>

namespace tarveno::ui {

// The language remembered in settingsFile ("language" = "en" or "course"), else the
// environment's.
Language startLanguage(const QString& settingsFile);
// Speaks language from now on: the engine's messages and, through the translation, every
// window (Qt tells each widget of the change). False when English's translation cannot be
// found: the window then keeps the course texts, the engine's messages are English.
bool applyLanguage(Language language);
// Remembers language in settingsFile for the next start (nothing for an empty name).
void rememberLanguage(const QString& settingsFile, Language language);

} // namespace tarveno::ui
