// Nothing of Oculo's own ends up in a capture: the real oculo in a real tray on the X display, with text
// of another client lying under its history window, under its open tray menu and under a preview card
// when a capture starts; each capture must read that text. With OCULO_TEST_WINDOW_MANAGER=openbox the
// same runs under openbox, started here.
#include "oculodesktop.h"
#include "privatesessionbus.h"
#include "soakprobe.h"
#include "textwindow.h"
#include "x11testmain.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QPainter>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

namespace {

const QString oculoPath = QStringLiteral(OCULO_BINARY_DIR "/oculo");

// Lines of known text on a white ground, kept below every other window.
class UnderWindow : public QWidget {
public:
    UnderWindow()
    {
        setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnBottomHint);
        m_font = QFont(QStringLiteral("DejaVu Sans"));
        m_font.setPixelSize(18);
    }
    void setLines(const QStringList& lines)
    {
        m_lines = lines;
        resize(textSize() + QSize(2 * margin, 2 * margin));
        update();
    }
    // Puts the text's centre at `centre` (global).
    void centreTextAt(QPoint centre) { move(centre - QPoint(width() / 2, height() / 2)); }
    QRect textArea(int outside) const
    {
        return QRect(geometry().topLeft() + QPoint(margin, margin), textSize())
            .adjusted(-outside, -outside, outside, outside);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        painter.setFont(m_font);
        painter.setPen(QColor(20, 20, 20));
        const QFontMetrics metrics(m_font);
        for (int i = 0; i < m_lines.size(); ++i)
            painter.drawText(margin, margin + i * lineHeight() + metrics.ascent(), m_lines.at(i));
    }

private:
    static constexpr int margin = 24;
    int lineHeight() const { return QFontMetrics(m_font).height() + 8; }
    QSize textSize() const
    {
        const QFontMetrics metrics(m_font);
        int width = 0;
        for (const QString& line : m_lines)
            width = std::max(width, metrics.horizontalAdvance(line));
        return {width, lineHeight() * int(m_lines.size())};
    }
    QFont m_font;
    QStringList m_lines;
};

// xdotool while this process keeps painting its window and serving its clipboard.
bool act(const QStringList& arguments)
{
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), arguments);
    return QTest::qWaitFor([&] { return xdotool.state() == QProcess::NotRunning; }, 30000) &&
           xdotool.exitStatus() == QProcess::NormalExit && xdotool.exitCode() == 0;
}

QString at(QPoint p)
{
    return QStringLiteral("%1 %2").arg(p.x()).arg(p.y());
}

} // namespace

