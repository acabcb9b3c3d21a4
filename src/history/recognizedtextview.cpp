#include "recognizedtextview.h"

#include "historyviewmodel.h"
#include "previewtext.h"
#include "speechsynthesizer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDrag>
#include <QEnterEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <QVariantAnimation>

namespace {

// The text's size; 13 points reads well at the 270-point width.
constexpr int textPixelSize = 13;

QFont cardFont(QFont font)
{
    font.setPixelSize(textPixelSize);
    return font;
}

void drawLines(QPainter& painter, const QStringList& lines, const QRectF& rect)
{
    const QFontMetricsF metrics(painter.font());
    for (int i = 0; i < lines.size(); ++i)
        painter.drawText(QPointF(rect.left(), rect.top() + i * metrics.lineSpacing() + metrics.ascent()),
                         lines.at(i));
}

void singleShot(std::chrono::milliseconds delay, QObject* context, std::function<void()> action)
{
    QTimer::singleShot(delay, context, std::move(action));
}

} // namespace

// A round icon button without a bezel that never takes the keyboard focus.
class CardButton : public QAbstractButton {
public:
    CardButton(PreviewSymbol symbol, const CardStyle& style, QWidget* parent)
        : QAbstractButton(parent)
        , m_symbol(symbol)
        , m_style(style)
    {
        setFocusPolicy(Qt::NoFocus);
        setCursor(Qt::ArrowCursor);
    }

    PreviewSymbol symbol() const { return m_symbol; }
    void setSymbol(PreviewSymbol symbol)
    {
        if (std::exchange(m_symbol, symbol) != symbol)
            update();
    }
    double opacity() const { return m_opacity; }
    void setOpacity(double opacity)
    {
        m_opacity = opacity;
        update();
    }
    void setStyle(const CardStyle& style)
    {
        m_style = style;
        update();
    }

    QSize sizeHint() const override
    {
        return QSize(int(PreviewLayout::buttonSize), int(PreviewLayout::buttonSize));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setOpacity(isDown() ? m_opacity * 0.7 : m_opacity);
        drawSymbol(painter, m_symbol, QRectF(rect()), m_style.symbol, m_style.fill);
    }

private:
    PreviewSymbol m_symbol;
    CardStyle m_style;
    double m_opacity = RecognizedTextView::idleButtonOpacity;
};

RecognizedTextView::RecognizedTextView(double id, const QString& text, HistoryViewModel& historyViewModel,
                                       double cornerSize, QWidget* parent)
    : QWidget(parent)
    , m_id(id)
    , m_text(text)
    , m_historyViewModel(historyViewModel)
    , m_cornerSize(cornerSize)
    , m_style(CardStyle::forPalette(palette()))
    , m_dismissButton(new CardButton(PreviewSymbol::dismiss, m_style, this))
    , m_copyButton(new CardButton(PreviewSymbol::copy, m_style, this))
    , m_speakButton(new CardButton(PreviewSymbol::speak, m_style, this))
    , m_buttonFade(new QVariantAnimation(this))
    , m_scheduler(singleShot)
{
    setFocusPolicy(Qt::NoFocus);
    setFont(cardFont(font()));
    m_lines = PreviewText::displayLines(m_text, font(), PreviewLayout::textWidth);
    m_geometry = PreviewLayout::cardGeometry(PreviewText::height(int(m_lines.size()), font()));
    setFixedSize(m_geometry.size.toSize());
    m_dismissButton->setGeometry(m_geometry.buttons[0].toRect());
    m_copyButton->setGeometry(m_geometry.buttons[1].toRect());
    m_speakButton->setGeometry(m_geometry.buttons[2].toRect());

    connect(m_dismissButton, &QAbstractButton::clicked, this, &RecognizedTextView::dismiss);
    connect(m_copyButton, &QAbstractButton::clicked, this, &RecognizedTextView::copy);
    connect(m_speakButton, &QAbstractButton::clicked, this, &RecognizedTextView::speakOrStop);

    m_buttonFade->setDuration(hoverFadeDuration);
    m_buttonFade->setEasingCurve(QEasingCurve::InOutQuad);
    connect(m_buttonFade, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        for (CardButton* button : {m_dismissButton, m_copyButton, m_speakButton})
            button->setOpacity(value.toDouble());
    });

    m_historyViewModel.isSpeaking().subscribe(this, [this](const bool& speaking) {
        m_speakButton->setSymbol(speaking ? PreviewSymbol::stopSpeaking : PreviewSymbol::speak);
    });
}

RecognizedTextView::~RecognizedTextView()
{
    // A card that goes while the pointer is on it must not keep the countdown paused.
    if (m_isHovered)
        m_historyViewModel.setIsRecentlyTTLDecreasingDisabled(false);
}

