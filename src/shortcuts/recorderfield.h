// The control with which the user picks the shortcut of one name: a search-style line edit that shows the
// stored shortcut (in the desktop's own words where the desktop reports its keys), records the next key
// combination while it has the keyboard focus, rejects what cannot or should not be a global shortcut (a
// beep, or a warning for a combination Oculo's menus, the desktop or another application already use),
// stores what it accepts, and clears the shortcut with its clear button or Backspace and Delete. While it
// records, the global shortcuts are paused so that pressing one only records it. Main thread only.
#pragma once

#include "globalshortcutsname.h"
#include "recorderkeyhandler.h"

#include <QLineEdit>

#include <functional>
#include <optional>

class QAction;

namespace GlobalShortcuts {

class RecorderField : public QLineEdit {
    Q_OBJECT
public:
    // Called after the user set (with the shortcut) or cleared (with none) the name's shortcut.
    using OnChange = std::function<void(const std::optional<Shortcut>&)>;
    // Shows a warning over the window (null when the field has none) until the user dismisses it.
    using AlertPresenter =
        std::function<void(QWidget* window, const QString& message, const QString& informativeText)>;
    using Beeper = std::function<void()>;

    static constexpr int minimumFieldWidth = 130;

    explicit RecorderField(const Name& name, OnChange onChange = {}, QWidget* parent = nullptr);
    ~RecorderField() override;

    const Name& shortcutName() const { return m_name; }
    // Shows the new name's shortcut when it is another name.
    void setShortcutName(const Name& name);
    void setOnChange(OnChange onChange) { m_onChange = std::move(onChange); }

    // Empty functions bring back the defaults: a modal QMessageBox warning, and the desktop's beep.
    void setAlertPresenter(AlertPresenter presenter);
    void setBeeper(Beeper beeper);

    bool isRecording() const { return m_handler.isRecording(); }
    // The trailing clear button, visible only while there is a shortcut to clear.
    QAction* clearAction() const { return m_clearAction; }

    QSize sizeHint() const override;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool handleKeyEvent(QKeyEvent* event);
    void startRecording();
    void stopRecording();
    void showStoredShortcut();
    void updateClearButton();
    void clearShortcut();
    void accept(const Shortcut& shortcut);
    void alert(const QString& message, const QString& informativeText);
    void blur();
    void focus();

    Name m_name;
    OnChange m_onChange;
    AlertPresenter m_alertPresenter;
    Beeper m_beeper;
    RecorderKeyHandler m_handler;
    QAction* m_clearAction = nullptr;
};

} // namespace GlobalShortcuts
