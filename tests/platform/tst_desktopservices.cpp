#include "linux/boundedimageloader.h"
#include "linux/canberrasystemsound.h"
#include "linux/clipboardpasteboard.h"
#include "linux/desktopurlopener.h"
#include "linux/filedialogopenpanel.h"
#include "linux/qtapplicationservice.h"
#include "linux/qtmodifierkeys.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QFileDialog>
#include <QImageWriter>
#include <QMimeData>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <xcb/xcb.h>

#include <atomic>

namespace {

bool hasX11()
{
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

#define REQUIRE_X11()                                                                                        \
    if (!hasX11())                                                                                           \
        QSKIP("Needs an X display: set DISPLAY (scripts/test starts Xvfb)");

// Runs a tool while this process keeps answering X requests (the clipboard is served from its event
// loop); its output, none when it failed.
std::optional<QByteArray> runTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    QSignalSpy finished(&process, &QProcess::finished);
    process.start(program, arguments);
    if (!process.waitForStarted(5000))
        return std::nullopt;
    process.closeWriteChannel();
    if (!finished.wait(10000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return process.readAllStandardOutput();
}

std::optional<QByteArray> readClipboard(const QString& target = {})
{
    QStringList arguments{QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard")};
    if (!target.isEmpty())
        arguments << QStringLiteral("-t") << target;
    return runTool(QStringLiteral("xclip"), arguments);
}

// Hands the clipboard to xclip, which keeps serving it until another client takes it.
bool offerWithXclip(const QString& path, const QString& type)
{
    return runTool(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"),
                                             QStringLiteral("-t"), type, QStringLiteral("-i"), path})
        .has_value();
}

QImage sample()
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int x = 0; x < 32; ++x)
        image.setPixel(x, 10, qRgb(200, 30, 30));
    return image;
}

QByteArray encode(const QImage& image, const char* format)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    return QImageWriter(&buffer, format).write(image) ? buffer.data() : QByteArray();
}

// Qt stamps its clipboard ownership with the last X server time it saw; a client that took the clipboard
// later (xclip here, with the current server time) keeps it against an older stamp. A property change
// on a window of ours brings a fresh time, as any user input would in a session.
void refreshServerTime()
{
    static int count = 0;
    QWindow window;
    window.setFlags(Qt::Tool | Qt::FramelessWindowHint);
    window.resize(10, 10);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return;
    window.setTitle(QStringLiteral("time %1").arg(++count));
    QTest::qWait(50);
}

// Releases the keys it pressed, also when a check fails half way.
struct HeldKeys {
    explicit HeldKeys(const QString& keys)
        : m_keys(keys)
    {
        pressed = runTool(QStringLiteral("xdotool"), {QStringLiteral("keydown"), m_keys}).has_value();
    }
    ~HeldKeys() { runTool(QStringLiteral("xdotool"), {QStringLiteral("keyup"), m_keys}); }
    bool pressed = false;

private:
    QString m_keys;
};

} // namespace