class TestOwnWindowsEndToEnd : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    std::unique_ptr<PrivateSessionBus> m_bus;
    std::unique_ptr<soak::XWindows> m_x;
    std::unique_ptr<QProcess> m_windowManager;
    std::unique_ptr<QProcess> m_tray;
    std::unique_ptr<QProcess> m_oculo;
    std::unique_ptr<UnderWindow> m_under;
    QRect m_icon;
    quint32 m_base = 0;
    int m_captures = 0;

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_bus->address());
        env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("oculo.app.debug=true"));
        return env;
    }

    // oculo's viewable windows that ignore the window manager and are smaller than the screen.
    QList<QRect> floatingWindows()
    {
        QList<QRect> found;
        for (xcb_window_t window : m_x->viewableTopLevels(m_base)) {
            const soak::XWindows::Attributes a = m_x->attributes(window);
            if (a.overrideRedirect && a.geometry.width() < QGuiApplication::primaryScreen()->size().width())
                found.append(a.geometry);
        }
        return found;
    }

    // The largest visible window of oculo that is not the tray icon.
    static std::optional<QRect> largestWindow()
    {
        std::optional<QRect> largest;
        for (const QRect& rect : visibleOculoWindows()) {
            if (rect.width() > 64 &&
                (!largest || rect.width() * rect.height() > largest->width() * largest->height()))
                largest = rect;
        }
        return largest;
    }

    // Shows those lines with their text centred under `area`, which must hold the text.
    void putTextUnder(const QStringList& lines, const QRect& area)
    {
        m_under->setLines(lines);
        m_under->centreTextAt(area.center());
        QTRY_VERIFY_WITH_TIMEOUT(area.contains(m_under->textArea(4)), 10000);
        QTest::qWait(300);
    }

    // Drags over the text under the overlay that `start` brings up and checks that exactly its lines
    // come to the clipboard.
    void captureReads(const QStringList& lines, const std::function<bool()>& start)
    {
        const QString before = QStringLiteral("before capture %1").arg(++m_captures);
        QGuiApplication::clipboard()->setText(before);
        QTRY_COMPARE_WITH_TIMEOUT(clipboardThroughXclip(), before, 10000);
        QVERIFY(start());
        QVERIFY2(QTest::qWaitFor([&] { return m_x->overlay() != 0; }, 30000), "no overlay came up");
        const QRect area = m_under->textArea(10);
        const QPoint from = area.topLeft();
        const QPoint to = area.bottomRight() + QPoint(1, 1);
        QStringList drag{"mousemove", QString::number(from.x()), QString::number(from.y()), "mousedown", "1"};
        for (int step = 1; step <= 4; ++step)
            drag << QStringLiteral("mousemove") << at(from + (to - from) * step / 4).split(u' ');
        drag << QStringLiteral("mouseup") << QStringLiteral("1");
        QVERIFY(act(drag));
        QString text;
        QVERIFY2(QTest::qWaitFor(
                     [&] {
                         text = clipboardThroughXclip();
                         return text != before && !text.startsWith(u'<');
                     },
                     60000),
                 "no text came to the clipboard");
        screenshot(QStringLiteral("own-windows-%1.png").arg(m_captures));
        QCOMPARE(text, lines.join(u'\n'));
    }

    bool openMenu()
    {
        const QPoint centre = m_icon.center();
        if (!act({"mousemove", QString::number(centre.x()), QString::number(centre.y()), "click", "1"}))
            return false;
        return QTest::qWaitFor([&] { return m_x->menuShownAt(m_base, m_icon.center()); }, 20000);
    }

    std::optional<QRect> menuGeometry()
    {
        for (const QRect& window : floatingWindows()) {
            if (window.adjusted(-2, -2, 2, 2).contains(m_icon.center()))
                return window;
        }
        return std::nullopt;
    }

