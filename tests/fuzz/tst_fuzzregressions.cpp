// Every fuzz target fed every seed of its corpus and every input a fuzzing run once crashed it with, so
// that the normal suite keeps what fuzzing found fixed. A broken expectation aborts this program with
// the condition, and Qt Test names the input.
#include "fuzztargets.h"

#include <QDir>
#include <QTest>

#include <array>

namespace {

const std::array<const FuzzTargets::Target*, 7> targets{
    &FuzzTargets::imageLoader,      &FuzzTargets::userDefaults,   &FuzzTargets::shortcut,
    &FuzzTargets::acknowledgements, &FuzzTargets::autostartEntry, &FuzzTargets::stateMachines,
    &FuzzTargets::webSearch,
};

QString folderOf(const FuzzTargets::Target& target, const char* kind)
{
    return QStringLiteral(OCULO_SOURCE_DIR "/tests/fuzz/%1/%2")
        .arg(QLatin1String(kind), QLatin1String(target.name));
}

QStringList filesIn(const QString& folder)
{
    QStringList paths;
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name))
        paths.append(dir.filePath(name));
    return paths;
}

} // namespace

class tst_FuzzRegressions : public QObject {
    Q_OBJECT

private slots:
    void everyTargetHasSeeds()
    {
        for (const FuzzTargets::Target* target : targets)
            QVERIFY2(!filesIn(folderOf(*target, "corpus")).isEmpty(), target->name);
    }

    void replay_data()
    {
        QTest::addColumn<int>("target");
        QTest::addColumn<QString>("path");
        for (int i = 0; i < int(targets.size()); ++i) {
            for (const char* kind : {"corpus", "regressions"}) {
                for (const QString& path : filesIn(folderOf(*targets[i], kind))) {
                    const QString tag = QStringLiteral("%1/%2/%3")
                                            .arg(QLatin1String(targets[i]->name), QLatin1String(kind),
                                                 QFileInfo(path).fileName());
                    QTest::newRow(qPrintable(tag)) << i << path;
                }
            }
        }
    }

    void replay()
    {
        QFETCH(int, target);
        QFETCH(QString, path);
        QFile file(path);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.errorString()));
        const QByteArray input = file.readAll();
        targets[target]->setUp();
        targets[target]->run(input);
    }
};

QTEST_MAIN(tst_FuzzRegressions)
#include "tst_fuzzregressions.moc"