PreviewSymbol RecognizedTextView::copySymbol() const
{
    return m_copyButton->symbol();
}

PreviewSymbol RecognizedTextView::speakSymbol() const
{
    return m_speakButton->symbol();
}

double RecognizedTextView::buttonOpacity() const
{
    return m_dismissButton->opacity();
}

QAbstractButton* RecognizedTextView::dismissButton() const
{
    return m_dismissButton;
}

QAbstractButton* RecognizedTextView::copyButton() const
{
    return m_copyButton;
}

QAbstractButton* RecognizedTextView::speakButton() const
{
    return m_speakButton;
}

void RecognizedTextView::setScheduler(Scheduler scheduler)
{
    m_scheduler = std::move(scheduler);
}

void RecognizedTextView::retire()
{
    m_isRetired = true;
    setAttribute(Qt::WA_TransparentForMouseEvents);
    if (m_isHovered)
        setIsHovered(false);
}

void RecognizedTextView::enterEvent(QEnterEvent* event)
{
    if (!m_isRetired)
        setIsHovered(true);
    QWidget::enterEvent(event);
}

void RecognizedTextView::leaveEvent(QEvent* event)
{
    if (!m_isRetired)
        setIsHovered(false);
    QWidget::leaveEvent(event);
}

void RecognizedTextView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    drawCardBackground(painter, QRectF(rect()), m_cornerSize, m_style);
    painter.fillRect(m_geometry.divider, m_style.divider);
    painter.setPen(m_style.text);
    drawLines(painter, m_lines, m_geometry.text);
}

void RecognizedTextView::mousePressEvent(QMouseEvent* event)
{
    m_isPressed = event->button() == Qt::LeftButton;
    m_pressPosition = event->position().toPoint();
    QWidget::mousePressEvent(event);
}

void RecognizedTextView::mouseMoveEvent(QMouseEvent* event)
{
    if (m_isPressed && (event->buttons() & Qt::LeftButton) &&
        (event->position().toPoint() - m_pressPosition).manhattanLength() >=
            QApplication::startDragDistance()) {
        m_isPressed = false;
        startDrag();
    }
    QWidget::mouseMoveEvent(event);
}

void RecognizedTextView::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange) {
        m_style = CardStyle::forPalette(palette());
        for (CardButton* button : {m_dismissButton, m_copyButton, m_speakButton})
            button->setStyle(m_style);
    }
    QWidget::changeEvent(event);
}

void RecognizedTextView::setIsHovered(bool hovered)
{
    if (m_isHovered == hovered)
        return;
    m_isHovered = hovered;
    m_historyViewModel.setIsRecentlyTTLDecreasingDisabled(hovered);
    m_buttonFade->stop();
    m_buttonFade->setStartValue(buttonOpacity());
    m_buttonFade->setEndValue(hovered ? 1.0 : idleButtonOpacity);
    m_buttonFade->start();
}

void RecognizedTextView::setIsCopied(bool copied)
{
    m_isCopied = copied;
    m_copyButton->setSymbol(copied ? PreviewSymbol::copied : PreviewSymbol::copy);
}

void RecognizedTextView::dismiss()
{
    QList<HistoryItem> kept;
    for (const HistoryItem& item : m_historyViewModel.recentlyCapturedText().value()) {
        if (item.timestamp != m_id)
            kept.append(item);
    }
    m_historyViewModel.setRecentlyCapturedText(std::move(kept));
}

void RecognizedTextView::copy()
{
    m_historyViewModel.copyText(m_id);
    setIsCopied(true);
    // Every click schedules its own reset: the check mark goes two seconds after the first of them.
    m_scheduler(copiedDuration, this, [this] { setIsCopied(false); });
}

void RecognizedTextView::speakOrStop()
{
    if (m_historyViewModel.isSpeaking().value())
        m_historyViewModel.synthesizer().stop();
    else
        m_historyViewModel.speak(m_id);
}

void RecognizedTextView::startDrag()
{
    auto* mimeData = new QMimeData;
    mimeData->setText(m_text);
    // The drag shows the text itself.
    const qreal ratio = devicePixelRatioF();
    QPixmap image((m_geometry.text.size() * ratio).toSize());
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setFont(font());
        painter.setPen(m_style.text);
        drawLines(painter, m_lines, QRectF(QPointF(0, 0), m_geometry.text.size()));
    }
    auto* drag = new QDrag(this);
    drag->setMimeData(mimeData);
    drag->setPixmap(image);
    drag->setHotSpot(m_pressPosition - m_geometry.text.topLeft().toPoint());
    drag->exec(Qt::CopyAction);
}
