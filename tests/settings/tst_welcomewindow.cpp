#include "localizedstrings.h"
#include "welcomeview.h"
#include "welcomewindow.h"
#include "widgetscreenshots.h"

#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

namespace {

// The permission as the desktop answers it, and what was asked of it.
struct Permission {
    bool isGranted = false;
    int preflightCount = 0;
    int requestCount = 0;
    bool windowWasVisibleWhenRequested = false;
    QWidget* window = nullptr;

    ScreenCaptureAccess access()
    {
        return {[this] {
                    ++preflightCount;
                    return isGranted;
                },
                [this] {
                    ++requestCount;
                    windowWasVisibleWhenRequested = window && window->isVisible();
                }};
    }
};

const QStringList allLanguages = {QStringLiteral("chi_sim"), QStringLiteral("chi_tra"), QStringLiteral("deu"),
                                  QStringLiteral("eng"),     QStringLiteral("fra"),     QStringLiteral("ita"),
                                  QStringLiteral("por"),     QStringLiteral("spa")};

QString labelText(const QWidget& window, const char* name)
{
    auto* label = window.findChild<QLabel*>(QLatin1String(name));
    return label ? label->text() : QString();
}

// Runs the window modally, clicking its button once the run has started; false when the run did not
// end within a few seconds.
bool runAndClick(WelcomeWindow& window)
{
    bool clicked = false;
    QTimer::singleShot(0, &window, [&] {
        clicked = true;
        QTest::mouseClick(window.view().actionButton(), Qt::LeftButton);
    });
    QTimer failsafe;
    bool timedOut = false;
    failsafe.setSingleShot(true);
    QObject::connect(&failsafe, &QTimer::timeout, &window, [&] {
        timedOut = true;
        window.hide();
    });
    failsafe.start(5000);
    window.runModal();
    return clicked && !timedOut;
}

} // namespace

class TestWelcomeWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        WidgetScreenshots::useFusion(false);
    }

    void isAFixedSizeWindowWithTheStepsInOrder()
    {
        Permission permission;
        WelcomeWindow window(permission.access(), allLanguages);
        QCOMPARE(window.size(), QSize(430, 540));
        QVERIFY(window.windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(labelText(window, "headline"), QStringLiteral("Welcome to Oculo"));
        QCOMPARE(labelText(window, "selectTitle"), QStringLiteral("Select Screen Region"));
        QCOMPARE(labelText(window, "pasteTitle"), QStringLiteral("Paste anywhere"));
        QCOMPARE(labelText(window, "languagesTitle"), QStringLiteral("International"));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // Top to bottom, each below the one before, all inside the window.
        int previousBottom = 0;
        for (const char* name : {"headline", "selectTitle", "selectBody", "pasteTitle", "pasteBody",
                                 "languagesTitle", "languagesBody", "permissionNote"}) {
            auto* label = window.findChild<QLabel*>(QLatin1String(name));
            QVERIFY2(label, name);
            const QRect frame(label->mapTo(&window, QPoint()), label->size());
            QVERIFY2(frame.top() >= previousBottom, name);
            QVERIFY2(frame.height() >= label->heightForWidth(label->width()), name);
            QVERIFY2(frame.left() >= 55, name);
            QVERIFY2(frame.right() < 430 - 55 + 1, name);
            previousBottom = frame.bottom();
        }
        const QRect button(window.view().actionButton()->mapTo(&window, QPoint()),
                           window.view().actionButton()->size());
        QVERIFY(button.top() > previousBottom);
        QVERIFY(button.bottom() <= 540 - 55);
        // The symbols sit in their column left of the texts.
        auto* crop = window.findChild<QWidget*>(QStringLiteral("selectSymbol"));
        QVERIFY(crop);
        QCOMPARE(crop->mapTo(&window, QPoint()).x(), 55);
    }

    void listsTheLanguagesAsTheLocaleJoinsThem()
    {
        QCOMPARE(WelcomeView::languagesText({QStringLiteral("fra"), QStringLiteral("eng")}),
                 QStringLiteral("Supports English and French"));
        QCOMPARE(WelcomeView::languagesText({QStringLiteral("deu"), QStringLiteral("osd"),
                                             QStringLiteral("eng"), QStringLiteral("chi_sim")}),
                 QStringLiteral("Supports English, German, and Chinese (Simplified)"));
        Permission permission;
        WelcomeWindow window(permission.access(), {QStringLiteral("eng")});
        QCOMPARE(labelText(window, "languagesBody"), QStringLiteral("Supports English"));
    }

    void withThePermissionDoneClosesTheWindowAndEndsTheModalRun()
    {
        Permission permission;
        permission.isGranted = true;
        WelcomeWindow window(permission.access(), allLanguages);
        permission.window = &window;
        QVERIFY(runAndClick(window));
        QCOMPARE(window.view().actionButton()->text(), QStringLiteral("Done"));
        QVERIFY(window.view().actionButton()->width() <= 230);
        QVERIFY(!window.isVisible());
        QCOMPARE(permission.requestCount, 0);
    }

    void withoutThePermissionTheButtonClosesFirstThenAsks()
    {
        Permission permission;
        WelcomeWindow window(permission.access(), allLanguages);
        permission.window = &window;
        QVERIFY(runAndClick(window));
        QVERIFY(window.view().isOfferingPermission());
        QCOMPARE(window.view().actionButton()->text(),
                 Strings::welcomePermissionsOpenPreferencesButtonTitle());
        QCOMPARE(permission.requestCount, 1);
        QVERIFY(!permission.windowWasVisibleWhenRequested);
        QVERIFY(!window.isVisible());
    }

    void thePermissionIsAskedAgainEachTimeTheWindowIsShown()
    {
        Permission permission;
        WelcomeWindow window(permission.access(), allLanguages);
        permission.window = &window;
        QVERIFY(runAndClick(window));
        QCOMPARE(permission.requestCount, 1);
        // Granted in the meantime: the next showing offers "Done", and asks nothing more.
        permission.isGranted = true;
        QVERIFY(runAndClick(window));
        QVERIFY(!window.view().isOfferingPermission());
        QCOMPARE(permission.requestCount, 1);
        // While the window is open the answer is not watched.
        const int asked = permission.preflightCount;
        window.show();
        permission.isGranted = false;
        QTest::qWait(20);
        QVERIFY(!window.view().isOfferingPermission());
        QCOMPARE(permission.preflightCount, asked + 1);
        window.close();
    }

    void closingByTheTitleBarOrEscapeEndsTheModalRun()
    {
        Permission permission;
        WelcomeWindow window(permission.access(), allLanguages);
        QTimer::singleShot(0, &window, [&] { window.close(); });
        window.runModal();
        QVERIFY(!window.isVisible());
        QTimer::singleShot(0, &window, [&] { QTest::keyClick(&window, Qt::Key_Escape); });
        window.runModal();
        QVERIFY(!window.isVisible());
        QCOMPARE(permission.requestCount, 0);
    }

    void screenshots_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::addColumn<bool>("isGranted");
        QTest::addColumn<bool>("hasShortcuts");
        QTest::addColumn<bool>("hasTray");
        QTest::newRow("light") << false << true << true << true;
        QTest::newRow("dark") << true << false << true << true;
        QTest::newRow("no-shortcuts") << false << true << false << true;
        // The desktop without global shortcuts nor a tray: the most the window says.
        QTest::newRow("no-tray") << false << false << false << false;
    }

    void screenshots()
    {
        QFETCH(bool, dark);
        QFETCH(bool, isGranted);
        QFETCH(bool, hasShortcuts);
        QFETCH(bool, hasTray);
        WidgetScreenshots::useFusion(dark);
        Permission permission;
        permission.isGranted = isGranted;
        WelcomeWindow window(permission.access(), allLanguages);
        window.view().setCaptureShortcut(QStringLiteral("Ctrl+Shift+2"));
        if (!hasShortcuts) {
            window.view().setCaptureShortcutNote(QStringLiteral(
                "This desktop gives applications no global shortcuts: bind the command \"oculo --capture\" "
                "to a key in the desktop's keyboard settings to start a capture."));
        }
        if (!hasTray)
            window.view().setTrayNote(Strings::welcomeNoTrayBody());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // Every text has the height its lines need, and the button stays inside the window.
        for (const QLabel* label : window.findChildren<QLabel*>()) {
            if (label->isVisible() && label->wordWrap())
                QVERIFY2(label->height() >= label->heightForWidth(label->width()), qPrintable(label->text()));
        }
        const QWidget* button = window.view().actionButton();
        QVERIFY(button->mapTo(&window, QPoint(0, button->height())).y() <= window.height());
        const QString name = !hasTray        ? QStringLiteral("welcome-no-tray")
                             : !hasShortcuts ? QStringLiteral("welcome-no-shortcuts")
                                             : QStringLiteral("welcome");
        const QString path = WidgetScreenshots::save(window, name, dark);
        QVERIFY(!path.isEmpty());
        qInfo("saved %s", qPrintable(path));
        window.close();
        WidgetScreenshots::useFusion(false);
    }
};

QTEST_MAIN(TestWelcomeWindow)
#include "tst_welcomewindow.moc"
