// The global shortcut of the real oculo program on a real X display, pressed with xdotool like a person
// at the keyboard: the overlay comes with the release of the shortcut, a drag then copies text, and a
// shortcut stored before the start replaces the default one.
#include "oculodesktop.h"
#include "textwindow.h"
#include "x11testmain.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <xcb/xcb.h>

namespace {

const QString oculoPath = QStringLiteral(OCULO_BINARY_DIR "/oculo");

// X key codes (evdev + 8) and masks of the two shortcuts used here.
constexpr quint8 xTwo = 11, xO = 32;
constexpr quint16 shiftCtrl = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL;
constexpr quint16 altCtrl = XCB_MOD_MASK_1 | XCB_MOD_MASK_CONTROL;

} // namespace

class TestShortcutEndToEnd : public QObject {
    Q_OBJECT
    QTemporaryDir m_config;
    std::unique_ptr<OtherClient> m_display;
    std::unique_ptr<TextWindow> m_window;
    std::unique_ptr<QProcess> m_oculo;

    QString defaultsPath() const { return m_config.filePath(QStringLiteral("oculo/defaults.json")); }

    QJsonObject storedDefaults() const
    {
        QFile file(defaultsPath());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QJsonDocument::fromJson(file.readAll()).object();
    }

    // Starts oculo on these stored settings and waits until it holds the hot key.
    void startOculo(QJsonObject defaults, quint8 keyCode, quint16 modifiers)
    {
        stopOculo();
        defaults.insert(QStringLiteral("playSound"), false);
        QDir().mkpath(QFileInfo(defaultsPath()).absolutePath());
        QFile file(defaultsPath());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QJsonDocument(defaults).toJson());
        file.close();

        m_oculo = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_config.path());
        // Alone, so that an Oculo running in the desktop's session cannot take its place.
        env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        m_oculo->setProcessEnvironment(env);
        m_oculo->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_oculo->start(oculoPath, {});
        QVERIFY(m_oculo->waitForStarted(30000));
        QTRY_VERIFY_WITH_TIMEOUT(m_display->isGrabbedByAnother(keyCode, modifiers), 60000);
    }

    void stopOculo()
    {
        if (!m_oculo)
            return;
        m_oculo->terminate();
        if (!m_oculo->waitForFinished(30000))
            m_oculo->kill();
        m_oculo.reset();
    }

    void cancelOverlay() { QVERIFY2(escapeUntilTheOverlayGoes(*m_display), "Escape left the overlay up"); }

private slots:
    void initTestCase()
    {
        OCULO_SKIP_WITHOUT_X_DISPLAY();
        OCULO_SKIP_WITHOUT_XDOTOOL();
        QVERIFY(QFile::exists(oculoPath));
        m_display = std::make_unique<OtherClient>();
        QVERIFY(m_display->isOpen());
        m_window = std::make_unique<TextWindow>();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        QTRY_VERIFY_WITH_TIMEOUT(m_window->textIsOnScreen(), 30000);
    }

    void theOverlayComesWithTheReleaseAndADragCopiesText()
    {
        startOculo({}, xTwo, shiftCtrl);
        const QRect area = m_window->textArea(8);
        QVERIFY(xdotool(QStringLiteral("mousemove %1 %2").arg(area.left()).arg(area.top())));

        QVERIFY(xdotool(QStringLiteral("keydown shift+ctrl+2")));
        QTest::qWait(800);
        QVERIFY2(!m_display->overlayShown(), "the overlay came with the press");
        QVERIFY(xdotool(QStringLiteral("keyup shift+ctrl+2")));
        QTRY_VERIFY_WITH_TIMEOUT(m_display->overlayShown(), 30000);
        screenshot(QStringLiteral("shortcut-overlay.png"));

        QVERIFY(xdotool(QStringLiteral("mousedown 1")));
        for (int step = 1; step <= 4; ++step) {
            const QPoint p = area.topLeft() + (area.bottomRight() + QPoint(1, 1) - area.topLeft()) * step / 4;
            QVERIFY(xdotool(QStringLiteral("mousemove %1 %2").arg(p.x()).arg(p.y())));
            QTest::qWait(30);
        }
        QVERIFY(xdotool(QStringLiteral("mouseup 1")));
        QTRY_COMPARE_WITH_TIMEOUT(clipboardThroughXclip(), paragraph.join(u'\n'), 60000);
        QVERIFY(!m_display->overlayShown());
    }

    void holdingTheShortcutIsOnePressAndOneRelease()
    {
        if (!m_oculo)
            startOculo({}, xTwo, shiftCtrl);
        const qint64 before = storedDefaults().value(QStringLiteral("numberOfCaptures")).toInteger();
        QVERIFY(xdotool(QStringLiteral("keydown shift+ctrl+2")));
        QTest::qWait(1000); // the keyboard repeats the held key meanwhile
        QVERIFY2(!m_display->overlayShown(), "a repeated key was taken for a release");
        QVERIFY(xdotool(QStringLiteral("keyup shift+ctrl+2")));
        QTRY_VERIFY_WITH_TIMEOUT(m_display->overlayShown(), 30000);
        cancelOverlay();
        QTRY_COMPARE_WITH_TIMEOUT(storedDefaults().value(QStringLiteral("numberOfCaptures")).toInteger(),
                                  before + 1, 30000);
    }

    void aShortcutStoredBeforeTheStartReplacesTheDefault()
    {
        const QJsonObject altCtrlO{{"carbonKeyCode", 31}, {"carbonModifiers", 0x900}};
        startOculo({{QStringLiteral("GlobalShortcuts_toggleScreenCaptureMode"),
                     QString::fromUtf8(QJsonDocument(altCtrlO).toJson(QJsonDocument::Compact))}},
                   xO, altCtrl);
        QVERIFY(!m_display->isGrabbedByAnother(xTwo, shiftCtrl));

        QVERIFY(xdotool(QStringLiteral("key shift+ctrl+2")));
        QTest::qWait(1000);
        QVERIFY2(!m_display->overlayShown(), "the default shortcut still works");
        QVERIFY(xdotool(QStringLiteral("key ctrl+alt+o")));
        QTRY_VERIFY_WITH_TIMEOUT(m_display->overlayShown(), 30000);
        cancelOverlay();
    }

    // A failed check must not leave keys held or the overlay up for what follows.
    void cleanup()
    {
        xdotool(QStringLiteral("keyup shift+ctrl+2"));
        if (m_display && m_display->overlayShown())
            xdotool(QStringLiteral("key Escape"));
    }

    void cleanupTestCase()
    {
        stopOculo();
        m_window.reset();
    }
};

int main(int argc, char** argv)
{
    useOffscreenWithoutDisplay();
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    TestShortcutEndToEnd test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_shortcutendtoend.moc"
