// The real oculo program on a headless Wayland session of the test's own, as a person on sway would use
// it with a key binding of the desktop's (there are no global hot keys on Wayland): `oculo --capture`
// brings up the overlay of the running Oculo, full screen, showing the portal's image of the display; a
// drag over a window's text puts exactly that text on the clipboard; Escape closes the overlay without
// copying; the preview card of the result floats over the other windows instead of taking room from
// them; `oculo --quit` ends Oculo; and `oculo --capture` with no Oculo running starts one with the
// overlay. Prints how long `oculo --capture` takes until the overlay is on the screen.
#include "sessiontextwindow.h"
#include "waylandsession.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTest>

#include <algorithm>
#include <memory>

namespace {

const QString oculoPath = QStringLiteral(OCULO_BINARY_DIR "/oculo");
const QString busName = QStringLiteral("org.oculo.Oculo");

const QStringList paragraph{
    QStringLiteral("Drag a rectangle over any text on the screen,"),
    QStringLiteral("release the mouse button, and paste it into"),
    QStringLiteral("any other application you like."),
};

const QRect outputRect(QPoint(0, 0), WaylandSession::outputSize);

} // namespace

class TestWaylandEndToEnd : public QObject {
    Q_OBJECT
    std::unique_ptr<WaylandSession> m_session;
    std::unique_ptr<SessionTextWindow> m_window;
    std::unique_ptr<SessionProgram> m_oculo; // the Oculo that runs
    QRect m_text;                            // the window's text on the output

    QProcessEnvironment oculoEnvironment() const
    {
        QProcessEnvironment env = m_session->environment();
        env.insert(QStringLiteral("OMP_THREAD_LIMIT"), QStringLiteral("1"));
        return env;
    }

    std::unique_ptr<SessionProgram> startOculo(const QStringList& arguments) const
    {
        return m_session->start(oculoPath, arguments, oculoEnvironment());
    }

    bool busNameOwned() const
    {
        const auto answer = m_session->run(WaylandSession::helperPath(QStringLiteral("waylandbusclient")),
                                           {QStringLiteral("owned"), busName});
        return answer && answer->exitCode == 0;
    }

    // Settings of the test's own in the session's configuration folder: no capture sound, the preview
    // card of each result or none (so that it cannot cover the text of the next capture), and their
    // presence keeps the welcome window of a first start away.
    bool writeQuietDefaults(bool showPreview) const
    {
        const QString dir =
            m_session->environment().value(QStringLiteral("XDG_CONFIG_HOME")) + QStringLiteral("/oculo");
        QDir().mkpath(dir);
        QFile defaults(dir + QStringLiteral("/defaults.json"));
        const QByteArray settings = QByteArrayLiteral(R"({"playSound": false, "showTextPreview": )") +
                                    (showPreview ? "true" : "false") + '}';
        if (!defaults.open(QIODevice::WriteOnly | QIODevice::Truncate) || defaults.write(settings) <= 0)
            return false;
        defaults.close();
        return m_session->giveToUser(dir);
    }

    void quitOculo()
    {
        if (!m_oculo || !m_oculo->isRunning())
            return;
        const auto quit = m_session->run(oculoPath, {QStringLiteral("--quit")}, 20000, oculoEnvironment());
        QVERIFY2(quit, "oculo --quit did not return");
        QCOMPARE(quit->exitCode, 0);
        QTRY_VERIFY_WITH_TIMEOUT(!m_oculo->isRunning(), 5000);
    }

    void ensureOculoRuns()
    {
        if (m_oculo && m_oculo->isRunning() && busNameOwned())
            return;
        m_oculo = startOculo({});
        QVERIFY2(m_oculo, "oculo did not start");
        QTRY_VERIFY2_WITH_TIMEOUT(busNameOwned() || !m_oculo->isRunning(), "oculo never took its bus name",
                                  20000);
        QVERIFY2(m_oculo->isRunning(), "oculo ended at its start");
    }

    // The overlay: a window of `owner` that sway shows full screen over the whole output.
    std::optional<SwayWindow> overlayOf(qint64 owner) const
    {
        for (const SwayWindow& window : m_session->windows()) {
            if (window.pid == owner && window.fullscreen && window.visible && window.rect == outputRect)
                return window;
        }
        return std::nullopt;
    }

    bool anyOverlay() const
    {
        const QList<SwayWindow> windows = m_session->windows();
        return std::any_of(windows.begin(), windows.end(), [&](const SwayWindow& window) {
            return window.fullscreen && window.pid != m_window->pid();
        });
    }

