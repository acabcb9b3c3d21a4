// A long run of the real oculo program on a real X display, used as a person would use it all day:
// captures started with `oculo --capture` over a session bus of the test's own and dragged with xdotool,
// the result going to the clipboard or, with Ctrl held as it arrives, to a web search opened through a
// URL handler of the test's own; images converted from the clipboard through the tray menu; captures
// cancelled with Escape. Every result is checked, the history must hold them all, and the process must
// not grow: memory, descriptors, threads and X windows are compared between an early capture and the last.
// The size comes from the environment: OCULO_SOAK_CAPTURES (50), OCULO_SOAK_CONVERSIONS (10) and
// OCULO_SOAK_CANCELS (10); scripts/soak runs the long version.
#include "oculodesktop.h"
#include "privatesessionbus.h"
#include "soakprobe.h"
#include "textwindow.h"
#include "x11testmain.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>

#include <algorithm>
#include <memory>

namespace {

const QString oculoPath = QStringLiteral(OCULO_BINARY_DIR "/oculo");
// The web search oculo uses when the settings name none.
const QString defaultSearchPrefix = QStringLiteral("https://duckduckgo.com/?q=");
const QString clipboardImageText = QStringLiteral("Convert this clipboard image");

const QStringList windowLines{
    QStringLiteral("Drag a rectangle over any text on the screen,"),
    QStringLiteral("release the mouse button, and paste it into"),
    QStringLiteral("any other application you like."),
    QStringLiteral("Hold Ctrl to search the web for it instead."),
};

// The lines the captures take turns at: the whole text, then pairs of lines.
struct Lines {
    int first;
    int count;
};
const QList<Lines> captureLines{{0, 4}, {0, 2}, {1, 2}, {2, 2}};

int sizeFromEnvironment(const char* name, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok && value >= 0 ? value : fallback;
}

// A window that shows known lines in a common UI font at 14 px.
class LinesWindow : public QWidget {
public:
    LinesWindow()
    {
        setWindowFlag(Qt::FramelessWindowHint);
        m_font = QFont(QStringLiteral("DejaVu Sans"));
        m_font.setPixelSize(14);
        setGeometry(200, 150, 520, 40 + lineHeight() * int(windowLines.size()));
    }
    // The box of those lines in global coordinates, with a margin of `margin` pixels (less than the
    // room between lines).
    QRect area(Lines lines, int margin) const
    {
        const QFontMetrics metrics(m_font);
        int width = 0;
        for (int i = lines.first; i < lines.first + lines.count; ++i)
            width = std::max(width, metrics.horizontalAdvance(windowLines.at(i)));
        const QRect local(20, 20 + lines.first * lineHeight(), width,
                          lineHeight() * (lines.count - 1) + QFontMetrics(m_font).height());
        return local.adjusted(-margin, -margin, margin, margin).translated(geometry().topLeft());
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        painter.setFont(m_font);
        painter.setPen(QColor(25, 25, 25));
        const QFontMetrics metrics(m_font);
        for (int i = 0; i < windowLines.size(); ++i)
            painter.drawText(20, 20 + i * lineHeight() + metrics.ascent(), windowLines.at(i));
    }

private:
    // Room enough between the lines for a capture of some of them to take nothing of the others.
    int lineHeight() const { return QFontMetrics(m_font).height() + 14; }
    QFont m_font;
};

QString point(QPoint p)
{
    return QStringLiteral("%1 %2").arg(p.x()).arg(p.y());
}

} // namespace

