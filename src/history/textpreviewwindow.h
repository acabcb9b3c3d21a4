// The floating window of the preview cards, near the bottom-right corner of one screen, above every
// ordinary window and on every desktop. It never takes the keyboard focus and never shows, covers or
// takes clicks from anything but its cards: it is only as large as the cards' stack, shaped to the
// cards themselves, and unmapped while there is no card. Made once at start-up and kept for the life of
// the process. Main thread only; the models and the screens must outlive it.
#pragma once

#include "screens.h"

#include <QWidget>

class AppKitViewModel;
class CapturedTextView;
class HistoryViewModel;

class TextPreviewWindow : public QWidget {
    Q_OBJECT
public:
    // Starts on the screen under the pointer, or on none (and so showing nothing) when no screen holds it.
    TextPreviewWindow(HistoryViewModel& historyViewModel, AppKitViewModel& appKitViewModel, Screens& screens,
                      QWidget* parent = nullptr);

    // Moves the cards to that screen (its global bottom-up frame), keeping clear of its panels.
    void setScreenFrame(const ScreenDescription& screen);
    // The part of the screen the cards stack in, in Qt's global top-down coordinates.
    QRect area() const;

    CapturedTextView& capturedTextView() const { return *m_view; }
    AppKitViewModel& appKitViewModel() const { return m_appKitViewModel; }

    // Showing the window means showing its cards: it is mapped only while it has one.
    void setVisible(bool visible) override;
    bool isShownByOwner() const { return m_isShownByOwner; }

private:
    void applyLayout();

    AppKitViewModel& m_appKitViewModel;
    Screens& m_screens;
    CapturedTextView* m_view;
    bool m_isShownByOwner = false;
};
