// Installs the build tree with `cmake --install` into a temporary DESTDIR and checks what the package
// ships: every file in place, the desktop entry and AppStream metadata valid and naming the installed
// executable, icon and version, the icons of their folder's size, the installed executable reading a
// sample image, and the translations found from the installed executable's folder.
#include "oculoversion.h"
#include "translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
#include <QXmlStreamReader>

namespace {

const QString identifier = QString::fromUtf8(OculoVersion::identifier);
const QList<int> iconSizes = {16, 22, 24, 32, 48, 64, 128, 256};

struct Run {
    int exitCode = -1;
    QString output; // standard output and error together
};

Run run(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment = {})
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (!environment.isEmpty())
        process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return {-1, program + QStringLiteral(" did not run: ") + process.errorString()};
    return {process.exitCode(), QString::fromUtf8(process.readAll())};
}

using DesktopEntry = QHash<QString, QHash<QString, QString>>; // group -> key -> raw value

DesktopEntry readDesktopEntry(const QString& path)
{
    QFile file(path);
    DesktopEntry entry;
    if (!file.open(QIODevice::ReadOnly))
        return entry;
    QString group;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        if (line.startsWith(u'[') && line.endsWith(u']'))
            group = line.mid(1, line.size() - 2);
        else if (const qsizetype equals = line.indexOf(u'='); equals > 0 && !line.startsWith(u'#'))
            entry[group][line.left(equals).trimmed()] = line.mid(equals + 1).trimmed();
    }
    return entry;
}

} // namespace

class TestInstallation : public QObject {
    Q_OBJECT
    QTemporaryDir m_destdir;
    QTemporaryDir m_folder; // translations beside the installed ones, for the loader's cases

    QString installed(const QString& fullPath) const { return m_destdir.path() + fullPath; }
    QString bin() const { return installed(QStringLiteral(OCULO_INSTALL_BINDIR)); }
    QString data(const QString& relative) const
    {
        return installed(QStringLiteral(OCULO_INSTALL_DATADIR)) + u'/' + relative;
    }
    QString translations() const { return installed(QStringLiteral(OCULO_INSTALL_TRANSLATIONSDIR)); }
    QString desktopEntryPath() const
    {
        return data(QStringLiteral("applications/%1.desktop").arg(identifier));
    }
    QString metainfoPath() const { return data(QStringLiteral("metainfo/%1.metainfo.xml").arg(identifier)); }

