#include "fakelanguagerecognizer.h"
#include "fakepasteboard.h"
#include "fakespeechsynthesizer.h"
#include "historytablemodel.h"
#include "historyview.h"
#include "historyviewmodel.h"
#include "historywindow.h"
#include "memoryuserdefaults.h"
#include "settingskeys.h"
#include "settingsviewmodel.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolTip>

namespace {

using Retention = RemoveFromHistoryDurationType;

// The window over a model on fakes, with a clock the test moves by hand.
struct Harness {
    MemoryUserDefaults defaults;
    std::unique_ptr<SettingsViewModel> settings;
    FakeSpeechSynthesizer synthesizer;
    FakeLanguageRecognizer recognizer;
    FakePasteboard pasteboard;
    double now = 1000;
    std::unique_ptr<HistoryViewModel> model;
    std::unique_ptr<HistoryWindow> window;

    explicit Harness(Retention retention = Retention::never)
    {
        defaults.registerDefaults({{SettingsKeys::showTextPreview, true}});
        settings = std::make_unique<SettingsViewModel>(defaults);
        settings->setRemoveFromHistoryDurationType(retention);
        model = std::make_unique<HistoryViewModel>(*settings, synthesizer, recognizer);
        model->setClock([this] { return now; });
        window = std::make_unique<HistoryWindow>(*model, pasteboard);
    }

    void capture(const QStringList& lines, std::optional<QString> application = std::nullopt)
    {
        std::optional<Window> source;
        if (application)
            source = Window{QRectF(10, 10, 300, 200), *application, 42};
        model->addCapture({lines, source}, false);
        now += 1;
    }
    void showAndFocus()
    {
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        table()->setFocus();
    }

    HistoryView& view() const { return window->view(); }
    QTableView* table() const { return view().tableView(); }
    QStringList itemTexts() const
    {
        QStringList texts;
        for (const HistoryItem& item : model->items().value())
            texts.append(item.text());
        return texts;
    }
    QString cellText(int row, int column) const
    {
        return table()->model()->index(row, column).data().toString();
    }
    QPoint cellCenter(int row, int column) const
    {
        return table()->visualRect(table()->model()->index(row, column)).center();
    }
    void clickRow(int row, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::mouseClick(table()->viewport(), Qt::LeftButton, modifiers, cellCenter(row, 2));
    }
};

// Opens the context menu at a cell; while it is open, `inMenu` gets it (or nothing if none opened).
void openContextMenu(Harness& harness, int row, int column, const std::function<void(QMenu*)>& inMenu)
{
    bool seen = false;
    QTimer::singleShot(0, [&] {
        seen = true;
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        inMenu(menu);
        if (menu)
            menu->close();
    });
    const QPoint position = harness.cellCenter(row, column);
    QContextMenuEvent event(QContextMenuEvent::Mouse, position,
                            harness.table()->viewport()->mapToGlobal(position));
    QApplication::sendEvent(harness.table()->viewport(), &event);
    if (!seen)
        QTRY_VERIFY(seen);
}

QMimeData* filesMime(const QList<QUrl>& urls)
{
    auto* data = new QMimeData;
    data->setUrls(urls);
    return data;
}

} // namespace

class TestHistoryWindow : public QObject {
    Q_OBJECT
private slots:
    void isACentredFixedSizeDarkUtilityPanel()
    {
        Harness harness;
        const Qt::WindowFlags flags = harness.window->windowFlags();
        QCOMPARE(flags & Qt::WindowType_Mask, Qt::Tool);
        QVERIFY(flags & Qt::WindowTitleHint);
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(harness.window->windowTitle().isEmpty());
        QCOMPARE(harness.window->size(), QSize(430, 540));
        QCOMPARE(harness.window->geometry().center(), harness.window->screen()->availableGeometry().center());
        QVERIFY(harness.window->palette().color(QPalette::Window).lightness() < 60);
        QVERIFY(harness.table()->palette().color(QPalette::Text).lightness() > 200);

        const QHeaderView* columns = harness.table()->horizontalHeader();
        QCOMPARE(columns->sectionSize(0), 75);
        QCOMPARE(columns->sectionSize(1), 75);
        QVERIFY(columns->sectionSize(2) >= 100);
    }

    void rowsFollowTheHistoryLive()
    {
        Harness harness(Retention::fast);
        harness.model->setTimerIntervals(std::chrono::milliseconds(20), std::chrono::hours(1));
        harness.showAndFocus();
        harness.capture({QStringLiteral("first")}, QStringLiteral("Terminal"));
        harness.now += 30;
        harness.capture({QStringLiteral("second")});
        QCOMPARE(harness.table()->model()->rowCount(), 2);
        QCOMPARE(harness.cellText(0, 1), QStringLiteral("Terminal"));
        QCOMPARE(harness.cellText(1, 1), QStringLiteral("<unknown>"));
        QCOMPARE(harness.cellText(1, 2), QStringLiteral("second"));

        // A minute after each capture its row goes, with no one touching the window.
        harness.now = 1000 + 61;
        QTRY_COMPARE(harness.table()->model()->rowCount(), 1);
        QCOMPARE(harness.cellText(0, 2), QStringLiteral("second"));
        harness.now = 1000 + 95;
        QTRY_COMPARE(harness.table()->model()->rowCount(), 0);
        QVERIFY(!harness.view().clearButton()->isEnabled());
    }

