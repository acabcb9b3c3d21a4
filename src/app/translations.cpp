#include "translations.h"

#include "applogging.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocale>
#include <QTranslator>

#include <algorithm>

void installTranslations(QCoreApplication& application)
{
    installTranslations(application, QLocale(),
                        translationDirectories(QCoreApplication::applicationDirPath()));
}

QStringList translationDirectories(const QString& executableDirectory)
{
    // OCULO_INSTALLED_TRANSLATIONS: the installed folder relative to the installed executable's.
    return {QDir::cleanPath(executableDirectory + u'/' + QStringLiteral(OCULO_INSTALLED_TRANSLATIONS)),
            QStringLiteral(":/i18n")};
}

QStringList installTranslations(QCoreApplication& application, const QLocale& locale,
                                const QStringList& directories)
{
    QStringList loaded;
    // The application's texts, and the shortcut module's own.
    for (const QString& catalogue : {QStringLiteral("oculo"), QStringLiteral("globalshortcuts")}) {
        auto* translator = new QTranslator(&application);
        const bool found = std::any_of(directories.begin(), directories.end(), [&](const QString& directory) {
            return translator->load(locale, catalogue, QStringLiteral("_"), directory);
        });
        if (found) {
            QCoreApplication::installTranslator(translator);
            loaded.append(translator->filePath());
            qCDebug(lcApp) << "Loaded translations" << translator->filePath();
        } else {
            delete translator;
            qCDebug(lcApp) << "No" << catalogue << "translations for" << locale.name()
                           << "- using the English texts";
        }
    }
    return loaded;
}
