// The content of the welcome window, top to bottom: the headline, the two steps (select, paste), the
// supported languages, the permission note and one button, which closes the window: "Done" when
// captures are allowed, otherwise the button that first closes the window and then asks for the
// permission. The button is chosen each time the view is shown. Main thread only.
#pragma once

#include "welcomewindow.h"

#include <QWidget>

class QLabel;
class QPushButton;

class WelcomeView : public QWidget {
    Q_OBJECT
public:
    // `window`: the window the buttons close; none closes nothing.
    WelcomeView(QWidget* window, ScreenCaptureAccess access, const QStringList& installedRecognitionLanguages,
                QWidget* parent = nullptr);

    QPushButton* actionButton() const { return m_actionButton; }
    // Names the shortcut that starts a capture under the first step; empty hides the line.
    void setCaptureShortcut(const QString& text);
    // Says in that line what starts a capture where no shortcut can (the text as it stands).
    void setCaptureShortcutNote(const QString& text);
    QLabel* captureShortcutLabel() const { return m_captureShortcut; }
    // Says, above the permission note, how to reach what the tray menu offers where the desktop shows no
    // tray; empty hides the line.
    void setTrayNote(const QString& text);
    QLabel* trayNoteLabel() const { return m_trayNote; }
    // True while the button asks for the permission rather than saying "Done".
    bool isOfferingPermission() const { return m_isOfferingPermission; }

    // The body of the language step: the names of the supported languages joined as the user's
    // locale joins a list.
    static QString languagesText(const QStringList& installedRecognitionLanguages);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void updateButton();
    void buttonClicked();

    QWidget* m_window;
    ScreenCaptureAccess m_access;
    QPushButton* m_actionButton;
    QLabel* m_captureShortcut = nullptr;
    QLabel* m_trayNote = nullptr;
    bool m_isOfferingPermission = false;
};