private slots:
    void initTestCase()
    {
        OCULO_SKIP_WITHOUT_X_DISPLAY();
        OCULO_SKIP_WITHOUT_XDOTOOL();
        for (const char* tool : {"trayer", "xclip", "dbus-daemon"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                QSKIP(qPrintable(QStringLiteral("%1 is not installed").arg(QLatin1String(tool))));
        }
        QVERIFY(QFile::exists(oculoPath));
        m_x = std::make_unique<soak::XWindows>();
        QVERIFY(m_x->isOpen());
        const QString manager = qEnvironmentVariable("OCULO_TEST_WINDOW_MANAGER");
        if (!manager.isEmpty()) {
            m_windowManager = std::make_unique<QProcess>();
            m_windowManager->start(manager, {});
            QVERIFY2(m_windowManager->waitForStarted(10000), qPrintable(manager + " did not start"));
            QTest::qWait(1000);
        }
        m_bus = std::make_unique<PrivateSessionBus>();
        QVERIFY2(!m_bus->address().isEmpty(), qPrintable(m_bus->error()));
        QVERIFY(writeQuietDefaults(m_dir.filePath(QStringLiteral("config"))));

        // Mapped before anything of oculo's, so below all of it.
        m_under = std::make_unique<UnderWindow>();
        m_under->setLines({QStringLiteral("Nothing here yet")});
        m_under->move(0, QGuiApplication::primaryScreen()->geometry().height() / 2);
        m_under->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_under.get()));

        m_tray = startTrayHost(QStringLiteral("left"));
        QVERIFY(m_tray);
        m_oculo = std::make_unique<QProcess>();
        m_oculo->setProcessEnvironment(environment());
        m_oculo->setStandardOutputFile(m_dir.filePath(QStringLiteral("oculo-output")));
        m_oculo->setStandardErrorFile(m_dir.filePath(QStringLiteral("oculo-log")));
        m_oculo->start(oculoPath, {});
        QVERIFY(m_oculo->waitForStarted(10000));
        std::optional<QRect> icon;
        QVERIFY2(QTest::qWaitFor([&] { return (icon = iconGeometry()).has_value(); }, 30000),
                 "oculo's icon did not appear in the tray");
        m_icon = *icon;
        // oculo's resource id base, from any window of its own.
        QProcess search;
        search.start(QStringLiteral("xdotool"), {"search", "--class", "oculo"});
        QVERIFY(QTest::qWaitFor([&] { return search.state() == QProcess::NotRunning; }, 10000));
        const QByteArray first = search.readAllStandardOutput().split('\n').first();
        QVERIFY(!first.isEmpty());
        m_base = m_x->clientBase(first.toUInt());
    }

    void theHistoryWindowIsNotReadOverTheTextBelowIt()
    {
        QVERIFY(openMenu());
        // Start Text Capture, Open..., Show Workflow (Convert Clipboard and Recent Captures are disabled).
        QVERIFY(keys({"Down", "Down", "Down", "Return"}));
        std::optional<QRect> history;
        QVERIFY2(QTest::qWaitFor([&] { return (history = largestWindow()).has_value(); }, 20000),
                 "the history window did not show");
        putTextUnder({QStringLiteral("Hidden below the history"), QStringLiteral("window of the app")},
                     *history);
        QCOMPARE(largestWindow(), history);
        captureReads({QStringLiteral("Hidden below the history"), QStringLiteral("window of the app")}, [] {
            return act({"key", "shift+ctrl+2"});
        });
    }

    void theMenuWhoseItemStartedTheCaptureIsNotRead()
    {
        QVERIFY(openMenu());
        const std::optional<QRect> menu = menuGeometry();
        QVERIFY(menu);
        putTextUnder({QStringLiteral("Under the menu"), QStringLiteral("of the tray")}, *menu);
        QVERIFY(menuGeometry());
        captureReads({QStringLiteral("Under the menu"), QStringLiteral("of the tray")}, [] {
            return keys({"Down", "Return"});
        });
    }

    void aPreviewCardIsNotReadAndComesBackAfterwards()
    {
        // The card of the last capture, at the bottom right.
        std::optional<QRect> card;
        QVERIFY2(QTest::qWaitFor(
                     [&] {
                         const QList<QRect> windows = floatingWindows();
                         if (!windows.isEmpty())
                             card = windows.first();
                         return card.has_value();
                     },
                     20000),
                 "no preview card showed");
        putTextUnder({QStringLiteral("Quarterly figures")}, *card);
        QCOMPARE(floatingWindows(), QList<QRect>{*card});
        QProcess client;
        bool cardsAside = false;
        captureReads({QStringLiteral("Quarterly figures")}, [&] {
            client.setProcessEnvironment(environment());
            client.start(oculoPath, {QStringLiteral("--capture")});
            cardsAside =
                QTest::qWaitFor([&] { return m_x->overlay() != 0; }, 30000) && floatingWindows().isEmpty();
            return true;
        });
        QVERIFY2(cardsAside, "the preview cards stayed on the screen during the capture");
        // The cards come back, the new one added to them.
        QVERIFY2(QTest::qWaitFor(
                     [&] {
                         const QList<QRect> windows = floatingWindows();
                         return windows.size() == 1 && windows.first().height() > card->height();
                     },
                     20000),
                 "the preview cards did not come back");
        QVERIFY(client.state() == QProcess::NotRunning || client.waitForFinished(10000));
    }

    void cleanupTestCase()
    {
        runXdotool({"mouseup", "1"});
        for (auto* process : {m_oculo.get(), m_tray.get(), m_windowManager.get()}) {
            if (!process)
                continue;
            process->terminate();
            if (!process->waitForFinished(10000))
                process->kill();
        }
        // How long oculo waited for the desktop to paint over its windows.
        QFile log(m_dir.filePath(QStringLiteral("oculo-log")));
        if (log.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : log.readAll().split('\n')) {
                if (line.contains("out of the way"))
                    qInfo("%s", line.constData());
            }
        }
    }
};

int main(int argc, char** argv)
{
    useOffscreenWithoutDisplay();
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    TestOwnWindowsEndToEnd test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_ownwindowsendtoend.moc"
