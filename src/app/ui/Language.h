#pragma once
// The program speaks Russian, and so must Qt's own dialogs and dates.

#include <QCoreApplication>

namespace drumo {

// Loads Qt's Russian texts (the buttons of questions; the file, folder, colour and print dialogs)
// and makes Russian the default locale, so that calendars name months and days in Russian and
// short dates read "09.12.2026". Call it before the first window is created. False when Qt's
// Russian translations are not installed: the dates are Russian all the same, Qt's texts English.
bool UseRussianLanguage(QCoreApplication& app);

}  // namespace drumo
