#include "app/ui/Language.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace drumo {

bool UseRussianLanguage(QCoreApplication& app) {
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    // The translator lives as long as the application that owns it.
    auto* qtTexts = new QTranslator(&app);
    if (!qtTexts->load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        qWarning("Qt's Russian translations (qtbase_ru) were not found; Qt's dialogs stay in English");
        delete qtTexts;
        return false;
    }
    QCoreApplication::installTranslator(qtTexts);
    return true;
}

}  // namespace drumo
