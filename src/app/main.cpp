#include "appdelegate.h"
#include "automaticlanguageengine.h"
#include "imageloader.h"
#include "oculoversion.h"
#include "platform.h"
#include "platformloader.h"
#include "recognitionenginepool.h"
#include "recognizecommand.h"
#include "translations.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTextStream>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

// The OCR library's OpenMP threads fight the worker pool on few cores and can only be limited from the
// environment before the process starts: so the process starts itself once more with the limit set.
void ensureSingleThreadedOpenMp(char** argv)
{
    const char* limit = std::getenv("OMP_THREAD_LIMIT");
    if (limit && std::strcmp(limit, "1") == 0)
        return;
    ::setenv("OMP_THREAD_LIMIT", "1", 1);
    // By its real path, so that the process keeps its name ("oculo", not "exe") for ps and pkill.
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return;
    path[length] = '\0';
    ::execv(path, argv);
    // Exec failed: carry on, only slower.
}

enum class Mode { console, recognize, tray };

Mode modeOf(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        for (const char* option : {"-h", "--help", "-v", "--version", "--help-all"}) {
            if (std::strcmp(argv[i], option) == 0)
                return Mode::console;
        }
    }
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--recognize") == 0)
            return Mode::recognize;
    }
    return Mode::tray;
}

void describe(QCoreApplication& application, QCommandLineParser& parser, const QCommandLineOption& recognize,
              const QCommandLineOption& language)
{
    application.setApplicationName(QString::fromUtf8(OculoVersion::name));
    application.setApplicationVersion(QString::fromUtf8(OculoVersion::shortVersion));
    parser.setApplicationDescription(
        QStringLiteral("Copies text visible anywhere on the screen to the clipboard.\n"
                       "Runs in the system tray; press Shift+Ctrl+2 and drag over any text."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(recognize);
    parser.addOption(language);
    parser.addPositionalArgument(QStringLiteral("files"),
                                 QStringLiteral("Image or PDF files, with --recognize."),
                                 QStringLiteral("[FILE...]"));
}

// Every worker's engine shares the list of installed languages and the language identification;
// fixedLanguage empty: the language of each crop is chosen automatically.
std::shared_ptr<RecognitionEnginePool>
makeRecognitionPool(const QString& fixedLanguage = {},
                    std::shared_ptr<const RecognitionLanguageChoice> choice = {})
{
    auto models = RecognitionLanguageModels::fromSystem();
    std::shared_ptr<const LanguageRecognizer> recognizer = loadLanguageRecognizer();
    return std::make_shared<RecognitionEnginePool>([models, recognizer, fixedLanguage, choice] {
        return std::make_unique<AutomaticLanguageEngine>(models, recognizer, fixedLanguage, choice);
    });
}

int recognizeFiles(QCoreApplication& application, const QStringList& files, const QString& language)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (files.isEmpty()) {
        err << application.applicationName() << ": --recognize needs at least one file\n";
        return 2;
    }
    if (!language.isEmpty() && !RecognitionLanguageModels::engineLanguages().contains(language)) {
        err << application.applicationName() << ": --lang takes one of "
            << RecognitionLanguageModels::engineLanguages().join(QStringLiteral(", ")) << '\n';
        return 2;
    }
    const auto imageLoader = loadImageLoader();
    const auto pool = makeRecognitionPool(language);
    return runRecognizeCommand(files, *imageLoader, *pool, out, err);
}

} // namespace

int main(int argc, char** argv)
{
    ensureSingleThreadedOpenMp(argv);
    const QCommandLineOption recognize(
        QStringLiteral("recognize"),
        QStringLiteral("Print the text of each FILE and exit (no display needed)."));
    const QCommandLineOption language(
        QStringLiteral("lang"),
        QStringLiteral("With --recognize, read in this language only (eng, fra, ita, deu, spa, por, chi_sim, "
                       "chi_tra) instead of choosing it for each image."),
        QStringLiteral("CODE"));
    const Mode mode = modeOf(argc, argv);

    if (mode != Mode::tray) {
        QCoreApplication application(argc, argv);
        QCommandLineParser parser;
        describe(application, parser, recognize, language);
        parser.process(application);
        if (mode == Mode::console)
            return 0;
        return recognizeFiles(application, parser.positionalArguments(), parser.value(language));
    }

    QApplication application(argc, argv);
    QCommandLineParser parser;
    describe(application, parser, recognize, language);
    application.setDesktopFileName(QString::fromUtf8(OculoVersion::identifier));
    application.setQuitOnLastWindowClosed(false);
    parser.process(application);

    installTranslations(application);
    auto platform = loadPlatform();
    // The language setting reaches the workers through this choice.
    const auto languageChoice = std::make_shared<RecognitionLanguageChoice>();
    AppDelegate delegate(*platform, makeRecognitionPool({}, languageChoice));
    delegate.setRecognitionLanguageChoice(languageChoice);
    delegate.applicationDidFinishLaunching();
    return application.exec();
}
