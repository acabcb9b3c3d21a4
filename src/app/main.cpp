#include "appdelegate.h"
#include "applicationicon.h"
#include "applogging.h"
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
#include <QFile>
#include <QLoggingCategory>
#include <QTextStream>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <pwd.h>
#include <unistd.h>
#include <utility>

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

// Qt takes the root folder for a missing HOME, and a relative XDG_CONFIG_HOME as relative to the working
// folder, so the settings and the autostart entry could end up in "/.config" or wherever Oculo was
// started. Without HOME, the account's home folder from the password database stands in; a relative
// XDG_CONFIG_HOME is not valid by the base directory rules and is left out.
void useValidConfigurationFolder()
{
    if (qEnvironmentVariableIsEmpty("HOME")) {
        const passwd* account = ::getpwuid(::getuid());
        if (account && account->pw_dir && account->pw_dir[0] == '/')
            ::setenv("HOME", account->pw_dir, 1);
    }
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    if (configHome && configHome[0] != '/')
        ::unsetenv("XDG_CONFIG_HOME");
}

// tray: Oculo itself; capture, preferences, history, about: Oculo, starting a capture or showing that
// window (in the running Oculo if there is one); quit: ends the running Oculo.
enum class Mode { console, recognize, quit, capture, preferences, history, about, tray };

// What a mode asks of the running Oculo; none for the modes that ask it nothing.
std::optional<InstanceRequest> requestOf(Mode mode)
{
    switch (mode) {
    case Mode::quit:
        return InstanceRequest::quit;
    case Mode::capture:
        return InstanceRequest::capture;
    case Mode::preferences:
        return InstanceRequest::showPreferences;
    case Mode::history:
        return InstanceRequest::showHistory;
    case Mode::about:
        return InstanceRequest::showAbout;
    case Mode::console:
    case Mode::recognize:
    case Mode::tray:
        break;
    }
    return std::nullopt;
}

Mode modeOf(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        for (const char* option : {"-h", "--help", "-v", "--version", "--help-all"}) {
            if (std::strcmp(argv[i], option) == 0)
                return Mode::console;
        }
    }
    // The first of these given decides, in this order.
    constexpr std::pair<const char*, Mode> commands[] = {
        {"--recognize", Mode::recognize},     {"--quit", Mode::quit},       {"--capture", Mode::capture},
        {"--preferences", Mode::preferences}, {"--history", Mode::history}, {"--about", Mode::about}};
    for (const auto& [option, mode] : commands) {
        for (int i = 1; i < argc; ++i) {
            if (std::strcmp(argv[i], option) == 0)
                return mode;
        }
    }
    return Mode::tray;
}

