// The capture shortcut changed the way a person changes it, in the real oculo program: Preferences...
// from the tray menu, a click in the recorder, the new keys, the window closed. The new shortcut works at
// once and after a restart, the old one no longer does, and keys another application holds are refused.
#include "fakeurlopener.h"
#include "generalsettingsview.h"
#include "globalshortcuts.h"
#include "loginitem.h"
#include "memoryuserdefaults.h"
#include "oculodesktop.h"
#include "recorder.h"
#include "settingsviewmodel.h"
#include "settingswindow.h"
#include "textwindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString oculoPath = QStringLiteral(OCULO_BINARY_DIR "/oculo");
const QString captureKey = QStringLiteral("GlobalShortcuts_toggleScreenCaptureMode");
const QJsonObject altCtrlO{{"carbonKeyCode", 31}, {"carbonModifiers", 0x900}};

constexpr quint8 xTwo = 11, xO = 32, xP = 33;
constexpr quint16 shiftCtrl = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL;
constexpr quint16 altCtrl = XCB_MOD_MASK_1 | XCB_MOD_MASK_CONTROL;

// The first visible window whose name matches and that is larger than a tray icon.
std::optional<QString> visibleWindow(const QString& namePattern)
{
    QProcess search;
    search.start(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                             QStringLiteral("--name"), namePattern});
    search.waitForFinished(30000);
    for (const QString& window :
         QString::fromUtf8(search.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts)) {
        QProcess query;
        query.start(QStringLiteral("xdotool"), {QStringLiteral("getwindowgeometry"), window});
        query.waitForFinished(30000);
        static const QRegularExpression size(QStringLiteral(R"(Geometry: (\d+)x(\d+))"));
        const QRegularExpressionMatch match = size.match(QString::fromUtf8(query.readAllStandardOutput()));
        if (match.hasMatch() && match.captured(1).toInt() > 64 && match.captured(2).toInt() > 64)
            return window;
    }
    return std::nullopt;
}

// The window that has the keyboard focus, as xdotool names windows.
QString focusedWindow()
{
    QProcess focus;
    focus.start(QStringLiteral("xdotool"), {QStringLiteral("getwindowfocus")});
    focus.waitForFinished(30000);
    return QString::fromUtf8(focus.readAllStandardOutput()).trimmed();
}

// Where the recorder sits in the settings window: the same window, laid out here with the same style and
// fonts as in oculo, tells.
QPoint recorderCentre()
{
    QTemporaryDir autostart;
    MemoryUserDefaults defaults;
    SettingsViewModel settings(defaults);
    LoginItem loginItem(autostart.path(), oculoPath);
    FakeUrlOpener urlOpener;
    const GlobalShortcuts::Name name(QStringLiteral("toggleScreenCaptureMode"));
    SettingsWindow window(settings, name, loginItem, urlOpener);
    window.setAttribute(Qt::WA_DontShowOnScreen);
    window.show();
    const QWidget* field = window.generalView().recorder()->field();
    return field->mapTo(&window, field->rect().center());
}

} // namespace

class TestSettingsEndToEnd : public QObject {
    Q_OBJECT
    QTemporaryDir m_config;
    std::unique_ptr<OtherClient> m_display;
    std::unique_ptr<QProcess> m_windowManager;
    std::unique_ptr<QProcess> m_tray;
    std::unique_ptr<QProcess> m_oculo;
    QRect m_icon;

    QJsonObject storedDefaults() const
    {
        QFile file(m_config.filePath(QStringLiteral("oculo/defaults.json")));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QJsonDocument::fromJson(file.readAll()).object();
    }
    QJsonObject storedShortcut() const
    {
        return QJsonDocument::fromJson(storedDefaults().value(captureKey).toString().toUtf8()).object();
    }

    void startOculo(quint8 keyCode, quint16 modifiers)
    {
        m_oculo = ::startOculo(oculoPath, m_config.path());
        QVERIFY(m_oculo);
        QTRY_VERIFY_WITH_TIMEOUT(m_display->isGrabbedByAnother(keyCode, modifiers), 60000);
        std::optional<QRect> icon;
        QVERIFY2(QTest::qWaitFor([&] { return (icon = iconGeometry()).has_value(); }, 60000), "no tray icon");
        m_icon = *icon;
    }
    void stop(std::unique_ptr<QProcess>& process)
    {
        if (!process)
            return;
        process->terminate();
        if (!process->waitForFinished(30000))
            process->kill();
        process.reset();
    }

