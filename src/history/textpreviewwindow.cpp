#include "textpreviewwindow.h"

#include "appkitviewmodel.h"
#include "capturedtextview.h"

#include <QGuiApplication>
#include <QScreen>

namespace {

// Override-redirect keeps the window manager out: no frame, no focus, no task-bar entry, present on
// every desktop, placed and resized at once as cards come and go. Tool and stay-on-top say the same to
// a platform that does not know override-redirect.
constexpr Qt::WindowFlags previewWindowFlags = Qt::Tool | Qt::FramelessWindowHint |
                                               Qt::X11BypassWindowManagerHint | Qt::WindowStaysOnTopHint |
                                               Qt::WindowDoesNotAcceptFocus;

} // namespace

TextPreviewWindow::TextPreviewWindow(HistoryViewModel& historyViewModel, AppKitViewModel& appKitViewModel,
                                     Screens& screens, QWidget* parent)
    : QWidget(parent, previewWindowFlags)
    , m_appKitViewModel(appKitViewModel)
    , m_screens(screens)
    , m_view(new CapturedTextView(historyViewModel, this))
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_X11DoNotAcceptFocus);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(QStringLiteral("Oculo preview"));
    connect(m_view, &CapturedTextView::layoutChanged, this, &TextPreviewWindow::applyLayout);
    // A new card goes above the windows raised since the last one.
    connect(m_view, &CapturedTextView::cardAdded, this, [this] {
        if (isVisible())
            raise();
    });
    if (const auto screen =
            AppKitViewModel::screenUnderPointer(m_screens.screens(), m_screens.mouseLocation()))
        setScreenFrame(*screen);
}

void TextPreviewWindow::setScreenFrame(const ScreenDescription& screen)
{
    const QRect frame = m_screens.topDownFrame(screen.frame).toRect();
    QRect area = frame;
    for (QScreen* candidate : QGuiApplication::screens()) {
        if (candidate->geometry() == frame) {
            setScreen(candidate);
            area = candidate->availableGeometry();
        }
    }
    m_view->setArea(area);
}

QRect TextPreviewWindow::area() const
{
    return m_view->area();
}

void TextPreviewWindow::setVisible(bool visible)
{
    m_isShownByOwner = visible;
    applyLayout();
}

void TextPreviewWindow::applyLayout()
{
    const QRect geometry = m_view->windowGeometry();
    const QRegion region = m_view->cardRegion();
    // An empty mask would show the whole window: without a card pixel to show, the window goes.
    if (!m_isShownByOwner || geometry.isEmpty() || region.isEmpty()) {
        if (isVisible())
            QWidget::setVisible(false);
        return;
    }
    // A Wayland compositor places windows itself and tiles any it may resize: a window of a fixed size
    // floats above the others there (where it floats is the compositor's choice). The fixed size follows
    // the stack before the geometry is set, which it would clamp otherwise.
    if (QGuiApplication::platformName().startsWith(u"wayland") &&
        (minimumSize() != geometry.size() || maximumSize() != geometry.size()))
        setFixedSize(geometry.size());
    if (geometry != this->geometry())
        setGeometry(geometry);
    if (region != mask())
        setMask(region);
    if (!isVisible()) {
        QWidget::setVisible(true);
        raise();
    }
}
