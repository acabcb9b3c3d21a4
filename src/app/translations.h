// Installs the translations of the application's texts for the system locale. Main thread, before the
// first text is looked up; a catalogue found nowhere leaves the English texts in place.
#pragma once

#include <QStringList>

class QCoreApplication;
class QLocale;

void installTranslations(QCoreApplication& application);

// The folders searched for each catalogue, first match first: the installed translations found from the
// folder of the executable (share/oculo/translations beside its bin/), then those compiled in.
QStringList translationDirectories(const QString& executableDirectory);

// Installs each catalogue for the locale from the first directory that has it; the translators belong to
// the application. Returns the files loaded.
QStringList installTranslations(QCoreApplication& application, const QLocale& locale,
                                const QStringList& directories);
