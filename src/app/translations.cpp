#include "translations.h"

#include "applogging.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

void installTranslations(QCoreApplication& application)
{
    // The application's texts, and the shortcut module's own.
    for (const QString& catalogue : {QStringLiteral("oculo"), QStringLiteral("globalshortcuts")}) {
        auto* translator = new QTranslator(&application);
        if (translator->load(QLocale(), catalogue, QStringLiteral("_"), QStringLiteral(":/i18n"))) {
            QCoreApplication::installTranslator(translator);
            qCDebug(lcApp) << "Loaded translations" << translator->filePath();
        } else {
            delete translator;
            qCDebug(lcApp) << "No" << catalogue << "translations for" << QLocale().name()
                           << "- using the English texts";
        }
    }
}
