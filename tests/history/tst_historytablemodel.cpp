#include "historycelltext.h"
#include "historytablemodel.h"

#include <QAbstractItemModelTester>
#include <QDateTime>
#include <QSignalSpy>
#include <QTest>

namespace {

HistoryItem item(double timestamp, QStringList lines, std::optional<QString> application = std::nullopt)
{
    HistoryItem result{timestamp, std::move(lines), std::nullopt};
    if (application)
        result.window = Window{QRectF(0, 0, 100, 100), *application, 7};
    return result;
}

// Items with the timestamps given, the text of each being its timestamp.
QList<HistoryItem> items(const QList<int>& timestamps)
{
    QList<HistoryItem> result;
    for (int timestamp : timestamps)
        result.append(item(timestamp, {QString::number(timestamp)}));
    return result;
}

QList<double> rowTimestamps(const HistoryTableModel& model)
{
    QList<double> timestamps;
    for (int row = 0; row < model.rowCount(); ++row)
        timestamps.append(model.index(row, 0).data(HistoryTableModel::TimestampRole).toDouble());
    return timestamps;
}

// 15:41:07 as a US English clock shows it, with the space the locale's data puts before the day period
// (a narrow no-break space in newer Qt releases).
QString usAfternoon(const QString& time = QStringLiteral("3:41:07"),
                    const QString& period = QStringLiteral("PM"))
{
    const QString format = QLocale(QLocale::English, QLocale::UnitedStates).timeFormat(QLocale::ShortFormat);
    const qsizetype at = format.indexOf(QLatin1Char('a'), 0, Qt::CaseInsensitive);
    return time + (at > 0 ? format.at(at - 1) : QLatin1Char(' ')) + period;
}

double localTimestamp(int hour, int minute, int second, int milliseconds = 0)
{
    return QDateTime(QDate(2024, 3, 14), QTime(hour, minute, second, milliseconds)).toMSecsSinceEpoch() /
           1000.0;
}

} // namespace

Q_DECLARE_METATYPE(QList<int>)

