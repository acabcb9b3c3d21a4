// The preview window on a real X display without a compositor: a card on a light and on a dark desktop,
// with the screen around it left as it was, clicks beside it reaching the window below, and the focus
// staying where it was.
#include "appkitviewmodel.h"
#include "capturedtextview.h"
#include "fakelanguagerecognizer.h"
#include "fakespeechsynthesizer.h"
#include "historyviewmodel.h"
#include "linux/qtscreens.h"
#include "memoryuserdefaults.h"
#include "previewlayout.h"
#include "recognizedtextview.h"
#include "settingskeys.h"
#include "settingsviewmodel.h"
#include "textpreviewwindow.h"
#include "x11testmain.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QScreen>

#include <cstdlib>
#include <memory>
#include <optional>
#include <xcb/xcb.h>

namespace {

template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;
template <typename T> Reply<T> owned(T* reply)
{
    return Reply<T>(reply, &std::free);
}

// Another X client that owns the desktop: one plain window over the whole screen in a solid colour,
// which records the button presses it gets and holds the keyboard focus.
class Desktop {
public:
    explicit Desktop(quint32 colour)
    {
        int screenNumber = 0;
        m_connection = xcb_connect(nullptr, &screenNumber);
        if (xcb_connection_has_error(m_connection))
            return;
        xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
        for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
            xcb_screen_next(&screens);
        const xcb_screen_t* screen = screens.data;
        m_window = xcb_generate_id(m_connection);
        const uint32_t values[] = {colour, XCB_EVENT_MASK_BUTTON_PRESS};
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window, screen->root, 0, 0,
                          screen->width_in_pixels, screen->height_in_pixels, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
        xcb_map_window(m_connection, m_window);
        xcb_set_input_focus(m_connection, XCB_INPUT_FOCUS_POINTER_ROOT, m_window, XCB_CURRENT_TIME);
        sync();
    }
    ~Desktop()
    {
        if (m_window)
            xcb_destroy_window(m_connection, m_window);
        sync();
        xcb_disconnect(m_connection);
    }