    static void removeTranslators()
    {
        qDeleteAll(QCoreApplication::instance()->findChildren<QTranslator*>(Qt::FindDirectChildrenOnly));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_destdir.isValid());
        QVERIFY(m_folder.isValid());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DESTDIR"), m_destdir.path());
        const Run install = run(QStringLiteral(OCULO_CMAKE_COMMAND),
                                {QStringLiteral("--install"), QStringLiteral(OCULO_BINARY_DIR)}, environment);
        QVERIFY2(install.exitCode == 0, qPrintable(install.output));
    }

    void cleanup() { removeTranslators(); }

    void installsEveryFile_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("executable") << bin() + QStringLiteral("/oculo");
        QTest::newRow("desktop entry") << desktopEntryPath();
        QTest::newRow("AppStream metadata") << metainfoPath();
        QTest::newRow("scalable icon")
            << data(QStringLiteral("icons/hicolor/scalable/apps/%1.svg").arg(identifier));
        for (const int size : iconSizes) {
            QTest::addRow("%d px icon", size)
                << data(QStringLiteral("icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(identifier));
        }
        // One catalogue for each translation source.
        const QDir sources(QStringLiteral(OCULO_SOURCE_DIR "/resources/translations"));
        for (const QString& ts : sources.entryList({QStringLiteral("*.ts")}, QDir::Files)) {
            const QString qm = QFileInfo(ts).completeBaseName() + QStringLiteral(".qm");
            QTest::newRow(qPrintable(qm)) << translations() + u'/' + qm;
        }
    }

    void installsEveryFile()
    {
        QFETCH(QString, path);
        const QFileInfo file(path);
        QVERIFY2(file.isFile(), qPrintable(path + QStringLiteral(" is missing")));
        QVERIFY(file.size() > 0);
        if (file.path() == bin())
            QVERIFY(file.isExecutable());
    }

    void iconsHaveTheSizeOfTheirFolder()
    {
        const QDir hicolor(data(QStringLiteral("icons/hicolor")));
        const QRegularExpression sizeFolder(QStringLiteral("^(\\d+)x(\\d+)$"));
        QList<int> found;
        for (const QString& folder : hicolor.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
            const QDir apps(hicolor.filePath(folder + QStringLiteral("/apps")));
            if (folder == u"scalable") {
                for (const QString& svg : apps.entryList({QStringLiteral("*")}, QDir::Files)) {
                    QImageReader reader(apps.filePath(svg));
                    QCOMPARE(reader.format(), QByteArray("svg"));
                    QVERIFY2(!reader.read().isNull(), qPrintable(reader.errorString()));
                }
                continue;
            }
            const QRegularExpressionMatch match = sizeFolder.match(folder);
            QVERIFY2(match.hasMatch(), qPrintable(folder + QStringLiteral(" is not a size folder")));
            const QSize size(match.captured(1).toInt(), match.captured(2).toInt());
            for (const QString& png : apps.entryList({QStringLiteral("*")}, QDir::Files)) {
                QImageReader reader(apps.filePath(png));
                QCOMPARE(reader.format(), QByteArray("png"));
                const QImage image = reader.read();
                QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
                QCOMPARE(image.size(), size);
                QVERIFY2(image.hasAlphaChannel(), qPrintable(png + QStringLiteral(" has no transparency")));
            }
            found.append(size.width());
        }
        std::sort(found.begin(), found.end());
        QCOMPARE(found, iconSizes);
    }

    void desktopEntryValidatesCleanly()
    {
        // Warnings and hints are printed too; a clean entry prints nothing at all.
        const Run validate = run(QStringLiteral("desktop-file-validate"), {desktopEntryPath()});
        QVERIFY2(validate.exitCode == 0 && validate.output.trimmed().isEmpty(), qPrintable(validate.output));
    }

    void desktopEntryStartsTheInstalledExecutableWithItsIcon()
    {
        const DesktopEntry entry = readDesktopEntry(desktopEntryPath());
        const auto main = entry.value(QStringLiteral("Desktop Entry"));
        const QString program = main.value(QStringLiteral("Exec")).section(u' ', 0, 0);
        QVERIFY2(QFileInfo(bin() + u'/' + program).isExecutable(), qPrintable(program));
        QCOMPARE(main.value(QStringLiteral("Icon")), identifier);
        QVERIFY(
            QFileInfo::exists(data(QStringLiteral("icons/hicolor/scalable/apps/%1.svg").arg(identifier))));
        // Every action it lists is there and starts the same executable with an option it knows.
        const QStringList actions = main.value(QStringLiteral("Actions")).split(u';', Qt::SkipEmptyParts);
        QVERIFY(!actions.isEmpty());
        const Run help = run(bin() + u'/' + program, {QStringLiteral("--help")});
        for (const QString& action : actions) {
            const auto group = entry.value(QStringLiteral("Desktop Action ") + action);
            QVERIFY2(!group.value(QStringLiteral("Name")).isEmpty(), qPrintable(action));
            const QStringList command = group.value(QStringLiteral("Exec")).split(u' ');
            QCOMPARE(command.first(), program);
            for (const QString& option : command.mid(1))
                QVERIFY2(help.output.contains(u' ' + option + u' '), qPrintable(option));
        }
    }

    void metainfoValidates()
    {
        const Run validate = run(QStringLiteral("appstreamcli"),
                                 {QStringLiteral("validate"), QStringLiteral("--no-net"), metainfoPath()});
        QVERIFY2(validate.exitCode == 0, qPrintable(validate.output));
    }

    void metainfoDescribesTheInstalledApplication()
    {
        QFile file(metainfoPath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&file);
        // The first of each element that names something installed, and the newest release's version.
        QHash<QString, QString> found;
        while (!xml.atEnd()) {
            xml.readNext();
            if (!xml.isStartElement() || found.contains(xml.name().toString()))
                continue;
            const QString name = xml.name().toString();
            if (name == u"release")
                found.insert(name, xml.attributes().value(QStringLiteral("version")).toString());
            else if (name == u"id" || name == u"launchable" || name == u"binary")
                found.insert(name, xml.readElementText().trimmed());
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QCOMPARE(found.value(QStringLiteral("id")), identifier);
        QCOMPARE(found.value(QStringLiteral("launchable")), QFileInfo(desktopEntryPath()).fileName());
        QVERIFY(QFileInfo(bin() + u'/' + found.value(QStringLiteral("binary"))).isExecutable());
        QCOMPARE(found.value(QStringLiteral("release")), QString::fromUtf8(OculoVersion::shortVersion));
    }

    void installedExecutableReadsASampleImage()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        const Run recognize = run(bin() + QStringLiteral("/oculo"),
                                  {QStringLiteral("--recognize"),
                                   QStringLiteral(OCULO_SOURCE_DIR "/tests/packaging/sample-text.png")},
                                  environment);
        QCOMPARE(recognize.exitCode, 0);
        QCOMPARE(recognize.output, QStringLiteral("Oculo was installed\nand reads this text.\n"));
    }

    void translationsAreFoundFromTheInstalledExecutable()
    {
        const QStringList directories = translationDirectories(bin());
        QCOMPARE(directories.value(0), translations());
        const QStringList loaded =
            installTranslations(*QCoreApplication::instance(), QLocale(QStringLiteral("en_US")), directories);
        QCOMPARE(loaded.size(), 2);
        for (const QString& path : loaded)
            QCOMPARE(QFileInfo(path).path(), translations());
    }

    void loadsEachCatalogueFromTheFirstFolderThatHasIt_data()
    {
        // Folder: the installed English catalogues copied under these names. Expected: the files loaded,
        // the folder written as "folder".
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QStringList>("folder");
        QTest::addColumn<QStringList>("expected");
        const auto names = [](std::initializer_list<const char*> list) {
            QStringList result;
            for (const char* name : list)
                result.append(QString::fromLatin1(name));
            return result;
        };
        QTest::newRow("the folder before the compiled-in ones")
            << QStringLiteral("en_US") << names({"oculo_en.qm", "globalshortcuts_en.qm"})
            << names({"folder/oculo_en.qm", "folder/globalshortcuts_en.qm"});
        QTest::newRow("compiled in where the folder lacks a catalogue")
            << QStringLiteral("en_US") << names({"oculo_en.qm"})
            << names({"folder/oculo_en.qm", ":/i18n/globalshortcuts_en.qm"});
        QTest::newRow("a language only the folder has")
            << QStringLiteral("fr_FR") << names({"oculo_fr.qm"}) << names({"folder/oculo_fr.qm"});
        QTest::newRow("a language nobody has") << QStringLiteral("ja_JP") << QStringList() << QStringList();
    }

    void loadsEachCatalogueFromTheFirstFolderThatHasIt()
    {
        QFETCH(QString, locale);
        QFETCH(QStringList, folder);
        QFETCH(QStringList, expected);
        const QDir dir(m_folder.path());
        for (const QString& name : dir.entryList(QDir::Files))
            QVERIFY(QFile::remove(dir.filePath(name)));
        for (const QString& name : folder) {
            const QString english = name.section(u'_', 0, 0) + QStringLiteral("_en.qm");
            QVERIFY(QFile::copy(translations() + u'/' + english, dir.filePath(name)));
        }

        const QStringList loaded = installTranslations(*QCoreApplication::instance(), QLocale(locale),
                                                       {m_folder.path(), QStringLiteral(":/i18n")});
        QStringList shown;
        for (const QString& path : loaded)
            shown.append(QString(path).replace(m_folder.path(), QStringLiteral("folder")));
        QCOMPARE(shown, expected);
        // Only the translators that loaded stay with the application.
        QCOMPARE(QCoreApplication::instance()->findChildren<QTranslator*>(Qt::FindDirectChildrenOnly).size(),
                 expected.size());
    }
};

QTEST_GUILESS_MAIN(TestInstallation)
#include "tst_installation.moc"
