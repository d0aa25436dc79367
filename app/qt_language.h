// The standard dialogs and buttons Qt draws itself (file dialogs, message box buttons) in
// the window's language, Chinese, from Qt's own translations.
#pragma once

class QCoreApplication;

namespace orvelle {

// Installs Qt's Chinese translations into `application`; false when they are not installed
// (Debian's qt6-translations-l10n), and Qt's English is shown then.
bool installQtChinese(QCoreApplication& application);

}  // namespace orvelle
