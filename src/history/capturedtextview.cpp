#include "capturedtextview.h"

#include "historyviewmodel.h"
#include "previewlayout.h"
#include "recognizedtextview.h"

#include <QVariantAnimation>

#include <algorithm>

CapturedTextView::CapturedTextView(HistoryViewModel& historyViewModel, QWidget* parent)
    : QWidget(parent)
    , m_historyViewModel(historyViewModel)
{
    setFocusPolicy(Qt::NoFocus);
    m_historyViewModel.recentlyCapturedText().subscribe(
        this, [this](const QList<HistoryItem>& items) { showItems(items); });
}

CapturedTextView::~CapturedTextView()
{
    for (const auto& card : m_cards)
        destroyCard(*card);
}

void CapturedTextView::destroyCard(const Card& card)
{
    // The animation goes with the widget; it must not report to the list it was taken from.
    card.animation->disconnect(this);
    delete card.view;
}

void CapturedTextView::setArea(const QRect& area)
{
    if (area == m_area)
        return;
    m_area = area;
    // A new screen: the cards are put straight where they belong there, those on their way out go.
    std::vector<std::unique_ptr<Card>> gone;
    for (auto& card : m_cards) {
        if (card->isLeaving)
            gone.push_back(std::move(card));
    }
    std::erase(m_cards, nullptr);
    for (const auto& card : gone)
        destroyCard(*card);
    QList<QSizeF> sizes;
    for (const auto& card : m_cards)
        sizes.append(QSizeF(card->view->size()));
    const QList<QRectF> targets = PreviewLayout::stack(QRectF(m_area), sizes);
    for (std::size_t i = 0; i < m_cards.size(); ++i) {
        Card& card = *m_cards[i];
        card.animation->stop();
        card.origin = card.target = targets.at(qsizetype(i)).topLeft();
    }
    relayout();
}

QRegion CapturedTextView::cardRegion() const
{
    QRegion region;
    const QRect window(QPoint(0, 0), m_windowGeometry.size());
    for (const auto& card : m_cards) {
        const QPoint local = (card->origin - QPointF(m_windowGeometry.topLeft())).toPoint();
        region +=
            PreviewLayout::roundedRegion(card->view->size(), card->view->cornerSize()).translated(local);
    }
    return region & window;
}

QList<RecognizedTextView*> CapturedTextView::cards() const
{
    QList<RecognizedTextView*> views;
    for (const auto& card : m_cards) {
        if (!card->isLeaving)
            views.append(card->view);
    }
    return views;
}

bool CapturedTextView::isAnimating() const
{
    return std::any_of(m_cards.begin(), m_cards.end(), [](const std::unique_ptr<Card>& card) {
        return card->animation->state() == QAbstractAnimation::Running;
    });
}

void CapturedTextView::showItems(const QList<HistoryItem>& items)
{
    if (items == m_items)
        return;
    m_items = items;

    std::vector<std::unique_ptr<Card>> staying;
    std::vector<std::unique_ptr<Card>> leaving;
    for (auto& card : m_cards) {
        const bool listed = std::any_of(items.begin(), items.end(), [&](const HistoryItem& item) {
            return item.timestamp == card->view->id();
        });
        (listed && !card->isLeaving ? staying : leaving).push_back(std::move(card));
    }

    std::vector<std::unique_ptr<Card>> ordered;
    std::vector<Card*> added;
    for (const HistoryItem& item : items) {
        auto found = std::find_if(staying.begin(), staying.end(), [&](const std::unique_ptr<Card>& card) {
            return card && card->view->id() == item.timestamp;
        });
        if (found != staying.end()) {
            ordered.push_back(std::move(*found));
            continue;
        }
        auto card = std::make_unique<Card>();
        card->view = new RecognizedTextView(item.timestamp, item.text(), m_historyViewModel,
                                            PreviewLayout::cornerSize, this);
        card->animation = new QVariantAnimation(card->view);
        card->animation->setDuration(animationDuration);
        card->animation->setEasingCurve(QEasingCurve::InOutQuad);
        Card* raw = card.get();
        connect(card->animation, &QVariantAnimation::valueChanged, this, [this, raw](const QVariant& value) {
            raw->origin = value.toPointF();
            placeCards();
            emit layoutChanged(QPrivateSignal());
        });
        connect(card->animation, &QVariantAnimation::finished, this, [this, raw] {
            if (raw->isLeaving)
                removeCard(raw);
            else
                relayout();
        });
        added.push_back(raw);
        ordered.push_back(std::move(card));
    }

    QList<QSizeF> sizes;
    for (const auto& card : ordered)
        sizes.append(QSizeF(card->view->size()));
    const QList<QRectF> targets = PreviewLayout::stack(QRectF(m_area), sizes);
    for (std::size_t i = 0; i < ordered.size(); ++i) {
        Card& card = *ordered[i];
        const QRectF target = targets.at(qsizetype(i));
        if (std::find(added.begin(), added.end(), &card) != added.end())
            card.origin = PreviewLayout::enteringOrigin(target, QRectF(m_area));
        card.target = target.topLeft();
    }
    std::vector<Card*> newlyLeaving;
    for (const auto& card : leaving) {
        if (!card->isLeaving)
            newlyLeaving.push_back(card.get());
    }

    // The list is whole again before any animation reports a value.
    m_cards = std::move(ordered);
    for (auto& card : leaving)
        m_cards.push_back(std::move(card));
    for (const auto& card : m_cards) {
        if (!card->isLeaving && card->origin != card->target)
            moveCard(*card, card->target);
    }
    for (Card* card : newlyLeaving)
        leave(*card);
    for (Card* card : added)
        card->view->show();
    relayout();
    if (!added.empty())
        emit cardAdded(QPrivateSignal());
}

void CapturedTextView::moveCard(Card& card, QPointF to)
{
    card.animation->stop();
    card.animation->setStartValue(card.origin);
    card.animation->setEndValue(to);
    card.animation->start();
}

void CapturedTextView::leave(Card& card)
{
    card.isLeaving = true;
    card.view->retire();
    card.target =
        PreviewLayout::leavingOrigin(QRectF(card.origin, QSizeF(card.view->size())), QRectF(m_area));
    moveCard(card, card.target);
}

void CapturedTextView::removeCard(const Card* card)
{
    const auto found =
        std::find_if(m_cards.begin(), m_cards.end(),
                     [card](const std::unique_ptr<Card>& entry) { return entry.get() == card; });
    if (found == m_cards.end())
        return;
    // The animation that reports its end belongs to the card: the widget goes once the report is over.
    (*found)->view->hide();
    (*found)->view->deleteLater();
    m_cards.erase(found);
    relayout();
}

void CapturedTextView::relayout()
{
    QList<QRectF> rects;
    for (const auto& card : m_cards) {
        const QSizeF size(card->view->size());
        rects.append(QRectF(card->origin, size));
        rects.append(QRectF(card->target, size));
    }
    m_windowGeometry = PreviewLayout::windowGeometry(QRectF(m_area), rects);
    setGeometry(QRect(QPoint(0, 0), m_windowGeometry.size()));
    placeCards();
    emit layoutChanged(QPrivateSignal());
}

void CapturedTextView::placeCards()
{
    for (const auto& card : m_cards)
        card->view->move((card->origin - QPointF(m_windowGeometry.topLeft())).toPoint());
}
