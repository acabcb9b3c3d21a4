#include "translations.h"

#include "applogging.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

void installTranslations(QCoreApplication& application)
{
    auto* translator = new QTranslator(&application);
    if (translator->load(QLocale(), QStringLiteral("oculo"), QStringLiteral("_"), QStringLiteral(":/i18n"))) {
        QCoreApplication::installTranslator(translator);
        qCDebug(lcApp) << "Loaded translations" << translator->filePath();
    } else {
        delete translator;
        qCDebug(lcApp) << "No translations for" << QLocale().name() << "- using the English texts";
    }
}
