#include "desktopkeybindings.h"
#include "modifierconversion.h"

#include <QKeySequence>
#include <QTemporaryDir>
#include <QTest>

namespace {

using namespace CarbonModifier;

std::optional<Shortcut> shortcut(Key key, qint64 modifiers)
{
    return Shortcut(key.rawValue, modifiers);
}

const DesktopAccelerators& usAccelerators()
{
    static const DesktopAccelerators accelerators(KeyboardLayout::us());
    return accelerators;
}

// What gsettings would print, by its arguments joined with spaces; anything else fails.
DesktopKeyBindings::Sources gsettingsPrinting(const QHash<QString, QString>& outputs)
{
    DesktopKeyBindings::Sources sources;
    sources.gsettings = [outputs](const QStringList& arguments) -> std::optional<QString> {
        const auto found = outputs.constFind(arguments.join(u' '));
        return found == outputs.cend() ? std::nullopt : std::optional(found.value());
    };
    return sources;
}

} // namespace

Q_DECLARE_METATYPE(std::optional<Shortcut>)
Q_DECLARE_METATYPE(std::optional<QStringList>)

class TestDesktopKeyBindings : public QObject {
    Q_OBJECT
private slots:
    void gnomeAccelerator_data()
    {
        QTest::addColumn<QString>("accelerator");
        QTest::addColumn<std::optional<Shortcut>>("expected");
        const std::optional<Shortcut> none;

        QTest::newRow("Super is control") << "<Super>d" << shortcut(Key::d, control);
        QTest::newRow("Primary is command, Alt option")
            << "<Primary><Alt>t" << shortcut(Key::t, command | option);
        QTest::newRow("Control, Ctrl and Ctl") << "<Control><Ctrl><Ctl>x" << shortcut(Key::x, command);
        QTest::newRow("modifier names without case")
            << "<ctrl><SHIFT>2" << shortcut(Key::two, command | shift);
        QTest::newRow("Meta and Mod1 are Alt") << "<Meta><Mod1>a" << shortcut(Key::a, option);
        QTest::newRow("Mod4 is Super") << "<Mod4>Left" << shortcut(Key::leftArrow, control);
        QTest::newRow("upper-case letter") << "<Super>D" << shortcut(Key::d, control);
        QTest::newRow("Delete is the forward delete")
            << "<Control><Alt>Delete" << shortcut(Key::deleteForward, command | option);
        QTest::newRow("Page_Up") << "<Shift><Super>Page_Up" << shortcut(Key::pageUp, shift | control);
        QTest::newRow("function key") << "<Alt>F4" << shortcut(Key::f4, option);
        QTest::newRow("key above Tab") << "<Super>Above_Tab" << shortcut(Key::backtick, control);
        QTest::newRow("volume key alone") << "XF86AudioMute" << shortcut(Key::mute, 0);
        QTest::newRow("punctuation by keysym name")
            << "<Super>bracketleft" << shortcut(Key::leftBracket, control);
        QTest::newRow("keypad") << "<Super>KP_1" << shortcut(Key::keypad1, control);
        QTest::newRow("keypad Enter") << "<Control>KP_Enter" << shortcut(Key::keypadEnter, command);
        QTest::newRow("space") << "<Alt>space" << shortcut(Key::space, option);
        QTest::newRow("Shift+Tab") << "<Shift>ISO_Left_Tab" << shortcut(Key::tab, shift);
        QTest::newRow("Hyper") << "<Hyper>a" << none;
        QTest::newRow("Release") << "<Release>Super_L" << none;
        QTest::newRow("a key with no position") << "<Super>Print" << none;
        QTest::newRow("a shifted character") << "<Super>exclam" << none;
        QTest::newRow("disabled") << "disabled" << none;
        QTest::newRow("empty") << "" << none;
        QTest::newRow("modifiers only") << "<Super>" << none;
        QTest::newRow("unclosed modifier") << "<Super d" << none;
    }
    void gnomeAccelerator()
    {
        QFETCH(QString, accelerator);
        QFETCH(std::optional<Shortcut>, expected);
        QCOMPARE(usAccelerators().fromGnomeAccelerator(accelerator), expected);
    }

    void kdeKeySequence_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<Shortcut>>("expected");
        const std::optional<Shortcut> none;

