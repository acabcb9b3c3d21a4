// The headless Wayland session the end-to-end tests run Oculo in, piece by piece: sway on its headless
// backend as the session's user, a Qt window on the Wayland platform plugin filling the output, the
// Screenshot portal's image of it, pointer and keyboard input reaching it, and the clipboard read back.
// When one of these breaks, this test says which, before the end-to-end test fails somewhere later.
#include "sessiontextwindow.h"
#include "waylandsession.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTest>

#include <memory>
#include <optional>
#include <sys/stat.h>

namespace {

const QStringList lines{QStringLiteral("Known text for the session check,"),
                        QStringLiteral("black on white in a large font.")};

const QRect outputRect(QPoint(0, 0), WaylandSession::outputSize);

// The user id a running process has, from /proc.
uid_t processUid(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return uid_t(-1);
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("Uid:"))
            return uid_t(line.mid(4).simplified().split(' ').value(0).toUInt());
    }
    return uid_t(-1);
}

bool isDark(QRgb pixel)
{
    return qGray(pixel) < 128;
}

// Pixels of `image` that differ from `reference` by more than a rounding, outside `ignored`.
int differingPixels(const QImage& image, const QImage& reference, const QRect& ignored)
{
    int count = 0;
    for (int y = 0; y < reference.height(); ++y) {
        for (int x = 0; x < reference.width(); ++x) {
            if (ignored.contains(x, y))
                continue;
            const QRgb a = image.pixel(x, y), b = reference.pixel(x, y);
            if (std::abs(qRed(a) - qRed(b)) > 2 || std::abs(qGreen(a) - qGreen(b)) > 2 ||
                std::abs(qBlue(a) - qBlue(b)) > 2)
                ++count;
        }
    }
    return count;
}

} // namespace

class TestWaylandSession : public QObject {
    Q_OBJECT
    std::unique_ptr<WaylandSession> m_session;

    QJsonArray query(const QString& type)
    {
        const auto answer =
            m_session->run(QStringLiteral("swaymsg"), {QStringLiteral("-r"), QStringLiteral("-t"), type});
        return answer ? QJsonDocument::fromJson(answer->output).array() : QJsonArray();
    }

private slots:
    void initTestCase()
    {
        m_session = std::make_unique<WaylandSession>();
        if (!m_session->isRunning())
            QSKIP(qPrintable(QStringLiteral("No headless Wayland session: ") + m_session->skipReason()));
    }

    void swayRunsHeadlessAsTheSessionUserWithOneOutput()
    {
        const uid_t uid = processUid(m_session->compositorPid());
        QCOMPARE(uid, m_session->user().uid);
        if (m_session->user().switchTo)
            QVERIFY(uid != 0);
        struct stat runtime {};
        QCOMPARE(::stat(QFile::encodeName(m_session->runtimePath()).constData(), &runtime), 0);
        QCOMPARE(runtime.st_uid, m_session->user().uid);
        QCOMPARE(runtime.st_mode & 0777, 0700u);

        const QJsonArray outputs = query(QStringLiteral("get_outputs"));
        QCOMPARE(outputs.size(), 1);
        const QJsonObject output = outputs.first().toObject();
        QVERIFY2(output.value(QStringLiteral("name")).toString().startsWith(QStringLiteral("HEADLESS")),
                 qPrintable(output.value(QStringLiteral("name")).toString()));
        QVERIFY(output.value(QStringLiteral("active")).toBool());
        const QJsonObject mode = output.value(QStringLiteral("current_mode")).toObject();
        QCOMPARE(
            QSize(mode.value(QStringLiteral("width")).toInt(), mode.value(QStringLiteral("height")).toInt()),
            WaylandSession::outputSize);
        QCOMPARE(output.value(QStringLiteral("scale")).toDouble(), 1.0);

        // The session's pointer is the seat's only device.
        const QJsonObject seat = query(QStringLiteral("get_seats")).first().toObject();
        QCOMPARE(seat.value(QStringLiteral("capabilities")).toInt() & 1, 1);
    }

    void aQtWindowMapsAndFillsTheOutput()
    {
        SessionTextWindow window(*m_session, lines);
        QVERIFY2(window.isShown(), "the Qt window never showed in sway's tree");
        QVERIFY(window.waitForOutputSize());
        const SwayWindow shown = *window.window();
        QCOMPARE(shown.rect, outputRect);
        QCOMPARE(shown.appId, QStringLiteral("waylandtextwindow"));
        QVERIFY(!shown.fullscreen);
        QVERIFY(shown.focused);
        QVERIFY(outputRect.contains(window.textBox()));
    }

