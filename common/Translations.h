#pragma once

class QCoreApplication;

namespace Translations {

// Loads Qt's own German texts (standard buttons, the file, font, colour and
// print dialogs, the editor's context menu, key names such as "Strg") into
// the application. Both programs speak German whatever the system's language,
// so Qt's texts follow them. False when the translation files are missing
// (package qt6-translations-l10n); Qt then keeps its English texts. German is
// also the default locale from then on, for numbers, sizes and dates.
bool installGerman(QCoreApplication &app);

} // namespace Translations
