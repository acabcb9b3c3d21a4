// The real oculo program in a real system tray (an XEmbed tray host on the X display), used with the
// mouse and keyboard through xdotool: the icon is there, its menu converts an image on the clipboard,
// and the recent-captures submenu then brings the text back after the clipboard changed.
#include "oculodesktop.h"
#include "textwindow.h"
#include "x11testmain.h"

#include <QApplication>
#include <QClipboard>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

const QString oculoPath = QStringLiteral(OCULO_BINARY_DIR "/oculo");
const QString clipboardText = QStringLiteral("Convert this clipboard image");

} // namespace

class TestTrayEndToEnd : public QObject {
    Q_OBJECT
    QTemporaryDir m_config;
    std::unique_ptr<QProcess> m_tray;
    std::unique_ptr<QProcess> m_oculo;
    std::unique_ptr<OtherClient> m_display;
    QRect m_icon;

    void openMenu()
    {
        QVERIFY(runXdotool(
            {"mousemove", QString::number(m_icon.center().x()), QString::number(m_icon.center().y())}));
        QVERIFY(runXdotool({"click", "1"}));
        QTRY_VERIFY2_WITH_TIMEOUT(m_display->menuAt(m_icon.center()), "the tray menu did not open", 30000);
        QTest::qWait(100); // it takes the keyboard as it is shown
    }

private slots:
    void initTestCase()
    {
        OCULO_SKIP_WITHOUT_X_DISPLAY();
        OCULO_SKIP_WITHOUT_XDOTOOL();
        if (QStandardPaths::findExecutable(QStringLiteral("trayer")).isEmpty())
            QSKIP("trayer (the tray host) is not installed");
        QVERIFY(QFile::exists(oculoPath));
        m_display = std::make_unique<OtherClient>();
        QVERIFY(m_display->isOpen());

        m_tray = startTrayHost();
        QVERIFY(m_tray);
        QVERIFY(writeQuietDefaults(m_config.path()));
        m_oculo = startOculo(oculoPath, m_config.path());
        QVERIFY(m_oculo);
        std::optional<QRect> icon;
        QVERIFY2(QTest::qWaitFor([&] { return (icon = iconGeometry()).has_value(); }, 60000),
                 "oculo's icon did not appear in the tray");
        m_icon = *icon;
    }

    void theMenuConvertsTheClipboardAndRestoresItLater()
    {
        QGuiApplication::clipboard()->setImage(oneLineImage(clipboardText));
        QTRY_VERIFY_WITH_TIMEOUT(QGuiApplication::clipboard()->ownsClipboard(), 30000);
        openMenu();
        screenshot(QStringLiteral("tray-menu.png"));
        // Start Text Capture, Open..., Convert Clipboard (enabled by the image).
        QVERIFY(keys({"Down", "Down", "Down", "Return"}));
        QTRY_COMPARE_WITH_TIMEOUT(clipboardThroughXclip(), clipboardText, 60000);

        QGuiApplication::clipboard()->setText(QStringLiteral("something else"));
        QTRY_COMPARE_WITH_TIMEOUT(clipboardThroughXclip(), QStringLiteral("something else"), 30000);
        openMenu();
        // Start Text Capture, Open..., then Recent Captures (Convert Clipboard is disabled by text).
        QVERIFY(keys({"Down", "Down", "Down", "Right"}));
        QTRY_VERIFY2_WITH_TIMEOUT(m_display->submenuBesideMenuAt(m_icon.center()),
                                  "the recent captures did not open", 30000);
        screenshot(QStringLiteral("tray-menu-recent-captures.png"));
        QVERIFY(keys({"Return"}));
        QTRY_COMPARE_WITH_TIMEOUT(clipboardThroughXclip(), clipboardText, 30000);
    }

    void cleanupTestCase()
    {
        runXdotool({"key", "Escape"});
        for (auto* process : {m_oculo.get(), m_tray.get()}) {
            if (!process)
                continue;
            process->terminate();
            if (!process->waitForFinished(30000))
                process->kill();
        }
    }
};

int main(int argc, char** argv)
{
    useOffscreenWithoutDisplay();
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    TestTrayEndToEnd test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_trayendtoend.moc"