    QPoint dragStart() const { return m_text.topLeft() - QPoint(16, 16); }
    QPoint dragEnd() const { return m_text.bottomRight() + QPoint(16, 16); }
    // Where the pointer waits while a capture starts. The portal's image of this session has the
    // pointer in it (sway draws it into the output, as with any software cursor), so it waits in a
    // corner far from the text, as the pointer of a key-binding user may be anywhere.
    static QPoint pointerAside() { return {outputRect.right(), outputRect.bottom()}; }

    // Runs `oculo --capture` and waits for the overlay of `owner` (the running Oculo, or the capture
    // process itself when none runs); the milliseconds until sway showed it, -1 when it never came.
    qint64 requestCapture(std::unique_ptr<SessionProgram>& capture, bool ownerIsCapture = false)
    {
        QElapsedTimer clock;
        clock.start();
        capture = startOculo({QStringLiteral("--capture")});
        if (!capture)
            return -1;
        const qint64 owner = ownerIsCapture ? capture->pid() : m_oculo->pid();
        if (!QTest::qWaitFor([&] { return overlayOf(owner).has_value(); }, 10000))
            return -1;
        const qint64 took = clock.elapsed();
        const SwayWindow overlay = *overlayOf(owner);
        qInfo("Overlay of oculo (pid %lld, app id \"%s\", title \"%s\") on the screen %lld ms after oculo "
              "--capture",
              owner, qPrintable(overlay.appId), qPrintable(overlay.title), took);
        return took;
    }