        QTest::newRow("Meta is control") << "Meta+D" << shortcut(Key::d, control);
        QTest::newRow("Ctrl is command") << "Ctrl+Alt+T" << shortcut(Key::t, command | option);
        QTest::newRow("Shift") << "Meta+Shift+Left" << shortcut(Key::leftArrow, control | shift);
        QTest::newRow("function key") << "Alt+F4" << shortcut(Key::f4, option);
        QTest::newRow("volume key") << "Volume Up" << shortcut(Key::volumeUp, 0);
        QTest::newRow("punctuation") << "Meta+-" << shortcut(Key::minus, control);
        QTest::newRow("keypad digit") << "Meta+Num+5" << shortcut(Key::keypad5, control);
        QTest::newRow("keypad minus") << "Ctrl+Num+-" << shortcut(Key::keypadMinus, command);
        QTest::newRow("keypad Enter") << "Ctrl+Num+Enter" << shortcut(Key::keypadEnter, command);
        QTest::newRow("digit off the keypad") << "Ctrl+5" << shortcut(Key::five, command);
        QTest::newRow("a key with no position") << "Print" << none;
        QTest::newRow("a shifted character") << "Meta+!" << none;
    }
    void kdeKeySequence()
    {
        QFETCH(QString, text);
        QFETCH(std::optional<Shortcut>, expected);
        const QKeySequence sequence = QKeySequence::fromString(text, QKeySequence::PortableText);
        QCOMPARE(sequence.count(), 1);
        QCOMPARE(usAccelerators().fromKeyCombination(sequence[0]), expected);
    }

    void gvariantStrings_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<QStringList>>("expected");
        const std::optional<QStringList> none;

        QTest::newRow("array") << "['<Super>d', '<Primary><Alt>t']"
                               << std::optional(QStringList{"<Super>d", "<Primary><Alt>t"});
        QTest::newRow("typed empty array") << "@as []" << std::optional(QStringList{});
        QTest::newRow("empty array") << "[]" << std::optional(QStringList{});
        QTest::newRow("empty string") << "['']" << std::optional(QStringList{""});
        QTest::newRow("single string") << "'<Super>l'\n" << std::optional(QStringList{"<Super>l"});
        QTest::newRow("double quotes") << "[\"<Alt>'\"]" << std::optional(QStringList{"<Alt>'"});
        QTest::newRow("escaped quote") << "['a\\'b']" << std::optional(QStringList{"a'b"});
        QTest::newRow("number") << "6" << none;
        QTest::newRow("typed number") << "uint32 30" << none;
        QTest::newRow("unterminated array") << "['a'" << none;
        QTest::newRow("missing comma") << "['a' 'b']" << none;
        QTest::newRow("unterminated string") << "['a]" << none;
        QTest::newRow("text after the array") << "['a'] x" << none;
    }
    void gvariantStrings()
    {
        QFETCH(QString, text);
        QFETCH(std::optional<QStringList>, expected);
        QCOMPARE(DesktopKeyBindings::gvariantStrings(text), expected);
    }

    void gnomeSchemas()
    {
        const QString wm = "org.gnome.desktop.wm.keybindings";
        const QString media = "org.gnome.settings-daemon.plugins.media-keys";
        const QString custom = "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding:";
        const QString path = "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/custom0/";
        DesktopKeyBindings::Sources sources = gsettingsPrinting({
            {"list-recursively " + wm, wm + " show-desktop ['<Super>d']\n" + wm +
                                           " switch-windows ['<Alt>Tab', '<Super>Tab']\n" + wm +
                                           " minimize @as []\n" + wm + " toggle-maximized ['disabled']\n"},
            {"list-recursively " + media, media + " volume-step 6\n" + media + " screensaver '<Super>l'\n" +
                                              media + " custom-keybindings ['" + path + "', '/missing/']\n"},
            {"get " + custom + path + " binding", "'<Primary><Alt>o'\n"},
            {"list-recursively org.gnome.mutter.keybindings",
             "org.gnome.mutter.keybindings toggle-tiled-left ['<Super>Left']\n"},
        });
        const QList<Shortcut> expected{
            *shortcut(Key::d, control),          *shortcut(Key::tab, option),
            *shortcut(Key::tab, control),        *shortcut(Key::l, control),
            *shortcut(Key::o, command | option), *shortcut(Key::leftArrow, control)};
        QCOMPARE(DesktopKeyBindings::read(sources, usAccelerators()), expected);
    }

    void kdeFile()
    {
        const QString text = "[kwin]\n"
                             "_k_friendly_name=KWin\n"
                             "Show Desktop=Meta+D,Meta+D,Peek at Desktop\n"
                             "Walk Through Windows=Alt+Tab\\tMeta+Tab,Alt+Tab,Walk Through Windows\n"
                             "Expose=none,Ctrl+F9,Toggle Present Windows\n"
                             "Kill Window=,Meta+Ctrl+Esc,Kill Window\n"
                             "# Switch to Desktop 1=Ctrl+F1,Ctrl+F1,Desktop 1\n"
                             "\n"
                             "[org.kde.krunner.desktop]\n"
                             "_launch=Alt+Space\\tAlt+F2,Alt+Space,KRunner\n"
                             "Screenshot=Print,Print,Screenshot\n";
        const QList<Shortcut> expected{*shortcut(Key::d, control), *shortcut(Key::tab, option),
                                       *shortcut(Key::tab, control), *shortcut(Key::space, option),
                                       *shortcut(Key::f2, option)};
        QCOMPARE(DesktopKeyBindings::kdeGlobalShortcuts(text, usAccelerators()), expected);
    }

    void sourcesInOrder()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QFile kde(dir.filePath("kglobalshortcutsrc"));
        QVERIFY(kde.open(QIODevice::WriteOnly));
        kde.write("[kwin]\nWindow Close=Alt+F4,Alt+F4,Close Window\n");
        kde.close();
        DesktopKeyBindings::Sources sources =
            gsettingsPrinting({{"list-recursively org.gnome.shell.keybindings",
                                "org.gnome.shell.keybindings toggle-overview ['<Super>s']\n"}});
        sources.kdeGlobalShortcutsPath = kde.fileName();
        const QList<Shortcut> both{*shortcut(Key::s, control), *shortcut(Key::f4, option)};
        QCOMPARE(DesktopKeyBindings::read(sources, usAccelerators()), both);

        sources.gsettings = {};
        QCOMPARE(DesktopKeyBindings::read(sources, usAccelerators()), QList{*shortcut(Key::f4, option)});
        sources.kdeGlobalShortcutsPath = dir.filePath("missing");
        QCOMPARE(DesktopKeyBindings::read(sources, usAccelerators()), QList<Shortcut>{});
    }
};

QTEST_GUILESS_MAIN(TestDesktopKeyBindings)
#include "tst_desktopkeybindings.moc"