void describe(QCoreApplication& application, QCommandLineParser& parser,
              const QList<QCommandLineOption>& options)
{
    application.setApplicationName(QString::fromUtf8(OculoVersion::name));
    application.setApplicationVersion(QString::fromUtf8(OculoVersion::shortVersion));
    parser.setApplicationDescription(
        QStringLiteral("Copies text visible anywhere on the screen to the clipboard.\n"
                       "Runs in the system tray; press Shift+Ctrl+2 and drag over any text."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions(options);
    parser.addPositionalArgument(QStringLiteral("files"),
                                 QStringLiteral("Image or PDF files, with --recognize; \"-\" is standard "
                                                "input."),
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

// Hands the request of the mode (--capture, --history, --quit...) to the Oculo running in this session,
// without making the tray application. The status to exit with; none when no Oculo runs and this start
// is to become it (all but --quit).
std::optional<int> handToRunningOculo(int argc, char** argv, InstanceRequest request,
                                      const QList<QCommandLineOption>& options)
{
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    describe(application, parser, options);
    parser.process(application);
    const std::unique_ptr<InstanceChannel> instance = loadInstanceChannel();
    if (request != InstanceRequest::quit) {
        if (instance->send(request))
            return 0;
        return std::nullopt;
    }
    QTextStream err(stderr);
    if (!instance->send(InstanceRequest::quit)) {
        err << application.applicationName() << " is not running\n";
        return 1;
    }
    // Gone when this returns, so that a start right after it becomes the new Oculo.
    constexpr int quitTimeoutMs = 10000;
    if (!instance->waitUntilNoneRuns(quitTimeoutMs)) {
        err << application.applicationName() << " was asked to quit but still runs\n";
        return 1;
    }
    return 0;
}

int recognizeFiles(QCoreApplication& application, const QStringList& files, const QString& language)
{
    // Standard error holds one line for each file that cannot be read: the image format plugins' own
    // remarks about a damaged file (Qt 6.8's TIFF plugin makes them) would read as more failures.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.imageformats.*=false"));
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
    QFile standardInput;
    if (!standardInput.open(STDIN_FILENO, QIODevice::ReadOnly))
        qCDebug(lcApp) << "Standard input cannot be read:" << standardInput.errorString();
    return runRecognizeCommand(files, *imageLoader, *pool, standardInput, out, err);
}

} // namespace

int main(int argc, char** argv)
{
    const QCommandLineOption capture(
        QStringLiteral("capture"),
        QStringLiteral("Start a capture, in the Oculo already running if there is one (starting Oculo "
                       "otherwise)."));
    const QCommandLineOption preferences(
        QStringLiteral("preferences"),
        QStringLiteral("Show the Preferences window, in the Oculo already running if there is one (starting "
                       "Oculo otherwise)."));
    const QCommandLineOption history(QStringLiteral("history"),
                                     QStringLiteral("Show the history window, in the same way."));
    const QCommandLineOption about(QStringLiteral("about"),
                                   QStringLiteral("Show About Oculo, in the same way."));
    const QCommandLineOption quit(QStringLiteral("quit"), QStringLiteral("Quit the Oculo that is running."));
    const QCommandLineOption recognize(
        QStringLiteral("recognize"),
        QStringLiteral("Print the text of each FILE and exit (no display needed); a FILE \"-\" is the "
                       "image on standard input."));
    const QCommandLineOption language(
        QStringLiteral("lang"),
        QStringLiteral("With --recognize, read in this language only (eng, fra, ita, deu, spa, por, chi_sim, "
                       "chi_tra) instead of choosing it for each image."),
        QStringLiteral("CODE"));
    const QList<QCommandLineOption> options{capture, preferences, history, about, quit, recognize, language};
    const Mode mode = modeOf(argc, argv);
    const std::optional<InstanceRequest> request = requestOf(mode);
    useValidConfigurationFolder();

    // A request for the running Oculo needs none of the rest, nor the restart for OpenMP.
    if (request) {
        if (const std::optional<int> status = handToRunningOculo(argc, argv, *request, options))
            return *status;
    }
    ensureSingleThreadedOpenMp(argv);

    if (mode == Mode::console || mode == Mode::recognize) {
        QCoreApplication application(argc, argv);
        QCommandLineParser parser;
        describe(application, parser, options);
        parser.process(application);
        if (mode == Mode::console)
            return 0;
        return recognizeFiles(application, parser.positionalArguments(), parser.value(language));
    }

    QApplication application(argc, argv);
    QCommandLineParser parser;
    describe(application, parser, options);
    application.setDesktopFileName(QString::fromUtf8(OculoVersion::identifier));
    // The installed icon of the theme names Oculo's windows in task switchers.
    // The theme's icon once installed, the drawings compiled in when run from the build folder.
    application.setWindowIcon(ApplicationIcon::make());
    application.setQuitOnLastWindowClosed(false);
    parser.process(application);

    // One Oculo per session: a start that finds one running leaves before making anything.
    std::unique_ptr<InstanceChannel> instance = loadInstanceChannel();
    if (instance->claim() == InstanceClaim::taken) {
        if (request && instance->send(*request))
            return 0;
        QTextStream(stderr) << application.applicationName() << " is already running\n";
        return 0;
    }
    installTranslations(application);
    auto platform = loadPlatform();
    platform->instanceChannel = std::move(instance);
    // The language setting reaches the workers through this choice.
    const auto languageChoice = std::make_shared<RecognitionLanguageChoice>();
    AppDelegate delegate(*platform, makeRecognitionPool({}, languageChoice));
    delegate.setRecognitionLanguageChoice(languageChoice);
    delegate.applicationDidFinishLaunching();
    // What this start was asked for, once launching is done.
    if (request) {
        QMetaObject::invokeMethod(
            &delegate, [&delegate, request] { delegate.perform(*request); }, Qt::QueuedConnection);
    }
    return application.exec();
}
