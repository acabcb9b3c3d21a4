#include "tesseractlanguages.h"

#include "recognitionlogging.h"

#include <QFile>

#include <tesseract/baseapi.h>

#include <exception>
#include <string>
#include <vector>

namespace {

// Trained data that Tesseract lists next to the languages but that reads no language.
const QStringList notLanguages = {QStringLiteral("osd"), QStringLiteral("equ")};

// An engine initialised without any language: it loads no model, but knows the data folder by
// Tesseract's own rules (the given path, TESSDATA_PREFIX, the built-in default).
struct DataFolderProbe {
    tesseract::TessBaseAPI api;
    bool ready = false;

    explicit DataFolderProbe(const QString& dataPath)
    {
        const QByteArray path = QFile::encodeName(dataPath);
        std::vector<std::string> names{"debug_file"};
        std::vector<std::string> values{"/dev/null"};
        // Newer Tesseract releases throw where older ones returned an error, for a data folder that is
        // missing or cannot be read.
        try {
            ready = api.Init(dataPath.isEmpty() ? nullptr : path.constData(), "", tesseract::OEM_LSTM_ONLY,
                             nullptr, 0, &names, &values, false) == 0;
        } catch (const std::exception& error) {
            qCDebug(lcRecognition) << "Tesseract cannot open its data folder:" << error.what();
        }
    }
};

} // namespace

QString recognitionDataPath(const QString& dataPath)
{
    DataFolderProbe probe(dataPath);
    const char* folder = probe.api.GetDatapath();
    return folder ? QFile::decodeName(folder) : QString();
}

QStringList installedRecognitionLanguages(const QString& dataPath)
{
    DataFolderProbe probe(dataPath);
    if (!probe.ready)
        return {};
    std::vector<std::string> available;
    try {
        probe.api.GetAvailableLanguagesAsVector(&available);
    } catch (const std::exception& error) {
        // Thrown for a data folder that does not exist or cannot be listed: no language is installed.
        qCDebug(lcRecognition) << "Tesseract cannot list its data folder:" << error.what();
        return {};
    }
    QStringList languages;
    for (const std::string& name : available) {
        const QString language = QString::fromStdString(name);
        // Entries in subfolders (script models) are no language codes.
        if (!language.isEmpty() && !language.contains(QLatin1Char('/')) && !notLanguages.contains(language))
            languages.append(language);
    }
    languages.sort();
    return languages;
}
