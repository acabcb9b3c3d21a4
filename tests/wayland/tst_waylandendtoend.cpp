// The real oculo program on a headless Wayland session of the test's own, as a person on sway would use
// it with a key binding of the desktop's (there are no global hot keys on Wayland): `oculo --capture`
// brings up the overlay of the running Oculo, full screen, showing the portal's image of the display; a
// drag over a window's text puts exactly that text on the clipboard; Escape closes the overlay without
// copying; the preview card of the result floats over the other windows instead of taking room from
// them, and three results show three whole cards; `oculo --quit` ends Oculo; and `oculo --capture` with
// no Oculo running starts one with the overlay. Prints how long `oculo --capture` takes until the
// overlay is on the screen.
#include "previewlayout.h"
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

// The stack of preview cards: the space between two cards and the margins right and below the stack.
constexpr int spacing = int(PreviewLayout::cardSpacing);
constexpr int trailing = int(PreviewLayout::trailingPadding);
constexpr int bottom = int(PreviewLayout::bottomPadding);

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
        const auto quit = m_session->run(oculoPath, {QStringLiteral("--quit")}, 60000, oculoEnvironment());
        QVERIFY2(quit, "oculo --quit did not return");
        QCOMPARE(quit->exitCode, 0);
        QTRY_VERIFY_WITH_TIMEOUT(!m_oculo->isRunning(), 30000);
    }

    void ensureOculoRuns()
    {
        if (m_oculo && m_oculo->isRunning() && busNameOwned())
            return;
        m_oculo = startOculo({});
        QVERIFY2(m_oculo, "oculo did not start");
        QTRY_VERIFY2_WITH_TIMEOUT(busNameOwned() || !m_oculo->isRunning(), "oculo never took its bus name",
                                  60000);
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

    // The preview window: the window of the running Oculo that is neither the overlay nor hidden.
    std::optional<SwayWindow> previewWindow() const
    {
        for (const SwayWindow& window : m_session->windows()) {
            if (window.pid == m_oculo->pid() && window.visible && !window.fullscreen)
                return window;
        }
        return std::nullopt;
    }

    // Where card `index` (0 the oldest, on top) of equal `card`s is on the output: the stack ends at the
    // window's bottom-right corner, less the stack's margins.
    static QRect cardRect(const SwayWindow& window, QSize card, int index)
    {
        const int left = window.rect.right() + 1 - trailing - card.width();
        return QRect(QPoint(left, window.rect.top() + index * (card.height() + spacing)), card);
    }

    // Whether most pixels of `rect`, less its rounded corners, have the card's fill (the light style's;
    // the session has no dark theme). Neither the white text window nor a cut-off card has it.
    static bool showsCardFill(const QImage& image, const QRect& rect)
    {
        const int inset = int(PreviewLayout::cornerSize);
        const QRect inner = rect.adjusted(inset, 0, -inset, 0) & image.rect();
        if (inner.width() < 10 || inner.height() < 4)
            return false;
        int fill = 0;
        for (int y = inner.top(); y <= inner.bottom(); ++y) {
            for (int x = inner.left(); x <= inner.right(); ++x) {
                const QRgb pixel = image.pixel(x, y);
                fill += std::abs(qRed(pixel) - 246) <= 3 && std::abs(qGreen(pixel) - 246) <= 3 &&
                        std::abs(qBlue(pixel) - 248) <= 3;
            }
        }
        return fill * 2 > inner.width() * inner.height();
    }

    static QString describe(const QRect& rect)
    {
        return QStringLiteral("%1,%2 %3x%4").arg(rect.x()).arg(rect.y()).arg(rect.width()).arg(rect.height());
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
        if (!QTest::qWaitFor([&] { return overlayOf(owner).has_value(); }, 60000))
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
        QTRY_COMPARE_WITH_TIMEOUT(m_session->clipboardText(), paragraph.join(u'\n'), 60000);
        QTRY_VERIFY_WITH_TIMEOUT(!overlayOf(owner), 30000);
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
            QTRY_VERIFY_WITH_TIMEOUT(!capture->isRunning(), 30000);
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
        QTRY_COMPARE_WITH_TIMEOUT(m_session->clipboardText(), before, 30000);
        QVERIFY(m_session->movePointer(pointerAside()));
        std::unique_ptr<SessionProgram> capture;
        QVERIFY2(requestCapture(capture) >= 0, "no overlay came after oculo --capture");
        // A key sent before the overlay has the keyboard reaches nobody: Escape again until it goes.
        const auto escapeClosesTheOverlay = [&] {
            if (!overlayOf(m_oculo->pid()))
                return true;
            m_session->typeKey(QStringLiteral("Escape"));
            return false;
        };
        QVERIFY2(QTest::qWaitFor(escapeClosesTheOverlay, 30000), "Escape did not close the overlay");
        QTest::qWait(1000);
        QCOMPARE(m_session->clipboardText(), before);
        QVERIFY(m_oculo->isRunning());
    }

    // sway tiles a window beside the others unless it floats: a card that does not float halves the
    // window the text was read from. The window grows with the stack: each card shows whole.
    void previewCardsFloatOverTheOtherWindowsAndStackWhole()
    {
        quitOculo();
        QVERIFY(writeQuietDefaults(true));
        ensureOculoRuns();
        QSize card; // measured on the first card; every card shows the same text
        for (int results = 1; results <= 3; ++results) {
            std::unique_ptr<SessionProgram> capture;
            QVERIFY2(startCapture(capture) >= 0, "no overlay came after oculo --capture");
            QVERIFY(m_session->drag(dragStart(), dragEnd()));
            QTRY_COMPARE_WITH_TIMEOUT(m_session->clipboardText(), paragraph.join(u'\n'), 60000);
            if (results == 1) {
                QTRY_VERIFY2_WITH_TIMEOUT(previewWindow().has_value(), "no preview card came with the result",
                                          30000);
                const SwayWindow window = *previewWindow();
                const SwayWindow textWindow = m_window->window().value_or(SwayWindow());
                QVERIFY2(
                    window.floating && textWindow.rect == outputRect,
                    qPrintable(QStringLiteral("the preview card \"%1\" is tiled at %2 and leaves the text "
                                              "window %3 of the output")
                                   .arg(window.title, describe(window.rect), describe(textWindow.rect))));
                card = window.rect.size() - QSize(trailing, bottom);
                QVERIFY2(card.width() > 100 && card.height() > 40, qPrintable(describe(window.rect)));
            }
            const QSize stack(card.width() + trailing,
                              results * card.height() + (results - 1) * spacing + bottom);
            QTRY_COMPARE_WITH_TIMEOUT(previewWindow().value_or(SwayWindow()).rect.size(), stack, 30000);
            // The pointer rests on the newest card until the next capture: the cards stay meanwhile.
            QVERIFY(m_session->movePointer(cardRect(*previewWindow(), card, results - 1).center()));
        }

        // Each card's pixels in the portal's image of the display, with the pointer out of the way.
        QVERIFY(m_session->movePointer(pointerAside()));
        const SwayWindow window = *previewWindow();
        QVERIFY2(outputRect.contains(window.rect), qPrintable(describe(window.rect)));
        QImage image;
        QString error;
        QString missing;
        QTRY_VERIFY2_WITH_TIMEOUT(
            [&] {
                image = m_session->screenshot(&error);
                missing = image.isNull() ? error : QString();
                for (int index = 0; index < 3 && !image.isNull(); ++index) {
                    const QRect rect = cardRect(window, card, index);
                    if (!showsCardFill(image, rect.adjusted(0, 0, 0, -rect.height() / 2)) ||
                        !showsCardFill(image, rect.adjusted(0, rect.height() / 2, 0, 0)))
                        missing +=
                            QStringLiteral(" card %1 at %2 is not whole;").arg(index + 1).arg(describe(rect));
                }
                return missing.isEmpty();
            }(),
            qPrintable(missing), 30000);
        const QString dir = QStringLiteral(OCULO_BINARY_DIR "/screenshots");
        QDir().mkpath(dir);
        image.save(dir + QStringLiteral("/wayland-preview-cards.png"));
    }

    void quitEndsTheRunningOculo()
    {
        ensureOculoRuns();
        quitOculo();
        if (QTest::currentTestFailed())
            return;
        QVERIFY(!busNameOwned());
        const auto again = m_session->run(oculoPath, {QStringLiteral("--quit")}, 60000, oculoEnvironment());
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
            QTRY_VERIFY_WITH_TIMEOUT(m_window->window().value_or(SwayWindow()).rect == outputRect, 30000);
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
