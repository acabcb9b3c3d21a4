#include "fakelanguagerecognizer.h"
#include "fakepasteboard.h"
#include "fakespeechsynthesizer.h"
#include "globalshortcuts.h"
#include "historyviewmodel.h"
#include "memoryuserdefaults.h"
#include "modifierflags.h"
#include "recentcapturetitle.h"
#include "settingsviewmodel.h"
#include "statusitemcontroller.h"
#include "statusitemdrop.h"
#include "statusitemicon.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

namespace {

const Shortcut shiftCommandTwo(Key::two, ModifierFlag::shift | ModifierFlag::command);

struct Fixture {
    MemoryUserDefaults defaults;
    SettingsViewModel settings{defaults};
    FakeSpeechSynthesizer synthesizer;
    FakeLanguageRecognizer recognizer;
    HistoryViewModel history{settings, synthesizer, recognizer};
    FakePasteboard pasteboard;
    StatusItemController controller{history, pasteboard};
    QList<MenuCommand> commands;
    QList<QStringList> restored;

    Fixture()
    {
        GlobalShortcuts::resetModuleState();
        GlobalShortcuts::setUserDefaults(&defaults);
        controller.setUp(GlobalShortcuts::Name(QStringLiteral("toggleScreenCaptureMode"), shiftCommandTwo));
        controller.command().subscribe(&controller,
                                       [this](const MenuCommand& command) { commands << command; });
        controller.restoreCommand().subscribe(&controller,
                                              [this](const QStringList& lines) { restored << lines; });
    }
    ~Fixture() { GlobalShortcuts::setUserDefaults(nullptr); }

    void capture(const QStringList& lines) { history.addCapture(CaptureItem{lines, std::nullopt}, false); }
    QMenu* recentCaptures()
    {
        controller.menuWillOpen();
        return controller.historyItem()->menu();
    }
};

QStringList itemTexts(const QMenu* menu)
{
    QStringList texts;
    for (const QAction* action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("---") : action->text());
    return texts;
}

} // namespace

class TestStatusItemController : public QObject {
    Q_OBJECT
private slots:
    void theMenuHasEveryItemInOrder()
    {
        Fixture fixture;
        const QMenu* menu = fixture.controller.menu();
        QCOMPARE(itemTexts(menu),
                 (QStringList{"Start Text Capture", "Open...", "Convert Clipboard", "---", "Recent Captures",
                              "Show Workflow", "---", "About Oculo", "Preferences...", "---", "Quit Oculo"}));
        QCOMPARE(menu->title(), QStringLiteral("Oculo menu"));
        const QList<QAction*> items = menu->actions();
        QCOMPARE(items.at(0)->shortcut().toString(QKeySequence::NativeText), QStringLiteral("Ctrl+Shift+2"));
        QCOMPARE(items.at(1)->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
        for (const int plain : {2, 4, 5, 7, 8, 10})
            QVERIFY(items.at(plain)->shortcut().isEmpty());
        QVERIFY(!fixture.controller.importFromClipboardItem()->isEnabled());
        QVERIFY(!fixture.controller.historyItem()->isEnabled());
        QVERIFY(!fixture.controller.historyItem()->menu());
    }

    void eachItemSendsItsCommand()
    {
        Fixture fixture;
        fixture.pasteboard.image = QByteArray("\x89PNG", 4);
        fixture.controller.menuWillOpen();
        for (QAction* item : fixture.controller.menu()->actions()) {
            if (!item->isSeparator() && item != fixture.controller.historyItem())
                item->trigger();
        }
        QCOMPARE(fixture.commands,
                 (QList{MenuCommand::startCapture, MenuCommand::open, MenuCommand::importClipboard,
                        MenuCommand::showHistory, MenuCommand::showAbout, MenuCommand::showPreferences,
                        MenuCommand::quit}));
        // A sender that is not one of the command items sends nothing.
        QAction stranger;
        fixture.controller.performAction(&stranger);
        stranger.setProperty("oculoMenuTag", 7);
        fixture.controller.performAction(&stranger);
        fixture.controller.performAction(nullptr);
        QCOMPARE(fixture.commands.size(), 7);
    }

    void theStartItemFollowsTheCaptureShortcut()
    {
        Fixture fixture;
        const GlobalShortcuts::Name name(QStringLiteral("toggleScreenCaptureMode"));
        GlobalShortcuts::setShortcut(Shortcut(Key::o, ModifierFlag::option | ModifierFlag::command), name);
        QCOMPARE(fixture.controller.menu()->actions().at(0)->shortcut(),
                 QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_O));
    }

