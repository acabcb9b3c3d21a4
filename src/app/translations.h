// Installs the translations of the application's texts for the system locale.
#pragma once

class QCoreApplication;

void installTranslations(QCoreApplication& application);
