// One preview card: the text of one recent capture with its dismiss, copy and speak buttons. Hovering it
// pauses the countdown of every card; it can be dragged out as plain text. Main thread only; the model
// must outlive the card.
#pragma once

#include "previewlayout.h"
#include "previewsymbols.h"

#include <QStringList>
#include <QWidget>

#include <chrono>
#include <functional>

class CardButton;
class HistoryViewModel;
class QAbstractButton;
class QVariantAnimation;

class RecognizedTextView : public QWidget {
    Q_OBJECT
public:
    // Runs `action` after `delay` unless `context` is gone by then.
    using Scheduler =
        std::function<void(std::chrono::milliseconds delay, QObject* context, std::function<void()> action)>;

    // How long the copy button shows its check mark.
    static constexpr std::chrono::milliseconds copiedDuration{2000};
    // How long the buttons take to brighten or dim.
    static constexpr int hoverFadeDuration = 100; // ms
    static constexpr double idleButtonOpacity = 0.66;

    RecognizedTextView(double id, const QString& text, HistoryViewModel& historyViewModel,
                       double cornerSize = PreviewLayout::cornerSize, QWidget* parent = nullptr);
    ~RecognizedTextView() override;

    double id() const { return m_id; }
    const QString& text() const { return m_text; }
    double cornerSize() const { return m_cornerSize; }
    bool isHovered() const { return m_isHovered; }
    bool isCopied() const { return m_isCopied; }

    // What the card draws: its text lines, where they go, and the buttons' symbols and opacity.
    const QStringList& displayedLines() const { return m_lines; }
    QRectF textRect() const { return m_geometry.text; }
    PreviewSymbol copySymbol() const;
    PreviewSymbol speakSymbol() const;
    double buttonOpacity() const;

    QAbstractButton* dismissButton() const;
    QAbstractButton* copyButton() const;
    QAbstractButton* speakButton() const;

    // For tests: what runs the check mark's reset (a single-shot timer on the main thread otherwise).
    void setScheduler(Scheduler scheduler);

    // The card is leaving: it stops reacting to the pointer and lets go of the countdown pause it holds.
    void retire();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void setIsHovered(bool hovered);
    void setIsCopied(bool copied);
    void dismiss();
    void copy();
    void speakOrStop();
    void startDrag();

    const double m_id;
    const QString m_text;
    HistoryViewModel& m_historyViewModel;
    const double m_cornerSize;
    bool m_isHovered = false;
    bool m_isCopied = false;
    bool m_isRetired = false;

    QStringList m_lines;
    PreviewLayout::CardGeometry m_geometry;
    CardStyle m_style;
    CardButton* m_dismissButton;
    CardButton* m_copyButton;
    CardButton* m_speakButton;
    QVariantAnimation* m_buttonFade;
    Scheduler m_scheduler;
    QPoint m_pressPosition;
    bool m_isPressed = false;
};