    void convertClipboardIsEnabledOnlyByAnImage()
    {
        Fixture fixture;
        fixture.pasteboard.text = QStringLiteral("just text");
        fixture.controller.menuWillOpen();
        QVERIFY(!fixture.controller.importFromClipboardItem()->isEnabled());
        fixture.pasteboard.image = QByteArray("\x89PNG", 4);
        fixture.controller.menuWillOpen();
        QVERIFY(fixture.controller.importFromClipboardItem()->isEnabled());
        fixture.pasteboard.image.clear();
        fixture.controller.menuWillOpen();
        QVERIFY(!fixture.controller.importFromClipboardItem()->isEnabled());
    }

    void recentCapturesListTheNewestFirst()
    {
        Fixture fixture;
        fixture.capture({"first"});
        QVERIFY(fixture.controller.historyItem()->isEnabled());
        QMenu* recent = fixture.recentCaptures();
        QVERIFY(recent);
        QCOMPARE(fixture.controller.historyItem()->text(), QStringLiteral("Recent Captures"));
        QCOMPARE(itemTexts(recent), QStringList{"first"});
        QCOMPARE(recent->actions().at(0)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_1));

        for (int i = 2; i <= 12; ++i)
            fixture.capture({QStringLiteral("capture %1").arg(i)});
        recent = fixture.recentCaptures();
        const QList<QAction*> entries = recent->actions();
        QCOMPARE(entries.size(), 12);
        QCOMPARE(entries.first()->text(), QStringLiteral("capture 12"));
        QCOMPARE(entries.last()->text(), QStringLiteral("first"));
        for (int position = 0; position < 12; ++position) {
            const QKeySequence expected =
                position < 9 ? QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_1 + position)) : QKeySequence();
            QCOMPARE(entries.at(position)->shortcut(), expected);
        }

        // Choosing one sends its lines; an emptied history disables the item and drops the submenu.
        entries.last()->trigger();
        QCOMPARE(fixture.restored, QList<QStringList>{{"first"}});
        fixture.history.setItems({});
        QVERIFY(!fixture.controller.historyItem()->isEnabled());
        QVERIFY(!fixture.recentCaptures());
    }

    void theMenuKeepsItsKeysFromGlobalShortcuts()
    {
        Fixture fixture;
        const auto keys = [&fixture] {
            QStringList texts;
            for (const GlobalShortcuts::MenuItemShortcut& item : fixture.controller.menuItemShortcuts())
                texts << item.title + u' ' + item.keySequence.toString();
            return texts;
        };
        QCOMPARE(keys(), QStringList{"Open... Ctrl+Shift+O"});
        fixture.capture({"older"});
        fixture.capture({"newer"});
        QCOMPARE(keys(), (QStringList{"Open... Ctrl+Shift+O", "newer Ctrl+1", "older Ctrl+2"}));
    }

    void aRestoreNeedsTheLinesOfAnEntry()
    {
        Fixture fixture;
        QAction stranger;
        fixture.controller.performRestoreHistory(&stranger);
        stranger.setData(42);
        fixture.controller.performRestoreHistory(&stranger);
        fixture.controller.performRestoreHistory(nullptr);
        QVERIFY(fixture.restored.isEmpty());
    }

    void titlesAreCutAfterTwentyFiveCharacters_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("title");
        QTest::newRow("lines joined by the arrow")
            << QStringList{"Hello", "World"} << QStringLiteral(u"Hello↩World");
        QTest::newRow("24 characters") << QStringList{QString(24, u'a')} << QString(24, u'a');
        QTest::newRow("25 characters") << QStringList{QString(25, u'a')} << QString(25, u'a') + u'…';
        QTest::newRow("40 characters") << QStringList{QString(40, u'b')} << QString(25, u'b') + u'…';
        // An accented letter of two code points and a flag of two surrogate pairs count as one each.
        const QString accented = QStringLiteral(u"e\u0301");
        QTest::newRow("grapheme clusters") << QStringList{accented.repeated(24) + QStringLiteral(u"🇫🇷")}
                                           << accented.repeated(24) + QStringLiteral(u"🇫🇷…");
        QTest::newRow("empty") << QStringList{} << QString();
    }
    void titlesAreCutAfterTwentyFiveCharacters()
    {
        QFETCH(QStringList, lines);
        QFETCH(QString, title);
        QCOMPARE(RecentCaptureTitle::of(lines), title);
    }

    // The submenu is built when the menu opens, not at each change of the history (bench/history-bench
    // times both with 10000 entries).
    void aLongHistoryIsListedWhenTheMenuOpens()
    {
        Fixture fixture;
        QList<HistoryItem> items;
        const QString megabyte(1 << 20, u'x');
        items.append(HistoryItem{1, {megabyte}, std::nullopt});
        for (int i = 1; i < 10000; ++i)
            items.append(
                HistoryItem{double(i + 1), {QStringLiteral("line %1").arg(i), "more"}, std::nullopt});
        fixture.history.setItems(items);
        QVERIFY2(!fixture.controller.historyItem()->menu(), "a change of the history built the submenu");
        QMenu* recent = fixture.recentCaptures();
        QCOMPARE(recent->actions().size(), 10000);
        QCOMPARE(recent->actions().last()->text(), QString(25, u'x') + u'…');
        fixture.capture({QStringLiteral("newest")});
        QVERIFY2(fixture.controller.historyItem()->menu() == recent && recent->actions().size() == 10000,
                 "a change of the history rebuilt the submenu");
        QCOMPARE(fixture.recentCaptures()->actions().size(), 10001);
        QCOMPARE(fixture.controller.historyItem()->menu()->actions().first()->text(),
                 QStringLiteral("newest"));
    }

    void dropsTakeTheFirstFileThatExists()
    {
        QTemporaryDir dir;
        const QString image = dir.filePath(QStringLiteral("text.png"));
        QImage(4, 4, QImage::Format_RGB32).save(image);
        const QUrl file = QUrl::fromLocalFile(image);
        const QUrl folder = QUrl::fromLocalFile(dir.path());
        const QUrl missing = QUrl::fromLocalFile(dir.filePath(QStringLiteral("gone.png")));
        using StatusItemDrop::DragOperation;
        QCOMPARE(StatusItemDrop::dragOperation({}), DragOperation::copy);
        QCOMPARE(StatusItemDrop::dragOperation({file}), DragOperation::copy);
        QCOMPARE(StatusItemDrop::dragOperation({file, folder}), DragOperation::none);
        QCOMPARE(StatusItemDrop::dragOperation({missing}), DragOperation::none);
        QCOMPARE(StatusItemDrop::dragOperation({QUrl(QStringLiteral("https://example.org/a.png"))}),
                 DragOperation::none);
        QCOMPARE(StatusItemDrop::droppedFile({file, missing}), image);
        QCOMPARE(StatusItemDrop::droppedFile({folder, file}), std::nullopt);
        QCOMPARE(StatusItemDrop::droppedFile({}), std::nullopt);
    }

    void theIconIsDrawnAtEveryPanelSize()
    {
        for (const int size : {16, 22, 24, 32}) {
            const QImage image = StatusItemIcon::draw(size);
            QCOMPARE(image.size(), QSize(size, size));
            // Light strokes with a dark rim, on a transparent ground.
            int light = 0, dark = 0;
            for (int y = 0; y < size; ++y) {
                for (int x = 0; x < size; ++x) {
                    const QColor c = image.pixelColor(x, y);
                    if (c.alpha() > 200 && c.lightness() > 200)
                        ++light;
                    else if (c.alpha() > 60 && c.lightness() < 60)
                        ++dark;
                }
            }
            QVERIFY2(light > size && dark > size, qPrintable(QStringLiteral("size %1").arg(size)));
            int clear = 0;
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x)
                    clear += image.pixelColor(x, y).alpha() == 0;
            QVERIFY2(clear >= size * size / 5,
                     qPrintable(QStringLiteral("%1 clear of %2").arg(clear).arg(size * size)));
        }
        const QString dir = QStringLiteral(OCULO_BINARY_DIR "/screenshots");
        QDir().mkpath(dir);
        // Every size on a light and on a dark panel, enlarged four times, for people to look at.
        QImage sheet(4 * (16 + 22 + 24 + 32 + 5 * 8), 4 * 2 * 40, QImage::Format_RGB32);
        QPainter painter(&sheet);
        painter.fillRect(0, 0, sheet.width(), sheet.height() / 2, QColor(236, 236, 236));
        painter.fillRect(0, sheet.height() / 2, sheet.width(), sheet.height() / 2, QColor(40, 40, 44));
        painter.scale(4, 4);
        for (const int row : {0, 1}) {
            int x = 8;
            for (const int size : {16, 22, 24, 32}) {
                painter.drawImage(x, row * 40 + (40 - size) / 2, StatusItemIcon::draw(size));
                x += size + 8;
            }
        }
        painter.end();
        sheet.save(dir + QStringLiteral("/tray-icon.png"));
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Oculo"));
    TestStatusItemController test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_statusitemcontroller.moc"