    void deleteRemovesTheSelectedRowsAndKeepsTheSelection_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Delete") << int(Qt::Key_Delete);
        QTest::newRow("Backspace") << int(Qt::Key_Backspace);
    }
    void deleteRemovesTheSelectedRowsAndKeepsTheSelection()
    {
        QFETCH(int, key);
        Harness harness;
        for (const char* text : {"a", "b", "c", "d"})
            harness.capture({QString::fromLatin1(text)});
        harness.showAndFocus();
        harness.clickRow(0);
        harness.clickRow(2, Qt::ControlModifier);
        const QSet<double> selected = harness.view().selection();
        QCOMPARE(selected.size(), 2);

        QTest::keyClick(harness.table(), Qt::Key(key));

        QCOMPARE(harness.itemTexts(), (QStringList{QStringLiteral("b"), QStringLiteral("d")}));
        QCOMPARE(harness.cellText(0, 2), QStringLiteral("b"));
        QCOMPARE(harness.cellText(1, 2), QStringLiteral("d"));
        QCOMPARE(harness.view().selection(), selected);
        QVERIFY(harness.table()->selectionModel()->selectedRows().isEmpty());
        // A new selection by the user replaces the gone entries.
        harness.clickRow(1);
        QCOMPARE(harness.view().selection(), QSet<double>{harness.model->items().value().at(1).timestamp});
    }

    void copyPutsTheSelectedTextsOnThePasteboard()
    {
        Harness harness;
        harness.capture({QStringLiteral("a")});
        harness.capture({QStringLiteral("b"), QStringLiteral("c")});
        harness.capture({QStringLiteral("not selected")});
        harness.showAndFocus();
        harness.clickRow(1);
        harness.clickRow(0, Qt::ControlModifier);

        QTest::keyClick(harness.table(), Qt::Key_C, Qt::ControlModifier);

        QCOMPARE(harness.pasteboard.setStrings, QStringList{QStringLiteral("a\n\n\nb\nc\n")});
        QVERIFY(harness.window->isVisible());
        QCOMPARE(harness.model->items().value().size(), 3);
    }

    void exportAllCopiesTheHistoryAndClosesThePanel()
    {
        Harness harness;
        harness.capture({QStringLiteral("a")});
        harness.capture({QStringLiteral("b"), QStringLiteral("c")});
        QStringList exported;
        const Cancellable token = harness.model->historicalText().subscribe(
            [&](const QStringList& texts) { exported.append(texts.join(u'\n')); });
        harness.showAndFocus();

        QTest::mouseClick(harness.view().exportAllButton(), Qt::LeftButton);

        QCOMPARE(exported, QStringList{QStringLiteral("a\n\nb\nc\n")});
        QVERIFY(!harness.window->isVisible());
        QCOMPARE(harness.model->items().value().size(), 2);
    }

    void buttonsNeedItemsAndClearLeavesThePanelOpen()
    {
        Harness harness;
        QVERIFY(!harness.view().clearButton()->isEnabled());
        QVERIFY(!harness.view().exportAllButton()->isEnabled());
        harness.capture({QStringLiteral("a")});
        harness.capture({QStringLiteral("b")});
        QVERIFY(harness.view().clearButton()->isEnabled());
        QVERIFY(harness.view().exportAllButton()->isEnabled());
        harness.showAndFocus();

        QTest::mouseClick(harness.view().clearButton(), Qt::LeftButton);

        QVERIFY(harness.model->items().value().isEmpty());
        QCOMPARE(harness.table()->model()->rowCount(), 0);
        QVERIFY(harness.window->isVisible());
        QVERIFY(!harness.view().clearButton()->isEnabled());
        QVERIFY(!harness.view().exportAllButton()->isEnabled());
        // The preview cards are left alone.
        QCOMPARE(harness.model->recentlyCapturedText().value().size(), 2);
    }

    void speakFromAContentCellsMenuOnly()
    {
        Harness harness;
        harness.capture({QStringLiteral("first")});
        harness.capture({QStringLiteral("read"), QStringLiteral("me")});
        harness.showAndFocus();
        harness.synthesizer.speaking = true; // something else is being read

        QStringList titles;
        openContextMenu(harness, 1, 2, [&](QMenu* menu) {
            QVERIFY(menu);
            for (QAction* action : menu->actions())
                titles.append(action->text());
            menu->actions().constFirst()->trigger();
        });
        QCOMPARE(titles, QStringList{QStringLiteral("Speak")});
        QCOMPARE(harness.synthesizer.stopCount, 1);
        QCOMPARE(harness.synthesizer.spoken.size(), 1);
        QCOMPARE(harness.synthesizer.spoken.constFirst().text, QStringLiteral("read\nme"));

        for (int column : {0, 1})
            openContextMenu(harness, 0, column, [](QMenu* menu) { QVERIFY(!menu); });
        QCOMPARE(harness.synthesizer.spoken.size(), 1);
    }

    void contentCellShowsFiveLinesAndTheWholeTextAsTooltip()
    {
        Harness harness;
        QStringList ten{QStringLiteral("<b>not bold</b>")};
        for (int i = 2; i <= 10; ++i)
            ten.append(QStringLiteral("line %1").arg(i));
        harness.capture({QStringLiteral("one line")});
        harness.capture(ten);
        harness.capture({QString(1 << 20, QLatin1Char('m'))});
        harness.showAndFocus();

        const int oneLine = harness.table()->rowHeight(0);
        const int lineSpacing = harness.table()->fontMetrics().lineSpacing();
        QCOMPARE(harness.table()->rowHeight(1) - oneLine, 4 * lineSpacing);
        QCOMPARE(harness.table()->rowHeight(2), oneLine); // a megabyte on one line stays one line

        const QPoint position = harness.cellCenter(1, 2);
        QHelpEvent help(QEvent::ToolTip, position, harness.table()->viewport()->mapToGlobal(position));
        QApplication::sendEvent(harness.table()->viewport(), &help);
        const QString tip = QToolTip::text();
        QVERIFY(tip.contains(QStringLiteral("line 10")));
        QVERIFY2(tip.contains(QStringLiteral("&lt;b&gt;not bold&lt;/b&gt;")), qPrintable(tip));
        QToolTip::hideText();
    }

    void selectionSurvivesChangesToOtherRows()
    {
        Harness harness;
        for (int i = 0; i < 40; ++i)
            harness.capture({QStringLiteral("item %1").arg(i)});
        harness.showAndFocus();
        harness.clickRow(39);
        const double chosen = harness.model->items().value().at(39).timestamp;

        // A retention tick that removes nothing, then one that removes the oldest rows.
        harness.model->removeExpiredHistory();
        QList<HistoryItem> items = harness.model->items().value();
        harness.model->setItems(items.mid(5));
        QCOMPARE(harness.table()->selectionModel()->selectedRows(), {harness.table()->model()->index(34, 0)});

        // Every other row goes: too scattered for removals, the table is reset and selects it again.
        items = harness.model->items().value();
        QList<HistoryItem> everyOther;
        for (int i = 0; i < items.size(); ++i) {
            if (i % 2 == 0)
                everyOther.append(items.at(i));
        }
        harness.model->setItems(everyOther);
        const QModelIndexList rows = harness.table()->selectionModel()->selectedRows();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.constFirst().data(HistoryTableModel::TimestampRole).toDouble(), chosen);
        QCOMPARE(harness.view().selection(), QSet<double>{chosen});
    }

    void dragsAndDropsGoToTheHooks()
    {
        Harness harness;
        const QUrl image = QUrl::fromLocalFile(QStringLiteral("/tmp/picture.png"));
        const QUrl remote(QStringLiteral("https://example.org/picture.png"));
        std::unique_ptr<QMimeData> mime(filesMime({remote, image}));
        const QPoint inside(100, 100);

        QDragEnterEvent refused(inside, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(harness.window.get(), &refused);
        QVERIFY(!refused.isAccepted()); // no acceptor

        QList<QList<QUrl>> asked, dropped;
        bool acceptDrag = false;
        bool acceptDrop = false;
        harness.window->setDragAcceptor([&](const QList<QUrl>& urls) {
            asked.append(urls);
            return acceptDrag;
        });
        harness.window->setDropHandler([&](const QList<QUrl>& urls) {
            dropped.append(urls);
            return acceptDrop;
        });
        QDragEnterEvent enter(inside, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(harness.window.get(), &enter);
        QVERIFY(!enter.isAccepted());
        QCOMPARE(asked, QList<QList<QUrl>>{{image}}); // the local files only

        acceptDrag = true;
        for (bool accept : {false, true}) {
            acceptDrop = accept;
            QDragEnterEvent enter(inside, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(harness.window.get(), &enter);
            QVERIFY(enter.isAccepted());
            QDragMoveEvent move(inside + QPoint(5, 5), Qt::CopyAction, mime.get(), Qt::LeftButton,
                                Qt::NoModifier);
            QApplication::sendEvent(harness.window.get(), &move);
            QVERIFY(move.isAccepted());
            QDropEvent drop(QPointF(inside), Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(harness.window.get(), &drop);
            QCOMPARE(drop.isAccepted(), accept);
        }
        QCOMPARE(dropped, (QList<QList<QUrl>>{{image}, {image}}));

        // Nothing that is a local file: refused without asking.
        std::unique_ptr<QMimeData> text(new QMimeData);
        text->setText(QStringLiteral("words"));
        QDragEnterEvent words(inside, Qt::CopyAction, text.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(harness.window.get(), &words);
        QVERIFY(!words.isAccepted());
        QCOMPARE(asked.size(), 3);
    }

    void tenThousandItemsStayResponsive()
    {
        Harness harness;
        QList<HistoryItem> items;
        for (int i = 0; i < 10000; ++i)
            items.append({1000.0 + i,
                          {QStringLiteral("captured line %1").arg(i), QStringLiteral("second line")},
                          i % 3 ? std::optional<Window>{}
                                : Window{QRectF(0, 0, 10, 10), QStringLiteral("Browser"), i}});
        harness.window.reset();
        harness.now = 20000; // later captures come after these

        QElapsedTimer timer;
        timer.start();
        harness.model->setItems(items);
        harness.window = std::make_unique<HistoryWindow>(*harness.model, harness.pasteboard);
        harness.showAndFocus();
        QVERIFY(QTest::qWaitForWindowExposed(harness.window.get()));
        QApplication::processEvents();
        const qint64 fillAndShow = timer.restart();

        QTest::keyClick(harness.table(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(harness.table(), Qt::Key_C, Qt::ControlModifier);
        const qint64 selectAllAndCopy = timer.restart();

        harness.capture({QStringLiteral("one more")});
        QApplication::processEvents();
        const qint64 oneCapture = timer.restart();
        harness.model->removeExpiredHistory();
        QApplication::processEvents();
        const qint64 idleTick = timer.restart();
        harness.model->setItems(harness.model->items().value().mid(100));
        QApplication::processEvents();
        const qint64 hundredExpire = timer.restart();
        QTest::keyClick(harness.table(), Qt::Key_Delete);
        QApplication::processEvents();
        const qint64 deleteAll = timer.restart();

        qInfo("10,000 items: fill and show %lld ms; select all and copy %lld ms; one more capture %lld ms; "
              "retention tick removing nothing %lld ms; 100 expiring %lld ms; deleting the selection %lld ms",
              fillAndShow, selectAllAndCopy, oneCapture, idleTick, hundredExpire, deleteAll);

        QCOMPARE(harness.view().selection().size(), 10000);
        QCOMPARE(harness.pasteboard.setStrings.size(), 1);
        QVERIFY(harness.pasteboard.setStrings.constFirst().startsWith(
            QStringLiteral("captured line 0\nsecond line\n\n\n")));
        QVERIFY(harness.pasteboard.setStrings.constFirst().endsWith(
            QStringLiteral("captured line 9999\nsecond line\n")));
        // Only the capture made after the selection is left.
        QCOMPARE(harness.itemTexts(), QStringList{QStringLiteral("one more")});
    }

    void screenshotWithThreeRows()
    {
        Harness harness;
        harness.now = QDateTime(QDate(2024, 3, 14), QTime(15, 41, 7)).toSecsSinceEpoch();
        harness.capture({QStringLiteral("Drag a rectangle over any text on the screen,"),
                         QStringLiteral("release the mouse button, and paste it into"),
                         QStringLiteral("any other application you like.")},
                        QStringLiteral("Firefox"));
        harness.now += 73;
        harness.capture({QStringLiteral("$ cmake --build build --target oculo -j2")},
                        QStringLiteral("Terminal"));
        harness.now += 412;
        harness.capture({QStringLiteral("Invoice 2024-0117"), QStringLiteral("Total due: 1,280.00 EUR"),
                         QStringLiteral("Payable within 30 days"),
                         QStringLiteral("IBAN DE89 3704 0044 0532 0130 00"),
                         QStringLiteral("BIC COBADEFFXXX"), QStringLiteral("Thank you for your business")});
        harness.showAndFocus();
        harness.clickRow(1);

        const QImage image = harness.window->grab().toImage();
        const QString dir = QStringLiteral(OCULO_BINARY_DIR "/screenshots");
        QVERIFY(QDir().mkpath(dir));
        QVERIFY(image.save(dir + QStringLiteral("/history-window.png")));
        QCOMPARE(image.size() / image.devicePixelRatio(), QSize(430, 540));
        // Dark below the rows, where only the table's background shows.
        QVERIFY(QColor(image.pixel(image.width() / 2, image.height() * 3 / 4)).lightness() < 60);
    }
};

QTEST_MAIN(TestHistoryWindow)
#include "tst_historywindow.moc"
