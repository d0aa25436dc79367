// The window's language: Chinese, its own, with the standard dialogs and buttons Qt draws
// itself (file dialogs, message box buttons) from Qt's Chinese translations; or English, the
// window's texts from its English translation and Qt's own English.
#pragma once

class QCoreApplication;

namespace orvelle {

// Installs Qt's Chinese translations into `application`; false when they are not installed
// (Debian's qt6-translations-l10n), and Qt's English is shown then.
bool installQtChinese(QCoreApplication& application);

// Installs the English texts of the window into `application`; false when they cannot be had.
bool installWindowEnglish(QCoreApplication& application);

// The user's language (as the jobs speak it) for the whole window.
void installWindowLanguage(QCoreApplication& application);

}  // namespace orvelle