class TestDesktopServices : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;

    QString writeFile(const QString& name, const QByteArray& bytes)
    {
        QFile file(m_dir.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? file.fileName()
                                                                                    : QString();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        if (!hasX11())
            qWarning("No X display: only the checks that need none run");
    }

    void cleanupTestCase()
    {
        // Taking the clipboard back ends any xclip still serving it.
        if (hasX11()) {
            refreshServerTime();
            ClipboardPasteboard().setString(QString());
        }
    }

    void textReachesOtherClients_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("ascii") << QStringLiteral("Hello, clipboard");
        QTest::newRow("unicode") << QStringLiteral("Grüße — 日本語 ✓");
        QTest::newRow("lines") << QStringLiteral("first line\nsecond line\n");
    }

    void textReachesOtherClients()
    {
        REQUIRE_X11();
        QFETCH(QString, text);
        ClipboardPasteboard pasteboard;
        QGuiApplication::clipboard()->setImage(sample()); // replaced by the text below
        pasteboard.setString(text);
        QCOMPARE(pasteboard.string(), std::optional<QString>(text));
        const std::optional<QByteArray> read = readClipboard();
        QVERIFY(read);
        QCOMPARE(QString::fromUtf8(*read), text);
        const std::optional<QByteArray> targets = readClipboard(QStringLiteral("TARGETS"));
        QVERIFY(targets);
        QVERIFY2(!targets->contains("image/"), targets->constData());
        QVERIFY(pasteboard.imageData().isEmpty());
    }

    void readsTextOfOtherClients()
    {
        REQUIRE_X11();
        const QString path = writeFile(QStringLiteral("text.txt"), "set by xclip");
        QVERIFY(offerWithXclip(path, QStringLiteral("UTF8_STRING")));
        ClipboardPasteboard pasteboard;
        QTRY_COMPARE(pasteboard.string(), std::optional<QString>(QStringLiteral("set by xclip")));
        QVERIFY(pasteboard.imageData().isEmpty());
    }

    void readsImagesOfOtherClients_data()
    {
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<QString>("type");
        QTest::newRow("png") << QByteArray("png") << QStringLiteral("image/png");
        QTest::newRow("tiff") << QByteArray("tiff") << QStringLiteral("image/tiff");
        QTest::newRow("bmp") << QByteArray("bmp") << QStringLiteral("image/bmp");
        QTest::newRow("jpeg") << QByteArray("jpeg") << QStringLiteral("image/jpeg");
    }

    void readsImagesOfOtherClients()
    {
        REQUIRE_X11();
        QFETCH(QByteArray, format);
        QFETCH(QString, type);
        const QByteArray bytes = encode(sample(), format.constData());
        const QString path = writeFile(QStringLiteral("clip.") + format, bytes);
        QVERIFY(offerWithXclip(path, type));
        ClipboardPasteboard pasteboard;
        QTRY_COMPARE(pasteboard.imageData(), bytes);
        const QImage decoded = BoundedImageLoader().loadData(pasteboard.imageData());
        QCOMPARE(decoded.size(), sample().size());
    }

    void encodesImageOfThisProcess()
    {
        REQUIRE_X11();
        refreshServerTime();
        QGuiApplication::clipboard()->setImage(sample());
        QVERIFY(QGuiApplication::clipboard()->ownsClipboard());
        const QImage decoded = BoundedImageLoader().loadData(ClipboardPasteboard().imageData());
        QCOMPARE(decoded, sample());
    }

    void choosesImageType_data()
    {
        QTest::addColumn<QStringList>("types"); // offered, each with data unless it ends in '!'
        QTest::addColumn<QString>("chosen");    // empty: no image
        QTest::newRow("png before jpeg") << QStringList{"image/jpeg", "image/png"} << "image/png";
        QTest::newRow("tiff before bmp") << QStringList{"image/bmp", "image/tiff"} << "image/tiff";
        QTest::newRow("bmp before webp") << QStringList{"image/webp", "image/bmp"} << "image/bmp";
        QTest::newRow("known before other")
            << QStringList{"image/x-portable-pixmap", "image/webp"} << "image/webp";
        QTest::newRow("other image type")
            << QStringList{"text/plain", "image/x-portable-pixmap"} << "image/x-portable-pixmap";
        QTest::newRow("empty png skipped") << QStringList{"image/png!", "image/jpeg"} << "image/jpeg";
        QTest::newRow("text only") << QStringList{"text/plain", "text/html"} << QString();
        QTest::newRow("nothing") << QStringList{} << QString();
    }

    void choosesImageType()
    {
        QFETCH(QStringList, types);
        QFETCH(QString, chosen);
        QMimeData content;
        for (QString type : types) {
            const bool empty = type.endsWith(QLatin1Char('!'));
            type.remove(QLatin1Char('!'));
            content.setData(type, empty ? QByteArray() : type.toUtf8());
        }
        QCOMPARE(ClipboardPasteboard::imageDataOf(content), chosen.toUtf8());
    }

    void modifierMapping_data()
    {
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<quint64>("flags");
        QTest::newRow("none") << int(Qt::NoModifier) << quint64(0);
        QTest::newRow("ctrl") << int(Qt::ControlModifier) << ModifierFlag::command;
        QTest::newRow("alt") << int(Qt::AltModifier) << ModifierFlag::option;
        QTest::newRow("super") << int(Qt::MetaModifier) << ModifierFlag::control;
        QTest::newRow("shift") << int(Qt::ShiftModifier) << ModifierFlag::shift;
        QTest::newRow("all") << int(Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier |
                                    Qt::MetaModifier)
                             << (ModifierFlag::shift | ModifierFlag::command | ModifierFlag::option |
                                 ModifierFlag::control);
        QTest::newRow("keypad ignored") << int(Qt::KeypadModifier) << quint64(0);
    }

    void modifierMapping()
    {
        QFETCH(int, modifiers);
        QFETCH(quint64, flags);
        QCOMPARE(QtModifierKeys::flagsFromQt(Qt::KeyboardModifiers(modifiers)), flags);
    }

    void readsHeldModifiers_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<quint64>("flags");
        QTest::newRow("ctrl") << "ctrl" << ModifierFlag::command;
        QTest::newRow("shift") << "shift" << ModifierFlag::shift;
        QTest::newRow("alt") << "alt" << ModifierFlag::option;
        QTest::newRow("shift+ctrl") << "shift+ctrl" << (ModifierFlag::shift | ModifierFlag::command);
    }

    void readsHeldModifiers()
    {
        REQUIRE_X11();
        QFETCH(QString, keys);
        QFETCH(quint64, flags);
        const QtModifierKeys modifierKeys;
        QCOMPARE(modifierKeys.currentModifierFlags(), quint64(0));
        {
            const HeldKeys held(keys);
            QVERIFY(held.pressed);
            QTRY_COMPARE(modifierKeys.currentModifierFlags(), flags);
        }
        QTRY_COMPARE(modifierKeys.currentModifierFlags(), quint64(0));
    }

    void configuresDialog_data()
    {
        QTest::addColumn<bool>("multiple");
        QTest::addColumn<QStringList>("extensions");
        QTest::addColumn<QString>("filter");
        QTest::newRow("one type") << false << QStringList{"png"} << "*.png *.PNG";
        QTest::newRow("several") << true << QStringList{"png", "jpeg"} << "*.png *.PNG *.jpeg *.JPEG";
        QTest::newRow("upper case given") << false << QStringList{"TIFF"} << "*.TIFF *.tiff";
        QTest::newRow("mixed case") << false << QStringList{"Png", "PNG"} << "*.Png *.png *.PNG";
        QTest::newRow("with dot, blank") << false << QStringList{".pdf", " "} << "*.pdf *.PDF";
        QTest::newRow("any file") << true << QStringList{} << QString();
    }

    void configuresDialog()
    {
        QFETCH(bool, multiple);
        QFETCH(QStringList, extensions);
        QFETCH(QString, filter);
        QCOMPARE(FileDialogOpenPanel::nameFilter(extensions), filter);
        OpenPanelRequest request;
        request.title = QStringLiteral("Choose an image");
        request.allowsMultipleSelection = multiple;
        request.allowedFileTypes = extensions;
        QFileDialog dialog;
        FileDialogOpenPanel::configure(dialog, request);
        QCOMPARE(dialog.windowTitle(), request.title);
        QCOMPARE(dialog.fileMode(), multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
        QCOMPARE(dialog.acceptMode(), QFileDialog::AcceptOpen);
        QVERIFY(dialog.testOption(QFileDialog::ReadOnly));
        QVERIFY(!dialog.testOption(QFileDialog::ShowDirsOnly));
        if (!filter.isEmpty())
            QCOMPARE(dialog.nameFilters(), QStringList{filter});
    }

    void runsDialog_data()
    {
        QTest::addColumn<bool>("accept");
        QTest::newRow("chosen") << true;
        QTest::newRow("cancelled") << false;
    }

    void runsDialog()
    {
        REQUIRE_X11();
        QFETCH(bool, accept);
        const QString path = writeFile(QStringLiteral("chosen.png"), encode(sample(), "png"));
        QTimer answer;
        answer.setInterval(20);
        QObject::connect(&answer, &QTimer::timeout, &answer, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            answer.stop();
            if (accept) {
                // selectFile() leaves the name field alone while it has the focus.
                if (QWidget* focused = QApplication::focusWidget())
                    focused->clearFocus();
                dialog->selectFile(path);
                static_cast<QDialog*>(dialog)->accept(); // QFileDialog::accept() validates the choice
                // When the choice is not taken, fail rather than hang.
                QTimer::singleShot(5000, dialog, &QDialog::reject);
            } else {
                dialog->reject();
            }
        });
        answer.start();
        OpenPanelRequest request;
        request.allowedFileTypes = {QStringLiteral("png")};
        const std::optional<QStringList> chosen = FileDialogOpenPanel().runModal(request);
        QVERIFY(!answer.isActive());
        QCOMPARE(chosen.has_value(), accept);
        if (accept)
            QCOMPARE(*chosen, QStringList{path});
    }

    void hidesVisibleWindows()
    {
        REQUIRE_X11();
        QWidget normal;
        QWidget tool(nullptr, Qt::Tool);
        normal.show();
        tool.show();
        QVERIFY(QTest::qWaitForWindowExposed(&normal));
        QtApplicationService().hide();
        QVERIFY(!normal.isVisible());
        QVERIFY(!tool.isVisible());
        QVERIFY(!normal.windowHandle()->isVisible());
    }

    void hiddenWindowsComeBack()
    {
        REQUIRE_X11();
        QtApplicationService service;
        QWidget card(nullptr, Qt::Tool | Qt::WindowDoesNotAcceptFocus);
        card.show();
        QVERIFY(QTest::qWaitForWindowExposed(&card));
        service.hide();
        QVERIFY(!card.isVisible());
        QVERIFY(service.isHidden());
        // Nothing else shown: it stays hidden.
        QTest::qWait(50);
        QVERIFY(!card.isVisible());

        // Another window of the application shown (a capture starting): the hidden one first.
        QWidget overlay;
        overlay.show();
        QVERIFY(card.isVisible());
        QVERIFY(!service.isHidden());
        QVERIFY(QTest::qWaitForWindowExposed(&overlay));

        // An activation brings them back as well, and a window hidden by its owner stays hidden.
        QWidget closed;
        service.hide();
        QVERIFY(!card.isVisible() && !overlay.isVisible());
        service.activate();
        QVERIFY(card.isVisible() && overlay.isVisible());
        QVERIFY(!closed.isVisible());
        service.hide();
        card.close();
        service.activate();
        QVERIFY(!card.isVisible());
        QVERIFY(overlay.isVisible());
    }

    void activatesNextWindow()
    {
        REQUIRE_X11();
        QWidget first;
        first.show();
        first.activateWindow();
        QTRY_COMPARE(QGuiApplication::focusWindow(), first.windowHandle());

        QtApplicationService service;
        service.activate();
        QWidget tip(nullptr, Qt::ToolTip); // does not take the focus, so it leaves the activation pending
        tip.show();
        QVERIFY(service.isActivationPending());
        QWidget next;
        next.show();
        QVERIFY(!service.isActivationPending());
        QTRY_COMPARE(QGuiApplication::focusWindow(), next.windowHandle());
    }

    void urlsReachTheHandlerEncodedAsGiven()
    {
        REQUIRE_X11();
        // xdg-open as the desktop runs it, except that it only notes the URL, one a line.
        const QString urls = m_dir.filePath(QStringLiteral("opened-urls"));
        const QString script =
            writeFile(QStringLiteral("xdg-open"),
                      QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$1\" >> '%1'\n").arg(urls).toUtf8());
        QVERIFY(QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", m_dir.path().toUtf8() + ':' + path);
        const auto restorePath = qScopeGuard([&] { qputenv("PATH", path); });
        const auto opened = [&] {
            QFile file(urls);
            return file.open(QIODevice::ReadOnly)
                       ? QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts)
                       : QStringList();
        };

        DesktopUrlOpener opener;
        // The escapes stay as written; only what is not printable ASCII is escaped.
        QVERIFY(opener.openEncodedUrl(QStringLiteral("https://example.org/?q=e%2Eg%2E%20caf\u00e9")));
        QTRY_COMPARE(opened(), QStringList{"https://example.org/?q=e%2Eg%2E%20caf%C3%A9"});
        // One a QUrl keeps as it is goes the ordinary way.
        QVERIFY(opener.openEncodedUrl(QStringLiteral("https://example.org/?q=a%20b")));
        QTRY_COMPARE(opened(), (QStringList{"https://example.org/?q=e%2Eg%2E%20caf%C3%A9",
                                            "https://example.org/?q=a%20b"}));
        QVERIFY(!opener.openEncodedUrl(QStringLiteral("not a url [")));
    }

    void soundFailureLoggedOnce()
    {
        // Wherever it runs, with or without a sound service: at most one warning, however often it plays,
        // and the sound thread is done before destruction.
        static std::atomic<int> warnings;
        static QtMessageHandler previous;
        warnings = 0;
        previous = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext& context, const QString& text) {
                if (type == QtWarningMsg && qstrcmp(context.category, "oculo.platform") == 0)
                    ++warnings;
                previous(type, context, text);
            });
        auto sound = std::make_unique<CanberraSystemSound>();
        for (int i = 0; i < 4; ++i) {
            sound->playCaptureSound();
            sound->waitForRequests();
        }
        sound->playCaptureSound();
        sound.reset();
        qInstallMessageHandler(previous);
        QVERIFY(warnings <= 1);
    }
};

// Starts on X11 when a display answers, else offscreen so that the checks needing none still run.
int main(int argc, char** argv)
{
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool display = !xcb_connection_has_error(connection);
    xcb_disconnect(connection);
    qputenv("QT_QPA_PLATFORM", display ? "xcb" : "offscreen");
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication application(argc, argv);
    TestDesktopServices test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_desktopservices.moc"
