// The content of the preview window: one card per item of the history's `recentlyCapturedText`, oldest
// on top, stacked at the bottom-right corner of a screen area. A new card slides in from the bottom
// edge, a card that goes slides out past the trailing edge, and the others move to their new places.
// It also says which part of the screen its window must take and which pixels of it the cards cover,
// so that the window shows nothing but the cards. Main thread only; the model must outlive the view.
#pragma once

#include "historyitem.h"

#include <QList>
#include <QRect>
#include <QRegion>
#include <QWidget>

#include <memory>
#include <vector>

class HistoryViewModel;
class QVariantAnimation;
class RecognizedTextView;

class CapturedTextView : public QWidget {
    Q_OBJECT
public:
    // Cards move with an ease-in-out curve over this many milliseconds.
    static constexpr int animationDuration = 350;

    explicit CapturedTextView(HistoryViewModel& historyViewModel, QWidget* parent = nullptr);
    ~CapturedTextView() override;

    // The area the cards stack in, in Qt's global top-down coordinates; an empty one shows nothing.
    // The cards take their new places at once.
    void setArea(const QRect& area);
    QRect area() const { return m_area; }

    // Where the window must be, in global top-down coordinates; empty when there is nothing to show.
    QRect windowGeometry() const { return m_windowGeometry; }
    // The pixels of the window that the cards cover now, in window coordinates.
    QRegion cardRegion() const;

    // The cards of the current list, in its order; cards on their way out are not among them.
    QList<RecognizedTextView*> cards() const;
    // Every card widget still on screen, those on their way out included.
    int cardWidgetCount() const { return int(m_cards.size()); }
    bool isAnimating() const;

signals:
    // The window geometry or the card region changed.
    void layoutChanged(QPrivateSignal);
    // A card came onto the list.
    void cardAdded(QPrivateSignal);

private:
    struct Card {
        RecognizedTextView* view = nullptr;
        QVariantAnimation* animation = nullptr;
        QPointF origin; // global top-down
        QPointF target;
        bool isLeaving = false;
    };

    void showItems(const QList<HistoryItem>& items);
    void moveCard(Card& card, QPointF to);
    void leave(Card& card);
    void removeCard(const Card* card);
    void destroyCard(const Card& card);
    void relayout();
    void placeCards();

    HistoryViewModel& m_historyViewModel;
    QList<HistoryItem> m_items;
    std::vector<std::unique_ptr<Card>> m_cards;
    QRect m_area;
    QRect m_windowGeometry;
};