    void theScreenshotPortalShowsTheWindow()
    {
        const QString rendering = m_session->homePath() + QStringLiteral("/rendering.png");
        SessionTextWindow window(*m_session, lines, {QStringLiteral("--render"), rendering});
        QVERIFY(window.isShown());
        QVERIFY(window.waitForOutputSize());
        // It saves its rendering at each size, the output's last.
        QVERIFY(window.program().waitForLine(QStringLiteral("rendered"), 30000));
        const QImage reference(rendering);
        QCOMPARE(reference.size(), WaylandSession::outputSize);
        const QRect text = window.textBox();
        int darkInside = 0, darkOutside = 0;
        for (int y = 0; y < reference.height(); ++y) {
            for (int x = 0; x < reference.width(); ++x) {
                if (isDark(reference.pixel(x, y)))
                    ++(text.contains(x, y) ? darkInside : darkOutside);
            }
        }
        QVERIFY2(darkInside > 1000, "the window's own rendering shows no text in its text box");
        QCOMPARE(darkOutside, 0);

        // The portal's image has the cursor in it (grim's default): it sits in the corner.
        const QPoint corner(outputRect.right(), outputRect.bottom());
        QVERIFY(m_session->movePointer(corner));
        const QRect cursor(corner - QPoint(4, 4), QSize(40, 40));
        QImage image;
        QString error;
        qint64 took = -1;
        QTRY_VERIFY2_WITH_TIMEOUT(
            (image = m_session->screenshot(&error, &took), !image.isNull()) &&
                image.size() == WaylandSession::outputSize && differingPixels(image, reference, cursor) == 0,
            qPrintable(image.isNull() ? error
                                      : QStringLiteral("%1 pixels differ from the rendering")
                                            .arg(differingPixels(image, reference, cursor))),
            30000);
        qInfo("The Screenshot portal answered in %lld ms", took);
        const QString dir = QStringLiteral(OCULO_BINARY_DIR "/screenshots");
        QDir().mkpath(dir);
        image.save(dir + QStringLiteral("/wayland-session.png"));
    }

    void aDragWithTheSessionPointerReachesAWindow()
    {
        SessionTextWindow window(*m_session, lines);
        QVERIFY(window.isShown());
        QVERIFY(window.waitForOutputSize());
        const QPoint from(100, 120), to(700, 430);
        const qsizetype before = window.program().lines().size();
        QVERIFY(m_session->drag(from, to));
        QVERIFY(window.program().waitForLine(QStringLiteral("release"), 30000, before));
        const QStringList events = window.program().lines().mid(before);
        const qsizetype press = events.indexOf(QStringLiteral("press 100 120"));
        const qsizetype release = events.indexOf(QStringLiteral("release 700 430"));
        QVERIFY2(press >= 0 && release > press, qPrintable(events.join(u'|')));
        // The pointer went through the points between while the button was held.
        const QStringList held = events.mid(press + 1, release - press - 1);
        QVERIFY2(held.contains(QStringLiteral("move 400 275")), qPrintable(held.join(u'|')));
        QCOMPARE(held.last(), QStringLiteral("move 700 430"));
    }

    // sway's own cursor commands click (they do not carry a drag in sway 1.7: a `cursor set` while the
    // button is held reaches the window only after the release).
    void swaysCursorCommandsClickAWindow()
    {
        SessionTextWindow window(*m_session, lines);
        QVERIFY(window.isShown());
        QVERIFY(window.waitForOutputSize());
        const qsizetype before = window.program().lines().size();
        QVERIFY(m_session->swaymsg({QStringLiteral("seat seat0 cursor set 321 234")}));
        QVERIFY(m_session->swaymsg({QStringLiteral("seat seat0 cursor press button1")}));
        QVERIFY(m_session->swaymsg({QStringLiteral("seat seat0 cursor release button1")}));
        QVERIFY(window.program().waitForLine(QStringLiteral("release"), 30000, before));
        const QStringList events = window.program().lines().mid(before);
        QVERIFY2(events.contains(QStringLiteral("press 321 234")), qPrintable(events.join(u'|')));
        QVERIFY2(events.contains(QStringLiteral("release 321 234")), qPrintable(events.join(u'|')));
    }

    void aVirtualKeyboardReachesTheFocusedWindow()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("wtype")).isEmpty())
            QSKIP("wtype is not installed: scripts/bootstrap installs scripts/packages");
        SessionTextWindow window(*m_session, lines);
        QVERIFY(window.isShown());
        QVERIFY(window.waitForOutputSize());
        const qsizetype before = window.program().lines().size();
        // A key sent before the window has the new keyboard reaches nobody: it goes again until one comes.
        std::optional<QString> key;
        QVERIFY(QTest::qWaitFor(
            [&] {
                if (!m_session->typeKey(QStringLiteral("Escape")))
                    return false;
                key = window.program().waitForLine(QStringLiteral("key "), 2000, before);
                return key.has_value();
            },
            60000));
        QCOMPARE(*key, QStringLiteral("key Esc"));
    }

    void theClipboardRoundTripsBetweenClients()
    {
        const QString text =
            QStringLiteral("wl-copy to wl-paste, %1").arg(QCoreApplication::applicationPid());
        auto copy = m_session->start(QStringLiteral("wl-copy"), {QStringLiteral("--foreground"), text});
        QVERIFY(copy);
        QTRY_COMPARE_WITH_TIMEOUT(m_session->clipboardText(), text, 30000);
        QVERIFY(m_session->clearClipboard());
        QTRY_COMPARE_WITH_TIMEOUT(m_session->clipboardText(), QString(), 30000);

        // A Qt client may set the clipboard after a click on it, as the product does after a drag.
        const QString fromQt =
            QStringLiteral("set by a Qt window, %1").arg(QCoreApplication::applicationPid());
        SessionTextWindow window(*m_session, lines, {QStringLiteral("--copy-on-release"), fromQt});
        QVERIFY(window.isShown());
        QVERIFY(window.waitForOutputSize());
        const qsizetype before = window.program().lines().size();
        QVERIFY(m_session->movePointer({500, 500}));
        QVERIFY(m_session->pressButton());
        QVERIFY(m_session->releaseButton());
        QVERIFY(window.program().waitForLine(QStringLiteral("copied"), 30000, before));
        QTRY_COMPARE_WITH_TIMEOUT(m_session->clipboardText(), fromQt, 30000);
    }

    void cleanupTestCase() { m_session.reset(); }
};

QTEST_GUILESS_MAIN(TestWaylandSession)
#include "tst_waylandsession.moc"
