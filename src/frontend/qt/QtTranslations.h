// Qt's own texts (the font dialog, standard buttons) in Japanese.
#pragma once

namespace QtTranslations {

// Loads Qt's Japanese translation whatever the user's locale is, since every
// other text of the program is Japanese. False when it is not installed; Qt's
// texts then stay English.
bool installJapanese();

} // namespace QtTranslations
