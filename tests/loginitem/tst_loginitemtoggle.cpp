#include "autostartentry.h"
#include "localizedstrings.h"
#include "loginitem.h"
#include "loginitemtoggle.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestLoginItemToggle : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        QVERIFY(m_root.isValid());
        m_directory = m_root.path() + QStringLiteral("/autostart-%1").arg(++m_run);
        m_executable = m_root.path() + QStringLiteral("/bin/oculo");
    }

    void showsTheStateFoundAtCreation()
    {
        QVERIFY(QDir().mkpath(m_directory));
        LoginItem item(m_directory, m_executable);
        {
            LoginItemToggle toggle(item);
            QCOMPARE(toggle.text(), Strings::settingsStartAtLoginTitle());
            QVERIFY(!toggle.isChecked());
        }
        QFile file(item.entryFilePath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(AutostartEntry::contents(m_executable));
        file.close();
        LoginItemToggle toggle(item);
        QVERIFY(toggle.isChecked());
    }

    void eachClickSetsTheLoginItemOnce()
    {
        LoginItem item(m_directory, m_executable);
        LoginItemToggle toggle(item);
        toggle.show();
        QSignalSpy setterCalls(&item, &LoginItem::objectWillChange);

        QTest::mouseClick(&toggle, Qt::LeftButton);
        QVERIFY(toggle.isChecked());
        QVERIFY(QFile::exists(item.entryFilePath()));
        QCOMPARE(setterCalls.size(), 1);

        toggle.setFocus();
        QTest::keyClick(&toggle, Qt::Key_Space);
        QVERIFY(!toggle.isChecked());
        QVERIFY(!QFile::exists(item.entryFilePath()));
        QCOMPARE(setterCalls.size(), 2);

        // What it shows after the model changed is not taken for a click.
        item.setIsEnabled(true);
        QVERIFY(toggle.isChecked());
        QCOMPARE(setterCalls.size(), 3);
    }

    void aHandEditTurnsItOffWhileTheWindowIsOpen()
    {
        LoginItem item(m_directory, m_executable);
        LoginItemToggle toggle(item);
        toggle.show();
        QTest::mouseClick(&toggle, Qt::LeftButton);
        QVERIFY(toggle.isChecked());

        QFile file(item.entryFilePath());
        QVERIFY(file.open(QIODevice::Append));
        file.write("Hidden=true\n");
        file.close();
        QTRY_VERIFY(!toggle.isChecked());

        QVERIFY(QFile::remove(item.entryFilePath()));
        QFile again(item.entryFilePath());
        QVERIFY(again.open(QIODevice::WriteOnly));
        again.write(AutostartEntry::contents(m_executable));
        again.close();
        QTRY_VERIFY(toggle.isChecked());
    }

    void showsWhatWasReadBackWhenEnablingFails()
    {
        QVERIFY(QDir().mkpath(m_directory));
        LoginItem item(m_directory, m_executable);
        QVERIFY(QDir().mkdir(item.entryFilePath()));
        LoginItemToggle toggle(item);
        toggle.show();
        QSignalSpy setterCalls(&item, &LoginItem::objectWillChange);
        QTest::mouseClick(&toggle, Qt::LeftButton);
        QVERIFY(!toggle.isChecked());
        QCOMPARE(setterCalls.size(), 1);
        QVERIFY(QFileInfo(item.entryFilePath()).isDir());
    }

    void outlivesItsLoginItem()
    {
        auto item = std::make_unique<LoginItem>(m_directory, m_executable);
        LoginItemToggle toggle(*item);
        toggle.show();
        item.reset();
        QTest::mouseClick(&toggle, Qt::LeftButton);
        QVERIFY(toggle.isChecked());
        QVERIFY(!QFileInfo::exists(m_directory));
    }

private:
    QTemporaryDir m_root;
    QString m_directory;
    QString m_executable;
    int m_run = 0;
};

QTEST_MAIN(TestLoginItemToggle)
#include "tst_loginitemtoggle.moc"
