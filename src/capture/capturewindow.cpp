#include "capturewindow.h"

#include "appkitviewmodel.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLoggingCategory>
#include <QMouseEvent>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

namespace {

Q_LOGGING_CATEGORY(lcCaptureWindow, "oculo.capture.window", QtInfoMsg)

// Override-redirect keeps the window manager out: no frame, no placement, no focus policy of its own; the
// X server maps the window at once, above its siblings. Tool keeps it out of task bars and pagers.
constexpr Qt::WindowFlags captureWindowFlags =
    Qt::Tool | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint | Qt::WindowStaysOnTopHint;
// A Wayland client places no window and grabs nothing: the overlay is an ordinary full-screen window
// on the capture's screen, which the compositor gives the keyboard and the pointer.
constexpr Qt::WindowFlags fullScreenCaptureWindowFlags = Qt::Window | Qt::FramelessWindowHint;

bool placesItsOwnWindows()
{
    return !QGuiApplication::platformName().startsWith(u"wayland");
}
constexpr double crossHairThickness = 3.0;
// Another client may hold the keyboard a little longer, e.g. the global shortcut's own grab until its key
// is released.
constexpr int grabRetryInterval = 20; // ms
constexpr int grabAttempts = 100;

} // namespace

CaptureWindow::CaptureWindow(AppKitViewModel& viewModel, Screens& screens,
                             RegionSelectionView::FrameHandler frameHandler, QWidget* parent)
    : QWidget(parent, placesItsOwnWindows() ? captureWindowFlags : fullScreenCaptureWindowFlags)
    , m_viewModel(viewModel)
    , m_screens(screens)
    , m_view(new RegionSelectionView(viewModel, crossHairThickness, std::move(frameHandler), this))
    , m_keyHandler(viewModel, [this] { stopCapture(); })
{
    // Keys come to the window itself, not to the overlay.
    setFocusPolicy(Qt::StrongFocus);
    m_view->setFocusPolicy(Qt::NoFocus);
    m_view->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_view);

    m_grabRetry.setInterval(grabRetryInterval);
    connect(&m_grabRetry, &QTimer::timeout, this, &CaptureWindow::grabInput);
    // The native window exists from the start, so that a capture only has to map it.
    create();
}

void CaptureWindow::setScreenFrame(const ScreenDescription& screen)
{
    const QRect geometry = m_screens.topDownFrame(screen.frame).toRect();
    for (QScreen* candidate : QGuiApplication::screens()) {
        if (candidate->geometry() == geometry) {
            setScreen(candidate);
            if (windowHandle())
                windowHandle()->setScreen(candidate);
        }
    }
    setGeometry(geometry);
}

void CaptureWindow::setBackgroundImage(const QImage& image)
{
    m_view->setBackgroundImage(image);
}

void CaptureWindow::startCapture(const ScreenDescription& screen)
{
    m_viewModel.updateMouseLocation(m_screens.screens(), m_screens.mouseLocation());
    m_viewModel.setCurrentScreen(screen);

    QWindow* focus = QGuiApplication::focusWindow();
    m_previousFocus = focus != windowHandle() ? focus : nullptr;
    if (placesItsOwnWindows()) {
        show();
        raise();
        activateWindow();
    } else {
        showFullScreen();
    }
    setMouseTracking(true);
    m_view->setMouseTracking(true);
    // An override-redirect window is viewable as soon as the X server has the map request, which goes
    // out before the grab requests.
    m_grabAttempts = 0;
    if (placesItsOwnWindows())
        grabInput();

    // A Space released after Escape never reached us: a capture never starts frozen.
    if (m_viewModel.isMovingCaptureArea().value())
        m_viewModel.setIsMovingCaptureArea(false);
    m_viewModel.setIsCapturingCancelled(false);
    m_viewModel.setIsDragging(false);
    m_viewModel.setIsCapturing(true);
    // The overlay draws its own crosshair in place of the pointer.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_viewModel.isCapturing().value() && isVisible())
                setCursor(Qt::BlankCursor);
        },
        Qt::QueuedConnection);
}