    // Drags over the text and checks that exactly the text arrives on the clipboard.
    void dragOverTheTextCopiesIt(qint64 owner)
    {
        QVERIFY(m_session->drag(dragStart(), dragEnd()));
        QTRY_COMPARE_WITH_TIMEOUT(m_session->clipboardText(), paragraph.join(u'\n'), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(!overlayOf(owner), 5000);
        QCOMPARE(m_window->window().value_or(SwayWindow()).rect, outputRect);
    }

    // Clears the clipboard, puts the pointer aside and requests a capture of the running Oculo.
    qint64 startCapture(std::unique_ptr<SessionProgram>& capture, bool ownerIsCapture = false)
    {
        if (!m_session->clearClipboard() || !m_session->movePointer(pointerAside()))
            return -1;
        return requestCapture(capture, ownerIsCapture);
    }

private slots:
    void initTestCase()
    {
        m_session = std::make_unique<WaylandSession>();
        if (!m_session->isRunning())
            QSKIP(qPrintable(QStringLiteral("No headless Wayland session: ") + m_session->skipReason()));
        QVERIFY2(QFile::exists(oculoPath), qPrintable(oculoPath));
        m_window = std::make_unique<SessionTextWindow>(*m_session, paragraph);
        QVERIFY2(m_window->isShown(), "the text window never showed");
        QVERIFY(m_window->waitForOutputSize());
        m_text = m_window->textBox().translated(m_window->window()->rect.topLeft());
        QVERIFY(outputRect.contains(m_text.adjusted(-16, -16, 16, 16)));
        QVERIFY(writeQuietDefaults(false));
    }

    void aCaptureRequestShowsTheOverlayAndADragCopiesTheText()
    {
        ensureOculoRuns();
        QList<qint64> times;
        for (int run = 0; run < 3; ++run) {
            std::unique_ptr<SessionProgram> capture;
            const qint64 took = startCapture(capture);
            QVERIFY2(took >= 0, "no full-screen window of the running oculo came after oculo --capture");
            times.append(took);
            QTRY_VERIFY_WITH_TIMEOUT(!capture->isRunning(), 10000);
            QCOMPARE(capture->process().exitCode(), 0);
            if (run == 0) {
                QTest::qWait(300);
                const QString dir = QStringLiteral(OCULO_BINARY_DIR "/screenshots");
                QDir().mkpath(dir);
                m_session->screenshot().save(dir + QStringLiteral("/wayland-overlay.png"));
            }
            dragOverTheTextCopiesIt(m_oculo->pid());
            if (QTest::currentTestFailed())
                return;
            QVERIFY(m_oculo->isRunning());
        }
        std::sort(times.begin(), times.end());
        qInfo("oculo --capture to overlay on the screen: median %lld ms of %lld, %lld, %lld", times[1],
              times[0], times[1], times[2]);
    }

    void escapeClosesTheOverlayWithoutCopying()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("wtype")).isEmpty())
            QSKIP("wtype is not installed: scripts/bootstrap installs scripts/packages");
        ensureOculoRuns();
        const QString before =
            QStringLiteral("on the clipboard before, %1").arg(QCoreApplication::applicationPid());
        auto copy = m_session->start(QStringLiteral("wl-copy"), {QStringLiteral("--foreground"), before});
        QVERIFY(copy);
        QTRY_COMPARE_WITH_TIMEOUT(m_session->clipboardText(), before, 5000);
        QVERIFY(m_session->movePointer(pointerAside()));
        std::unique_ptr<SessionProgram> capture;
        QVERIFY2(requestCapture(capture) >= 0, "no overlay came after oculo --capture");
        QVERIFY(m_session->typeKey(QStringLiteral("Escape")));
        QTRY_VERIFY_WITH_TIMEOUT(!overlayOf(m_oculo->pid()), 5000);
        QTest::qWait(1000);
        QCOMPARE(m_session->clipboardText(), before);
        QVERIFY(m_oculo->isRunning());
    }

    // sway tiles a window beside the others unless it floats: a card that does not float halves the
    // window the text was read from.
    void thePreviewCardFloatsOverTheOtherWindows()
    {
        quitOculo();
        QVERIFY(writeQuietDefaults(true));
        ensureOculoRuns();
        std::unique_ptr<SessionProgram> capture;
        QVERIFY2(startCapture(capture) >= 0, "no overlay came after oculo --capture");
        QVERIFY(m_session->drag(dragStart(), dragEnd()));
        QTRY_COMPARE_WITH_TIMEOUT(m_session->clipboardText(), paragraph.join(u'\n'), 20000);
        std::optional<SwayWindow> card;
        QTRY_VERIFY2_WITH_TIMEOUT(
            [&] {
                for (const SwayWindow& window : m_session->windows()) {
                    if (window.pid == m_oculo->pid() && window.visible && !window.fullscreen)
                        card = window;
                }
                return card.has_value();
            }(),
            "no preview card came with the result", 5000);
        const SwayWindow textWindow = m_window->window().value_or(SwayWindow());
        QVERIFY2(
            card->floating && textWindow.rect == outputRect,
            qPrintable(QStringLiteral("the preview card \"%1\" is tiled at %2,%3 %4x%5 and leaves the text "
                                      "window %6x%7 of the output")
                           .arg(card->title)
                           .arg(card->rect.x())
                           .arg(card->rect.y())
                           .arg(card->rect.width())
                           .arg(card->rect.height())
                           .arg(textWindow.rect.width())
                           .arg(textWindow.rect.height())));
    }

    void quitEndsTheRunningOculo()
    {
        ensureOculoRuns();
        quitOculo();
        if (QTest::currentTestFailed())
            return;
        QVERIFY(!busNameOwned());
        const auto again = m_session->run(oculoPath, {QStringLiteral("--quit")}, 20000, oculoEnvironment());
        QVERIFY(again);
        QCOMPARE(again->exitCode, 1);
    }

    void aCaptureRequestStartsOculoWhenNoneRuns()
    {
        quitOculo();
        if (QTest::currentTestFailed())
            return;
        std::unique_ptr<SessionProgram> capture;
        QVERIFY2(startCapture(capture, true) >= 0, "oculo --capture with no oculo running showed no overlay");
        m_oculo = std::move(capture); // it is the Oculo now
        dragOverTheTextCopiesIt(m_oculo->pid());
        QVERIFY(m_oculo->isRunning());
        QVERIFY(busNameOwned());
    }

    // An overlay or preview card left up by a failed check goes with its Oculo, which the next check
    // starts again, without preview cards.
    void cleanup()
    {
        if (!m_session || !m_session->isRunning() || !m_window)
            return;
        if (m_oculo && (anyOverlay() || m_window->window().value_or(SwayWindow()).rect != outputRect)) {
            m_oculo->stop();
            QTRY_VERIFY_WITH_TIMEOUT(m_window->window().value_or(SwayWindow()).rect == outputRect, 5000);
        }
        QVERIFY(writeQuietDefaults(false));
    }

    void cleanupTestCase()
    {
        if (m_oculo && m_oculo->isRunning()) {
            m_session->run(oculoPath, {QStringLiteral("--quit")}, 20000, oculoEnvironment());
            m_oculo->stop(); // by its process id, when it is still there
        }
        m_oculo.reset();
        m_window.reset();
        m_session.reset();
    }
};

QTEST_GUILESS_MAIN(TestWaylandEndToEnd)
#include "tst_waylandendtoend.moc"