class TestHistoryTableModel : public QObject {
    Q_OBJECT
private slots:
    void cellsShowTimeSourceAndContent()
    {
        HistoryTableModel model(nullptr, QLocale(QLocale::English, QLocale::UnitedStates));
        model.setItems(
            {item(localTimestamp(15, 41, 7, 900), {QStringLiteral("<b>a</b>")}, QStringLiteral("Files")),
             item(localTimestamp(9, 5, 0), {QStringLiteral("b")})});

        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.columnCount(), 3);
        QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Added"));
        QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Source"));
        QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral("Content"));
        // Seconds shown, the fraction dropped, no time zone.
        QCOMPARE(model.index(0, 0).data().toString(), usAfternoon());
        QCOMPARE(model.index(1, 0).data().toString(),
                 usAfternoon(QStringLiteral("9:05:00"), QStringLiteral("AM")));
        QCOMPARE(model.index(0, 1).data().toString(), QStringLiteral("Files"));
        QCOMPARE(model.index(1, 1).data().toString(), QStringLiteral("<unknown>"));
        QCOMPARE(model.index(0, 2).data().toString(), QStringLiteral("<b>a</b>"));
        QCOMPARE(model.index(1, 2).data(HistoryTableModel::TimestampRole).toDouble(),
                 localTimestamp(9, 5, 0));
        QVERIFY(!(model.flags(model.index(0, 2)) & Qt::ItemIsEditable));
    }

    void mediumTimeFormatHasSecondsAndNoZone_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("expected");
        QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates) << usAfternoon();
        QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany) << QStringLiteral("15:41:07");
        QTest::newRow("zone first (zh_CN)")
            << QLocale(QLocale::Chinese, QLocale::China) << QStringLiteral("15:41:07");
        QTest::newRow("C") << QLocale::c() << QStringLiteral("15:41:07");
    }
    void mediumTimeFormatHasSecondsAndNoZone()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, expected);
        const QString format = HistoryCellText::mediumTimeFormat(locale);
        QCOMPARE(HistoryCellText::timeOfDay(localTimestamp(15, 41, 7), locale, format), expected);
    }

    void contentShowsFiveLinesAndTheToolTipAll()
    {
        QStringList ten;
        for (int i = 1; i <= 10; ++i)
            ten.append(QStringLiteral("line %1").arg(i));
        HistoryTableModel model;
        // A line of the recognised text may itself hold line feeds: they count as lines too.
        model.setItems({item(1, ten), item(2, {QStringLiteral("x\ny"), QStringLiteral("z")}), item(3, {}),
                        item(4, ten.mid(0, 5))});

        QCOMPARE(model.index(0, 2).data().toString(), ten.mid(0, 5).join(u'\n') + QChar(0x2026));
        QCOMPARE(model.index(0, 2).data(HistoryTableModel::LineCountRole).toInt(), 5);
        QCOMPARE(model.index(0, 2).data(Qt::ToolTipRole).toString(), ten.join(u'\n'));
        QCOMPARE(model.index(1, 2).data().toString(), QStringLiteral("x\ny\nz"));
        QCOMPARE(model.index(1, 2).data(HistoryTableModel::LineCountRole).toInt(), 3);
        QCOMPARE(model.index(2, 2).data().toString(), QString());
        QCOMPARE(model.index(2, 2).data(HistoryTableModel::LineCountRole).toInt(), 1);
        QCOMPARE(model.index(3, 2).data().toString(), ten.mid(0, 5).join(u'\n')); // nothing left out
    }

    void hugeTextsAreCut()
    {
        const QString megabyteLine(1 << 20, QLatin1Char('w'));
        QStringList manyLines;
        for (int i = 0; i < 100; ++i)
            manyLines.append(QStringLiteral("line %1").arg(i));

        const QString preview = HistoryCellText::contentPreview({megabyteLine, QStringLiteral("second")});
        QCOMPARE(preview, megabyteLine.left(HistoryCellText::previewLineLength) + QStringLiteral("\nsecond"));

        const QString longTip = HistoryCellText::toolTip({megabyteLine});
        QCOMPARE(longTip.size(), HistoryCellText::toolTipLength + 1);
        QVERIFY(longTip.endsWith(QChar(0x2026)));

        const QString linesTip = HistoryCellText::toolTip(manyLines);
        QCOMPARE(linesTip, manyLines.mid(0, HistoryCellText::toolTipLineLimit).join(u'\n') + QChar(0x2026));
        // Up to the limits nothing is cut.
        QCOMPARE(HistoryCellText::toolTip(manyLines.mid(0, HistoryCellText::toolTipLineLimit)),
                 manyLines.mid(0, HistoryCellText::toolTipLineLimit).join(u'\n'));
    }

    // How a new list reaches the views: removals and an append where it is the old one thinned out and
    // extended, a reset otherwise; the rows always end up as the new list.
    void changesArriveAsRemovalsAppendOrReset_data()
    {
        QTest::addColumn<QList<int>>("before");
        QTest::addColumn<QList<int>>("after");
        QTest::addColumn<int>("removals");
        QTest::addColumn<int>("inserts");
        QTest::addColumn<int>("resets");
        QTest::newRow("same list") << QList<int>{1, 2, 3} << QList<int>{1, 2, 3} << 0 << 0 << 0;
        QTest::newRow("capture appended") << QList<int>{1, 2} << QList<int>{1, 2, 3} << 0 << 1 << 0;
        QTest::newRow("oldest expired") << QList<int>{1, 2, 3, 4} << QList<int>{3, 4} << 1 << 0 << 0;
        QTest::newRow("two apart deleted") << QList<int>{1, 2, 3, 4, 5} << QList<int>{1, 3, 5} << 2 << 0 << 0;
        QTest::newRow("expired and captured") << QList<int>{1, 2, 3} << QList<int>{2, 3, 4, 5} << 1 << 1 << 0;
        QTest::newRow("reordered") << QList<int>{1, 2, 3} << QList<int>{3, 1, 2} << 1 << 1 << 0;
        QTest::newRow("first items") << QList<int>{} << QList<int>{1, 2} << 0 << 0 << 1;
        QTest::newRow("cleared") << QList<int>{1, 2, 3} << QList<int>{} << 0 << 0 << 1;
        QTest::newRow("all replaced") << QList<int>{1, 2} << QList<int>{3, 4} << 0 << 0 << 1;
        QList<int> every, everyOther;
        for (int i = 0; i < 100; ++i) {
            every.append(i);
            if (i % 2)
                everyOther.append(i);
        }
        QTest::newRow("many runs deleted") << every << everyOther << 0 << 0 << 1;
    }
    void changesArriveAsRemovalsAppendOrReset()
    {
        QFETCH(QList<int>, before);
        QFETCH(QList<int>, after);
        QFETCH(int, removals);
        QFETCH(int, inserts);
        QFETCH(int, resets);

        HistoryTableModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setItems(items(before));
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);

        model.setItems(items(after));

        QCOMPARE(removed.size(), removals);
        QCOMPARE(inserted.size(), inserts);
        QCOMPARE(reset.size(), resets);
        QList<double> expected;
        for (int timestamp : after)
            expected.append(timestamp);
        QCOMPARE(rowTimestamps(model), expected);
        QCOMPARE(model.items(), items(after));
    }

    void anItemChangedInPlaceIsShownAnew()
    {
        HistoryTableModel model;
        model.setItems(items({1, 2, 3}));
        QList<HistoryItem> changed = items({1, 2, 3});
        changed[1].value = QStringList{QStringLiteral("changed")};
        model.setItems(changed);
        QCOMPARE(model.index(1, 2).data().toString(), QStringLiteral("changed"));
        QCOMPARE(model.rowCount(), 3);
    }
};

QTEST_GUILESS_MAIN(TestHistoryTableModel)
#include "tst_historytablemodel.moc"