void CaptureWindow::stopCapture()
{
    releaseInput();
    hide();
    // Without a window manager X11 gives the focus to no window in particular once ours is gone; one of
    // our own windows that had it gets it back.
    if (m_previousFocus && m_previousFocus->isVisible())
        m_previousFocus->requestActivate();
    m_previousFocus = nullptr;

    m_viewModel.setIsCapturing(false);
    m_viewModel.setIsDragging(false);
    m_viewModel.setMouseLocation(QPointF(0, 0));
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!m_viewModel.isCapturing().value())
                unsetCursor();
        },
        Qt::QueuedConnection);
}

bool CaptureWindow::event(QEvent* event)
{
    if (event->type() == QEvent::WindowDeactivate && m_viewModel.isCapturing().value() && isVisible()) {
        // Taking the keyboard grab makes X report a focus change of our own window; only a focus that
        // has really gone elsewhere once the events have settled means another application was chosen.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (m_viewModel.isCapturing().value() && isVisible() &&
                    QGuiApplication::focusWindow() != windowHandle())
                    hideOnDeactivation();
            },
            Qt::QueuedConnection);
    }
    return QWidget::event(event);
}

bool CaptureWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_view && event->type() == QEvent::MouseMove)
        updateMouseLocation();
    return QWidget::eventFilter(watched, event);
}

void CaptureWindow::keyPressEvent(QKeyEvent* event)
{
    if (!handleKey(event))
        QWidget::keyPressEvent(event);
}

void CaptureWindow::keyReleaseEvent(QKeyEvent* event)
{
    if (!handleKey(event))
        QWidget::keyReleaseEvent(event);
}

void CaptureWindow::mouseMoveEvent(QMouseEvent* event)
{
    // The overlay reports the moves over it; the grabbed pointer on another screen comes here.
    if (!m_view->geometry().contains(event->position().toPoint()))
        updateMouseLocation();
    QWidget::mouseMoveEvent(event);
}

void CaptureWindow::followPointer()
{
    updateMouseLocation();
}

void CaptureWindow::updateMouseLocation()
{
    // During a drag the pointer is the gesture's, which leaves it alone while Space is held, and the
    // selection belongs to the screen the drag began on: tracking resumes with the next move after it.
    if (m_view->isDragUnderway())
        return;
    m_viewModel.updateMouseLocation(m_screens.screens(), m_screens.mouseLocation());
}

bool CaptureWindow::handleKey(QKeyEvent* event)
{
    return m_keyHandler.handle(
        {event->key(), event->type() == QEvent::KeyPress, event->isAutoRepeat(), event->modifiers()});
}

void CaptureWindow::grabInput()
{
    QWindow* window = windowHandle();
    if (!window || !isVisible()) {
        m_grabRetry.stop();
        return;
    }
    // The widget grab sends every key to this widget whichever of our windows Qt thinks is focused; the
    // window grabs say whether the X server agreed. The pointer is grabbed for the window only, so that
    // Qt still hands its events to the overlay under it.
    if (!m_keyboardGrabbed) {
        grabKeyboard();
        m_keyboardGrabbed = window->setKeyboardGrabEnabled(true);
    }
    if (!m_pointerGrabbed)
        m_pointerGrabbed = window->setMouseGrabEnabled(true);
    if (m_keyboardGrabbed && m_pointerGrabbed) {
        m_grabRetry.stop();
        return;
    }
    if (++m_grabAttempts >= grabAttempts) {
        m_grabRetry.stop();
        qCWarning(lcCaptureWindow).nospace()
            << "Capturing without " << (m_keyboardGrabbed ? "" : "the keyboard ")
            << (m_pointerGrabbed ? "" : "the pointer ") << "grab: the X server refused it " << m_grabAttempts
            << " times (another client holds it)";
        return;
    }
    if (!m_grabRetry.isActive())
        m_grabRetry.start();
}

void CaptureWindow::releaseInput()
{
    m_grabRetry.stop();
    setMouseTracking(false);
    m_view->setMouseTracking(false);
    releaseKeyboard();
    if (QWindow* window = windowHandle()) {
        if (m_keyboardGrabbed)
            window->setKeyboardGrabEnabled(false);
        if (m_pointerGrabbed)
            window->setMouseGrabEnabled(false);
    }
    m_keyboardGrabbed = false;
    m_pointerGrabbed = false;
}

void CaptureWindow::hideOnDeactivation()
{
    qCDebug(lcCaptureWindow) << "Another application took the focus: hiding the capture window";
    releaseInput();
    hide();
    emit hiddenOnDeactivation(QPrivateSignal());
}