class TestSoak : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    std::unique_ptr<PrivateSessionBus> m_bus;
    std::unique_ptr<soak::XWindows> m_x;
    std::unique_ptr<LinesWindow> m_window;
    std::unique_ptr<QProcess> m_tray;
    std::unique_ptr<QProcess> m_oculo;
    QRect m_icon;
    quint32 m_base = 0;    // oculo's X resource id base, known from its overlay
    QStringList m_results; // every result delivered, in order: what the history must hold
    int m_failures = 0;
    int m_menuClosedAtOnce = 0;
    int m_searches = 0;
    QList<qint64> m_captureTimes;

    QString configHome() const { return m_dir.filePath(QStringLiteral("config")); }
    QString urlFile() const { return m_dir.filePath(QStringLiteral("opened-urls")); }
    QString imageFile() const { return m_dir.filePath(QStringLiteral("clipboard.png")); }

    // oculo's settings in the test's folder, the test's bus, and the test's URL handler first on PATH.
    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome());
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_bus->address());
        env.insert(QStringLiteral("PATH"),
                   m_dir.filePath(QStringLiteral("bin")) + u':' + env.value(QStringLiteral("PATH")));
        return env;
    }

    // xdg-open as the desktop runs it, except that it only notes the URL, one a line.
    bool writeUrlHandler() const
    {
        QDir().mkpath(m_dir.filePath(QStringLiteral("bin")));
        QFile script(m_dir.filePath(QStringLiteral("bin/xdg-open")));
        if (!script.open(QIODevice::WriteOnly))
            return false;
        script.write(QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$1\" >> '%1'\n").arg(urlFile()).toUtf8());
        script.close();
        return script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
    }

    QStringList openedUrls() const
    {
        QFile file(urlFile());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

    static bool waitFor(const std::function<bool()>& condition, int timeoutMs)
    {
        return QTest::qWaitFor(condition, timeoutMs);
    }

    // Text of the test's own on the clipboard, as another client reads it back.
    bool putOnClipboard(const QString& text)
    {
        QGuiApplication::clipboard()->setText(text);
        return waitFor([&] { return clipboardThroughXclip() == text; }, 30000);
    }

    // Counts a failure and says what it was, with a screenshot beside the build's others.
    void note(const QString& what)
    {
        ++m_failures;
        qWarning().noquote() << "soak failure" << m_failures << ":" << what;
        screenshot(QStringLiteral("soak-failure-%1.png").arg(m_failures));
    }

    bool fail(const QString& what)
    {
        note(what);
        recover();
        return false;
    }

    // The clipboard's text once it is something other than `before`; empty when nothing else came in
    // time.
    QString nextClipboardText(const QString& before)
    {
        QString text;
        waitFor(
            [&] {
                text = clipboardThroughXclip();
                return !text.isEmpty() && text != before && text != QLatin1String("<xclip did not finish>");
            },
            60000);
        return text == before || text == QLatin1String("<xclip did not finish>") ? QString() : text;
    }

    // Leaves no key or button held and nothing of oculo's open for what follows.
    void recover()
    {
        runXdotool({"keyup", "ctrl"});
        runXdotool({"mouseup", "1"});
        const auto open = [&] {
            return m_x->overlay() || (m_base && m_x->menuShownAt(m_base, m_icon.center()));
        };
        for (int i = 0; i < 3 && open(); ++i) {
            runXdotool({"key", "Escape"});
            QTest::qWait(300);
        }
    }

    // Runs `oculo --capture` with the pointer at `at` and waits for the overlay.
    bool bringUpOverlay(QPoint at, QProcess& client)
    {
        if (!runXdotool({"mousemove", QString::number(at.x()), QString::number(at.y())}))
            return false;
        client.setProcessEnvironment(environment());
        client.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        client.start(oculoPath, {QStringLiteral("--capture")});
        xcb_window_t overlay = 0;
        if (!waitFor([&] { return (overlay = m_x->overlay()) != 0; }, 60000))
            return false;
        if (!m_base)
            m_base = m_x->clientBase(overlay);
        return m_x->clientBase(overlay) == m_base;
    }

    static bool clientFinished(QProcess& client)
    {
        // It may have ended already while events ran.
        if (client.state() != QProcess::NotRunning && !client.waitForFinished(30000))
            return false;
        return client.exitStatus() == QProcess::NormalExit && client.exitCode() == 0;
    }

    // One capture of those lines, to the clipboard or, with Ctrl held, to a web search.
    bool capture(int number, Lines lines, bool search)
    {
        const QStringList expected = windowLines.mid(lines.first, lines.count);
        const QString before = QStringLiteral("before capture %1").arg(number);
        if (!putOnClipboard(before))
            return fail(QStringLiteral("capture %1: the clipboard did not take the test's text").arg(number));
        const int urlsBefore = int(openedUrls().size());
        const QRect area = m_window->area(lines, 6);
        const QPoint from = area.topLeft();
        const QPoint to = area.bottomRight() + QPoint(1, 1);

        QElapsedTimer clock;
        clock.start();
        QProcess client;
        if (!bringUpOverlay(from, client))
            return fail(QStringLiteral("capture %1: no overlay after oculo --capture").arg(number));
        QStringList drag{"mousedown", "1"};
        for (int step = 1; step <= 4; ++step)
            drag << QStringLiteral("mousemove") << point(from + (to - from) * step / 4).split(u' ');
        if (search)
            drag << QStringLiteral("keydown") << QStringLiteral("ctrl");
        drag << QStringLiteral("mouseup") << QStringLiteral("1");
        if (!runXdotool(drag))
            return fail(QStringLiteral("capture %1: xdotool could not drag").arg(number));
        if (!clientFinished(client))
            return fail(QStringLiteral("capture %1: oculo --capture did not end well").arg(number));

        if (!search) {
            const QString wanted = expected.join(u'\n');
            const QString text = nextClipboardText(before);
            m_captureTimes.append(clock.elapsed());
            if (text.isEmpty())
                return fail(QStringLiteral("capture %1: no text came to the clipboard").arg(number));
            // The history holds what was delivered, right or wrong.
            m_results.append(text);
            if (text != wanted)
                return fail(QStringLiteral("capture %1: the clipboard holds \"%2\", not \"%3\"")
                                .arg(number)
                                .arg(text, wanted));
            if (openedUrls().size() != urlsBefore)
                return fail(QStringLiteral("capture %1 to the clipboard opened a URL").arg(number));
            return true;
        }
        const bool opened = waitFor([&] { return openedUrls().size() > urlsBefore; }, 60000);
        m_captureTimes.append(clock.elapsed());
        runXdotool({"keyup", "ctrl"});
        ++m_searches;
        if (opened)
            m_results.append(expected.join(u'\n'));
        const QStringList urls = openedUrls();
        if (!opened || urls.size() != urlsBefore + 1)
            return fail(QStringLiteral("capture %1 with Ctrl: %2 URLs opened, not one")
                            .arg(number)
                            .arg(urls.size() - urlsBefore));
        const QString line = urls.last();
        const QUrl url = QUrl::fromEncoded(line.toUtf8(), QUrl::StrictMode);
        const QList<std::pair<QString, QString>> query = QUrlQuery(url).queryItems(QUrl::FullyDecoded);
        const QList<std::pair<QString, QString>> wanted{{QStringLiteral("q"), expected.join(u' ')}};
        if (!url.isValid() || !line.startsWith(defaultSearchPrefix) || query != wanted)
            return fail(QStringLiteral("capture %1 with Ctrl opened %2, not the search for \"%3\"")
                            .arg(number)
                            .arg(line, expected.join(u' ')));
        if (clipboardThroughXclip() != before)
            return fail(QStringLiteral("capture %1 with Ctrl changed the clipboard").arg(number));
        return true;
    }

    // What the clipboard's owner offers, one target a line; read while events run, since the owner may
    // still be this process.
    static QByteArray clipboardTargets()
    {
        QProcess xclip;
        xclip.start(QStringLiteral("xclip"), {"-o", "-selection", "clipboard", "-t", "TARGETS"});
        if (!QTest::qWaitFor([&] { return xclip.state() == QProcess::NotRunning; }, 30000)) {
            xclip.kill();
            xclip.waitForFinished(1000);
            return {};
        }
        return xclip.readAllStandardOutput();
    }

    bool openMenu()
    {
        const QPoint centre = m_icon.center();
        if (!runXdotool(
                {"mousemove", QString::number(centre.x()), QString::number(centre.y()), "click", "1"}))
            return false;
        return waitFor([&] { return m_x->menuShownAt(m_base, m_icon.center()); }, 30000);
    }

    // An image put on the clipboard by another program, converted with the tray menu's Convert Clipboard.
    bool convert(int number)
    {
        if (QProcess::execute(QStringLiteral("xclip"),
                              {"-selection", "clipboard", "-t", "image/png", "-i", imageFile()}) != 0)
            return fail(QStringLiteral("conversion %1: xclip could not offer the image").arg(number));
        if (!waitFor([] { return clipboardTargets().contains("image/png"); }, 30000))
            return fail(QStringLiteral("conversion %1: the clipboard does not offer the image").arg(number));
        QElapsedTimer clicked;
        clicked.start();
        if (!openMenu()) {
            // Under Xvfb and trayer about one click in a dozen opens the menu and Qt closes it again at
            // once, before it is drawn. Such a click is counted and reported, and a second click must
            // open the menu; a menu that opens late, or not at all, is a failure.
            const QString state = m_x->pointerReport(m_base);
            const bool overlay = m_x->overlay() != 0;
            const qint64 started = storedDefaults().value(QStringLiteral("numberOfCaptures")).toInteger();
            const bool late = waitFor([&] { return m_x->menuShownAt(m_base, m_icon.center()); }, 2000);
            const bool again = !late && openMenu();
            const QString context =
                QStringLiteral(" (%1; %2 captures started so far; %3)")
                    .arg(overlay ? QStringLiteral("a capture overlay was up") : QStringLiteral("no overlay"))
                    .arg(started)
                    .arg(state);
            if (late) {
                note(QStringLiteral("conversion %1: the tray menu opened only %2 ms after the click")
                         .arg(number)
                         .arg(clicked.elapsed()) +
                     context);
            } else if (again) {
                ++m_menuClosedAtOnce;
                qInfo().noquote() << QStringLiteral("conversion %1: the tray menu closed at once; a second "
                                                    "click opened it")
                                             .arg(number) +
                                         context;
            } else {
                return fail(QStringLiteral("conversion %1: neither of two clicks on the tray icon opened the "
                                           "menu")
                                .arg(number) +
                            context);
            }
        }
        // Start Text Capture, Open..., Convert Clipboard (enabled by the image).
        if (!runXdotool({"key", "--delay", "60", "Down", "Down", "Down", "Return"}))
            return fail(QStringLiteral("conversion %1: xdotool could not type").arg(number));
        // xclip hands out the image's bytes for text too: the text is read once the image is gone.
        const bool replaced = waitFor(
            [] {
                const QByteArray targets = clipboardTargets();
                return targets.contains("UTF8_STRING") && !targets.contains("image/png");
            },
            60000);
        const QString text = replaced ? clipboardThroughXclip() : QString();
        if (text.isEmpty())
            return fail(QStringLiteral("conversion %1: no text came to the clipboard").arg(number));
        m_results.append(text);
        if (text != clipboardImageText)
            return fail(QStringLiteral("conversion %1: the clipboard holds \"%2\"").arg(number).arg(text));
        if (m_x->menuShownAt(m_base, m_icon.center()))
            return fail(QStringLiteral("conversion %1: the menu stayed open").arg(number));
        return true;
    }

    // A capture cancelled with Escape, every other one in the middle of a drag: no result.
    bool cancel(int number)
    {
        const QString before = QStringLiteral("before cancelled capture %1").arg(number);
        if (!putOnClipboard(before))
            return fail(QStringLiteral("cancel %1: the clipboard did not take the test's text").arg(number));
        const QRect area = m_window->area(captureLines.first(), 6);
        QProcess client;
        if (!bringUpOverlay(area.topLeft(), client))
            return fail(QStringLiteral("cancel %1: no overlay after oculo --capture").arg(number));
        const bool midDrag = number % 2 == 0;
        if (midDrag && !runXdotool({"mousedown", "1", "mousemove", QString::number(area.center().x()),
                                    QString::number(area.center().y())}))
            return fail(QStringLiteral("cancel %1: xdotool could not drag").arg(number));
        // Escape until the overlay goes: one pressed before the overlay holds the keyboard reaches another
        // window.
        const bool gone = waitFor(
            [&] {
                return m_x->overlay() == 0 ||
                       (runXdotool({"key", "Escape"}) && waitFor([&] { return m_x->overlay() == 0; }, 2000));
            },
            30000);
        if (!gone)
            return fail(QStringLiteral("cancel %1: the overlay stayed after Escape").arg(number));
        if (midDrag)
            runXdotool({"mouseup", "1"});
        if (!clientFinished(client))
            return fail(QStringLiteral("cancel %1: oculo --capture did not end well").arg(number));
        // Long enough for a result that should not come.
        QTest::qWait(300);
        if (clipboardThroughXclip() != before)
            return fail(QStringLiteral("cancel %1 changed the clipboard").arg(number));
        return true;
    }

    soak::ProcessFigures figures()
    {
        QTest::qWait(500); // what a result sets off has settled
        const qint64 pid = m_oculo->processId();
        return {soak::residentKb(pid), soak::procEntries(pid, QStringLiteral("fd")),
                soak::procEntries(pid, QStringLiteral("task")), m_x->countOf(m_base)};
    }

    static void report(const char* when, const soak::ProcessFigures& f)
    {
        qInfo().noquote() << QStringLiteral("%1: RSS %2 kB, %3 descriptors, %4 threads, %5 X windows")
                                 .arg(QLatin1String(when))
                                 .arg(f.rssKb)
                                 .arg(f.descriptors)
                                 .arg(f.threads)
                                 .arg(f.windows);
    }

    QJsonObject storedDefaults() const
    {
        QFile file(configHome() + QStringLiteral("/oculo/defaults.json"));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QJsonDocument::fromJson(file.readAll()).object();
    }

    bool oculoRuns() const { return m_oculo && m_oculo->state() == QProcess::Running; }

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
        QVERIFY(m_dir.isValid());
        m_x = std::make_unique<soak::XWindows>();
        QVERIFY(m_x->isOpen());
        m_bus = std::make_unique<PrivateSessionBus>();
        QVERIFY2(!m_bus->address().isEmpty(), qPrintable(m_bus->error()));
        QVERIFY(writeUrlHandler());
        QVERIFY(oneLineImage(clipboardImageText).save(imageFile(), "PNG"));

        // Quiet, and a history that never lets anything go.
        QDir().mkpath(configHome() + QStringLiteral("/oculo"));
        QFile defaults(configHome() + QStringLiteral("/oculo/defaults.json"));
        QVERIFY(defaults.open(QIODevice::WriteOnly));
        defaults.write(R"({"playSound": false, "removeFromHistoryDurationType": 2})");
        defaults.close();

        m_window = std::make_unique<LinesWindow>();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));

        // Without a window manager no panel keeps the preview cards off the top right corner, and a
        // minute of captures stacks them that high: the tray sits on the left.
        m_tray = startTrayHost(QStringLiteral("left"));
        QVERIFY(m_tray);
        m_oculo = std::make_unique<QProcess>();
        m_oculo->setProcessEnvironment(environment());
        m_oculo->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_oculo->setStandardOutputFile(m_dir.filePath(QStringLiteral("oculo-output")));
        m_oculo->start(oculoPath, {});
        QVERIFY(m_oculo->waitForStarted(30000));
        std::optional<QRect> icon;
        QVERIFY2(waitFor([&] { return (icon = iconGeometry()).has_value(); }, 60000),
                 "oculo's icon did not appear in the tray");
        m_icon = *icon;
    }

    void everyResultIsRightAndNothingGrows()
    {
        const int captures = sizeFromEnvironment("OCULO_SOAK_CAPTURES", 50);
        const int conversions = sizeFromEnvironment("OCULO_SOAK_CONVERSIONS", 10);
        const int cancels = sizeFromEnvironment("OCULO_SOAK_CANCELS", 10);
        QVERIFY2(captures >= 2, "OCULO_SOAK_CAPTURES must be 2 or more");
        // The long run compares the last capture with the 50th; the suite's 50 captures compare the 50th
        // with the 10th.
        const int early = captures > 50 ? 50 : std::max(1, captures / 5);
        qInfo("%d captures, %d conversions of the clipboard, %d cancelled captures; figures after capture "
              "%d and %d",
              captures, conversions, cancels, early, captures);

        soak::ProcessFigures atEarly, atEnd;
        int converted = 0, cancelled = 0;
        QElapsedTimer clock;
        clock.start();
        for (int number = 1; number <= captures; ++number) {
            // Every part of the text is read to the clipboard once and searched once in turn.
            capture(number, captureLines.at(((number - 1) / 2) % captureLines.size()), number % 2 == 0);
            QVERIFY2(oculoRuns(), "oculo is gone");
            if (number == early)
                atEarly = figures();
            if (number == captures)
                atEnd = figures();
            // Conversions and cancels spread evenly over the run.
            while (converted < qint64(number) * conversions / captures)
                convert(++converted);
            while (cancelled < qint64(number) * cancels / captures)
                cancel(++cancelled);
            QVERIFY2(oculoRuns(), "oculo is gone");
            if (number % 100 == 0) {
                const qint64 pid = m_oculo->processId();
                qInfo("%d captures in %lld s, %d failures so far; RSS %lld kB, %d descriptors, %d threads",
                      number, clock.elapsed() / 1000, m_failures, soak::residentKb(pid),
                      soak::procEntries(pid, QStringLiteral("fd")),
                      soak::procEntries(pid, QStringLiteral("task")));
            }
        }

        QList<qint64> times = m_captureTimes;
        std::sort(times.begin(), times.end());
        qInfo("done in %lld s: %d captures (%d with Ctrl), %d conversions, %d cancels; %d failures; the "
              "tray menu closed at once after %d of the %d clicks that opened it",
              clock.elapsed() / 1000, captures, m_searches, converted, cancelled, m_failures,
              m_menuClosedAtOnce, converted + m_menuClosedAtOnce);
        if (!times.isEmpty())
            qInfo("a capture from oculo --capture to its result: median %lld ms, longest %lld ms",
                  times.at(times.size() / 2), times.last());
        report(qPrintable(QStringLiteral("after capture %1").arg(early)), atEarly);
        report(qPrintable(QStringLiteral("after capture %1").arg(captures)), atEnd);

        // What must not grow first: it is worth knowing even when some result was wrong.
        QVERIFY(atEarly.rssKb > 0 && atEnd.rssKb > 0);
#ifndef OCULO_SANITIZED_BUILD
        QVERIFY2(atEnd.rssKb - atEarly.rssKb <= 10 * 1024,
                 qPrintable(QStringLiteral("RSS grew by %1 kB").arg(atEnd.rssKb - atEarly.rssKb)));
#else
        // AddressSanitizer keeps freed memory in quarantine (256 MB) and adds its shadow: the resident
        // size says nothing of the program's own here. Descriptors, threads and windows still count.
        qInfo("the resident size is not compared in a sanitized build");
#endif
        QCOMPARE(atEnd.descriptors, atEarly.descriptors);
        QCOMPARE(atEnd.threads, atEarly.threads);
        QCOMPARE(atEnd.windows, atEarly.windows);
        QCOMPARE(m_failures, 0);
        QCOMPARE(int(openedUrls().size()), m_searches);
        // Every start of a capture and every conversion is counted, and nothing else started one.
        QCOMPARE(storedDefaults().value(QStringLiteral("numberOfCaptures")).toInteger(),
                 qint64(captures + conversions + cancels));
    }

    void theMenuStillOpensTheHistoryWithEveryResult()
    {
        if (!oculoRuns() || !m_base)
            QSKIP("oculo did not get through the run");
        QVERIFY(putOnClipboard(QStringLiteral("before the history")));
        const QList<xcb_window_t> before = m_x->viewableTopLevels(m_base);
        QVERIFY2(openMenu(), "the tray menu did not open");
        // Start Text Capture, Open..., Recent Captures (Convert Clipboard is disabled by text), Show
        // Workflow.
        QVERIFY(runXdotool({"key", "--delay", "60", "Down", "Down", "Down", "Down", "Return"}));
        // The history window, once it has the focus that the keys below go to.
        const auto historyWindow = [&] {
            for (xcb_window_t window : m_x->viewableTopLevels(m_base)) {
                if (!before.contains(window) && !m_x->attributes(window).overrideRedirect)
                    return m_x->focus() == window;
            }
            return false;
        };
        QVERIFY2(waitFor(historyWindow, 60000), "the history window did not open or took no focus");
        screenshot(QStringLiteral("soak-history.png"));
        QVERIFY(runXdotool({"key", "--delay", "100", "ctrl+a", "ctrl+c"}));
        QString expected;
        for (const QString& text : std::as_const(m_results))
            expected += (expected.isEmpty() ? QString() : QStringLiteral("\n\n")) + text + u'\n';
        QVERIFY2(waitFor([&] { return clipboardThroughXclip() == expected; }, 60000),
                 qPrintable(QStringLiteral("the history copied %1 characters, not the %2 of the %3 results")
                                .arg(clipboardThroughXclip().size())
                                .arg(expected.size())
                                .arg(m_results.size())));
        qInfo("the history holds all %lld results", qint64(m_results.size()));
    }

    void cleanupTestCase()
    {
        if (m_x)
            recover();
        for (auto* process : {m_oculo.get(), m_tray.get()}) {
            if (!process || process->state() == QProcess::NotRunning)
                continue;
            process->terminate();
            if (!process->waitForFinished(30000))
                process->kill();
        }
        m_bus.reset();
    }
};

int main(int argc, char** argv)
{
    useOffscreenWithoutDisplay();
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    TestSoak test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_soak.moc"