    bool hasFocus() const
    {
        const auto reply =
            owned(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
        return reply && reply->focus == m_window;
    }
    // The next button press on the desktop, in root coordinates, if one comes within `timeoutMs`.
    std::optional<QPoint> nextPress(int timeoutMs)
    {
        std::optional<QPoint> press;
        (void)QTest::qWaitFor(
            [&] {
                while (auto event = owned(xcb_poll_for_event(m_connection))) {
                    if ((event->response_type & 0x7f) == XCB_BUTTON_PRESS) {
                        const auto* button = reinterpret_cast<const xcb_button_press_event_t*>(event.get());
                        press = QPoint(button->root_x, button->root_y);
                    }
                }
                return press.has_value();
            },
            timeoutMs);
        return press;
    }
    void sync() const
    {
        owned(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    }

private:
    xcb_connection_t* m_connection = nullptr;
    xcb_window_t m_window = XCB_NONE;
};

// Saves what the X server shows now under screenshots/ in the build tree, for people to look at.
void screenshot(const QString& name)
{
    const QString dir = QStringLiteral(OCULO_BINARY_DIR "/screenshots");
    QDir().mkpath(dir);
    QProcess::execute(QStringLiteral("import"),
                      {QStringLiteral("-window"), QStringLiteral("root"), dir + u'/' + name});
}

QImage grabScreen()
{
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
}

bool click(QPoint point)
{
    return runXdotool({QStringLiteral("mousemove"), QString::number(point.x()), QString::number(point.y()),
                       QStringLiteral("click"), QStringLiteral("1")});
}

bool movePointer(QPoint point)
{
    return runXdotool({QStringLiteral("mousemove"), QString::number(point.x()), QString::number(point.y())});
}

QRect globalRect(const QWidget* widget)
{
    return QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size());
}

} // namespace

class TestTextPreviewWindowX11 : public QObject {
    Q_OBJECT
private slots:
    void cardsShowOnTheDesktopAndLeaveTheRestAlone_data()
    {
        QTest::addColumn<quint32>("colour");
        QTest::addColumn<QString>("screenshotName");
        QTest::newRow("light desktop") << quint32(0xe4e8ee) << QStringLiteral("preview-card-light.png");
        QTest::newRow("dark desktop") << quint32(0x1c222c) << QStringLiteral("preview-card-dark.png");
    }
    void cardsShowOnTheDesktopAndLeaveTheRestAlone()
    {
        OCULO_SKIP_WITHOUT_X_DISPLAY();
        OCULO_SKIP_WITHOUT_XDOTOOL();
        QFETCH(quint32, colour);
        QFETCH(QString, screenshotName);

        Desktop desktop(colour);
        QVERIFY(movePointer(QPoint(5, 5)));
        QVERIFY(desktop.hasFocus());

        MemoryUserDefaults defaults;
        defaults.registerDefaults({{SettingsKeys::showTextPreview, true}});
        SettingsViewModel settings(defaults);
        FakeSpeechSynthesizer synthesizer;
        FakeLanguageRecognizer recognizer;
        HistoryViewModel model(settings, synthesizer, recognizer);
        // Cards that outlast the checks on a loaded machine: 10 ticks of 10 s.
        model.setTimerIntervals(std::chrono::seconds(10), std::chrono::seconds(10));
        AppKitViewModel appKit;
        QtScreens screens;
        TextPreviewWindow window(model, appKit, screens);
        window.show();
        const QImage before = grabScreen();

        model.addCapture({{QStringLiteral("Drag a rectangle over any text on the screen,"),
                           QStringLiteral("release the mouse button, and paste it into"),
                           QStringLiteral("any other application you like.")},
                          std::nullopt},
                         false);
        model.addCapture({{QStringLiteral("Recognised text, copied to the clipboard.")}, std::nullopt},
                         false);
        CapturedTextView& view = window.capturedTextView();
        QTRY_VERIFY_WITH_TIMEOUT(!view.isAnimating(), 30000);
        QVERIFY(QTest::qWaitForWindowExposed(&window, 30000));
        const QList<RecognizedTextView*> cards = view.cards();
        QCOMPARE(cards.size(), 2);
        const QRect upper = globalRect(cards[0]);
        const QRect lower = globalRect(cards[1]);
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(lower.bottom() + 1, screen.bottom() + 1 - 100);
        QCOMPARE(lower.right() + 1, screen.right() + 1 - 20);

        // What the cards may cover: their rounded shapes, worked out apart from the window's own mask.
        QRegion shown;
        for (const RecognizedTextView* card : cards)
            shown += PreviewLayout::roundedRegion(card->size(), card->cornerSize())
                         .translated(globalRect(card).topLeft());
        QImage after;
        QVERIFY(QTest::qWaitFor(
            [&] {
                after = grabScreen();
                return after.pixel(lower.center()) != before.pixel(lower.center()) &&
                       after.pixel(upper.center()) != before.pixel(upper.center());
            },
            30000));
        screenshot(screenshotName);

        // Every pixel outside the cards is the desktop's: the gap between them, the margins around them
        // and the corners cut off their rounded shapes included.
        int changed = 0;
        QPoint firstChanged;
        for (int y = 0; y < after.height(); ++y) {
            for (int x = 0; x < after.width(); ++x) {
                if (after.pixel(x, y) != before.pixel(x, y) && !shown.contains(QPoint(x, y))) {
                    if (changed++ == 0)
                        firstChanged = QPoint(x, y);
                }
            }
        }
        QVERIFY2(changed == 0,
                 qPrintable(QStringLiteral("%1 pixels outside the cards changed, the first at %2,%3")
                                .arg(changed)
                                .arg(firstChanged.x())
                                .arg(firstChanged.y())));
        QCOMPARE(QColor(after.pixel(lower.topLeft())), QColor(QRgb(colour)));
        QCOMPARE(QColor(after.pixel(QPoint(lower.center().x(), lower.bottom() + 40))), QColor(QRgb(colour)));

        // Clicks beside the cards, inside the window's rectangle, reach the desktop.
        const QList<QPoint> beside{QPoint(lower.center().x(), upper.bottom() + 10),
                                   QPoint(lower.center().x(), lower.bottom() + 50), lower.topLeft(),
                                   QPoint(screen.right() - 5, lower.center().y())};
        for (const QPoint point : beside) {
            QVERIFY(window.geometry().contains(point));
            QVERIFY(click(point));
            QCOMPARE(desktop.nextPress(30000), std::optional<QPoint>(point));
        }

        // The pointer on a card pauses the countdown; the card's buttons work, and the desktop keeps
        // the keyboard focus.
        QVERIFY(movePointer(upper.center()));
        QTRY_VERIFY_WITH_TIMEOUT(model.isRecentlyTTLDecreasingDisabled(), 30000);
        QVERIFY(movePointer(QPoint(5, 5)));
        QTRY_VERIFY_WITH_TIMEOUT(!model.isRecentlyTTLDecreasingDisabled(), 30000);
        QVERIFY(click(globalRect(cards[1]->dismissButton()).center()));
        QTRY_COMPARE_WITH_TIMEOUT(view.cards().size(), 1, 30000);
        QVERIFY(!desktop.nextPress(3000).has_value());
        QVERIFY(desktop.hasFocus());
        QVERIFY(!QGuiApplication::focusWindow());
        QVERIFY(movePointer(QPoint(5, 5)));
    }
};

int main(int argc, char** argv)
{
    useOffscreenWithoutDisplay();
    QApplication application(argc, argv);
    TestTextPreviewWindowX11 test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_textpreviewwindowx11.moc"
