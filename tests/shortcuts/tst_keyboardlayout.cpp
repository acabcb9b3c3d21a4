// The key names follow the X server's keyboard layout, switched with setxkbmap while the test runs.
#include "keynames.h"
#include "modifierconversion.h"
#include "shortcut.h"
#include "x11testmain.h"

#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <xcb/xcb.h>

namespace {

// Sets the layout of the display the test runs on; an empty string when that worked.
QString setLayout(const QString& layout)
{
    QProcess process;
    process.start(QStringLiteral("setxkbmap"), {QStringLiteral("-layout"), layout});
    if (!process.waitForFinished(20000))
        return QStringLiteral("setxkbmap did not finish");
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QStringLiteral("setxkbmap %1 failed: %2")
            .arg(layout, QString::fromLocal8Bit(process.readAllStandardError()));
    return QString();
}

} // namespace

class TestKeyboardLayout : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void keyEquivalentFollowsTheLayout_data();
    void keyEquivalentFollowsTheLayout();
    void noAsciiLayout();
};

void TestKeyboardLayout::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1StringView("xcb"))
        QSKIP("No X display: set DISPLAY to an X server (scripts/test starts Xvfb) to run these tests");
    if (QStandardPaths::findExecutable(QStringLiteral("setxkbmap")).isEmpty())
        QSKIP("setxkbmap is not installed (Debian package x11-xkb-utils)");
}

void TestKeyboardLayout::cleanupTestCase()
{
    if (QGuiApplication::platformName() == QLatin1StringView("xcb"))
        setLayout(QStringLiteral("us"));
}

void TestKeyboardLayout::keyEquivalentFollowsTheLayout_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<qint64>("keyCode");
    QTest::addColumn<QString>("keyEquivalent");
    QTest::addColumn<QString>("description");
    // The rows switch back and forth, so each one shows the keymap read again after a change.
    QTest::newRow("us q") << QStringLiteral("us") << Key::q.rawValue << QStringLiteral("q")
                          << QStringLiteral("⌘Q");
    QTest::newRow("fr q") << QStringLiteral("fr") << Key::q.rawValue << QStringLiteral("a")
                          << QStringLiteral("⌘A");
    QTest::newRow("fr semicolon") << QStringLiteral("fr") << Key::semicolon.rawValue << QStringLiteral("m")
                                  << QStringLiteral("⌘M");
    // A dead key shows the accent it puts on the next letter.
    QTest::newRow("fr dead circumflex")
        << QStringLiteral("fr") << Key::leftBracket.rawValue << QStringLiteral("^") << QStringLiteral("⌘^");
    QTest::newRow("us again") << QStringLiteral("us") << Key::semicolon.rawValue << QStringLiteral(";")
                              << QStringLiteral("⌘;");
    QTest::newRow("de z") << QStringLiteral("de") << Key::z.rawValue << QStringLiteral("y")
                          << QStringLiteral("⌘Y");
    // The first group that types ASCII letters, not the first group.
    QTest::newRow("ru,us") << QStringLiteral("ru,us") << Key::q.rawValue << QStringLiteral("q")
                           << QStringLiteral("⌘Q");
    QTest::newRow("fr function key") << QStringLiteral("fr") << Key::f5.rawValue << QStringLiteral(u"\uF708")
                                     << QStringLiteral("⌘F5");
}

void TestKeyboardLayout::keyEquivalentFollowsTheLayout()
{
    QFETCH(QString, layout);
    QFETCH(qint64, keyCode);
    QFETCH(QString, keyEquivalent);
    QFETCH(QString, description);
    const QString failure = setLayout(layout);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    const Shortcut shortcut(Key(keyCode), ModifierFlag::command);
    QCOMPARE(shortcut.keyEquivalent(), keyEquivalent);
    QCOMPARE(shortcut.description(), description);
}

void TestKeyboardLayout::noAsciiLayout()
{
    const QString failure = setLayout(QStringLiteral("ru"));
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    const Shortcut letter(Key::q, ModifierFlag::command);
    QCOMPARE(letter.keyEquivalent(), QString());
    QCOMPARE(letter.description(), QStringLiteral(u"⌘\uFFFD"));
    // The glyphs need no layout.
    QCOMPARE(KeyNames::keyToCharacter(Key::returnKey), QStringLiteral(u"\u21A9"));
}

// Without a display Qt cannot start on xcb; offscreen the test can still say why it skips.
int main(int argc, char** argv)
{
    useOffscreenWithoutDisplay();
    QGuiApplication app(argc, argv);
    TestKeyboardLayout test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_keyboardlayout.moc"