    // Preferences... is the fifth item that can be chosen while the clipboard and the history are empty.
    void openPreferences()
    {
        QVERIFY(xdotool(QStringLiteral("mousemove %1 %2").arg(m_icon.center().x()).arg(m_icon.center().y())));
        QVERIFY(xdotool(QStringLiteral("click 1")));
        QTRY_VERIFY2_WITH_TIMEOUT(m_display->menuAt(m_icon.center()), "the tray menu did not open", 30000);
        QTest::qWait(100); // it takes the keyboard as it is shown
        QVERIFY(keys({"Down", "Down", "Down", "Down", "Down", "Return"}));
        std::optional<QString> window;
        QVERIFY2(
            QTest::qWaitFor(
                [&] { return (window = visibleWindow(QStringLiteral("^Preferences$"))).has_value(); }, 60000),
            "the settings window did not open");
        // The window manager gives it the focus: the keys typed into the recorder go there.
        QTRY_COMPARE_WITH_TIMEOUT(focusedWindow(), *window, 30000);
        const QPoint field = recorderCentre();
        QVERIFY(xdotool(
            QStringLiteral("mousemove --window %1 %2 %3").arg(*window).arg(field.x()).arg(field.y())));
        QVERIFY(xdotool(QStringLiteral("click 1")));
        QTest::qWait(300);
        m_settingsWindow = *window;
    }
    QString m_settingsWindow;

    void expectOverlayFrom(const QString& keysPressed, bool expected)
    {
        QVERIFY(xdotool(QStringLiteral("key ") + keysPressed));
        if (expected) {
            QTRY_VERIFY_WITH_TIMEOUT(m_display->overlayShown(), 30000);
            QVERIFY2(escapeUntilTheOverlayGoes(*m_display), "Escape left the overlay up");
        } else {
            QTest::qWait(1000);
            QVERIFY2(!m_display->overlayShown(),
                     qPrintable(keysPressed + QStringLiteral(" started a capture")));
        }
    }

private slots:
    void initTestCase()
    {
        OCULO_SKIP_WITHOUT_X_DISPLAY();
        OCULO_SKIP_WITHOUT_XDOTOOL();
        for (const char* tool : {"trayer", "openbox"}) {
            if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
                QSKIP(qPrintable(QStringLiteral("%1 is not installed").arg(QLatin1String(tool))));
        }
        m_display = std::make_unique<OtherClient>();
        QVERIFY(m_display->isOpen());
        // A window manager closes windows as a person does, with Alt+F4.
        m_windowManager = std::make_unique<QProcess>();
        m_windowManager->start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
        QVERIFY(m_windowManager->waitForStarted(30000));
        QTRY_VERIFY_WITH_TIMEOUT(m_display->isSelectionOwned("WM_S0"), 30000);
        m_tray = startTrayHost();
        QVERIFY(m_tray);
        QVERIFY(writeQuietDefaults(m_config.path()));
        startOculo(xTwo, shiftCtrl);
    }

    void aRecordedShortcutReplacesTheOldOneAtOnceAndAfterARestart()
    {
        openPreferences();
        QVERIFY(xdotool(QStringLiteral("key ctrl+alt+o")));
        QTRY_COMPARE_WITH_TIMEOUT(storedShortcut(), altCtrlO, 30000);
        screenshot(QStringLiteral("settings-recorded.png"));
        QVERIFY(xdotool(QStringLiteral("key alt+F4")));
        QTRY_VERIFY_WITH_TIMEOUT(!visibleWindow(QStringLiteral("^Preferences$")), 30000);

        QVERIFY(m_display->isGrabbedByAnother(xO, altCtrl));
        QVERIFY(!m_display->isGrabbedByAnother(xTwo, shiftCtrl));
        expectOverlayFrom(QStringLiteral("ctrl+alt+o"), true);
        expectOverlayFrom(QStringLiteral("shift+ctrl+2"), false);

        stop(m_oculo);
        startOculo(xO, altCtrl);
        expectOverlayFrom(QStringLiteral("ctrl+alt+o"), true);
        expectOverlayFrom(QStringLiteral("shift+ctrl+2"), false);
    }

    void keysAnotherApplicationHoldsAreRefused()
    {
        xcb_connection_t* other = xcb_connect(nullptr, nullptr);
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(other)).data->root;
        std::free(xcb_request_check(other, xcb_grab_key_checked(other, 0, root, altCtrl, xP,
                                                                XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)));
        const QJsonObject before = storedShortcut();

        openPreferences();
        QVERIFY(xdotool(QStringLiteral("key ctrl+alt+p")));
        std::optional<QString> alert;
        QVERIFY2(QTest::qWaitFor(
                     [&] { return (alert = visibleWindow(QStringLiteral("^Oculo$"))).has_value(); }, 60000),
                 "no alert");
        QTRY_COMPARE_WITH_TIMEOUT(focusedWindow(), *alert, 30000);
        screenshot(QStringLiteral("settings-refused-alert.png"));
        QVERIFY(xdotool(QStringLiteral("key Return")));
        QTRY_VERIFY_WITH_TIMEOUT(!visibleWindow(QStringLiteral("^Oculo$")), 30000);
        QCOMPARE(storedShortcut(), before);
        QVERIFY(xdotool(QStringLiteral("key Escape")));
        QVERIFY(xdotool(QStringLiteral("key alt+F4")));
        xcb_disconnect(other);
        expectOverlayFrom(QStringLiteral("ctrl+alt+o"), true);
    }

    void cleanupTestCase()
    {
        stop(m_oculo);
        stop(m_tray);
        stop(m_windowManager);
    }
};

int main(int argc, char** argv)
{
    useOffscreenWithoutDisplay();
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    TestSettingsEndToEnd test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_settingsendtoend.moc"
