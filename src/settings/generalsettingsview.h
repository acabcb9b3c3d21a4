// The General tab of the settings window: start at login, the capture shortcut, the sound and preview
// check boxes and the history retention picker, in a form whose labels stand right-aligned left of the
// controls. Every control shows the settings model's value and writes each change straight back to it.
// Main thread only; the model, the login item and the shortcut name must outlive the view.
#pragma once

#include <QWidget>

class LoginItem;
class LoginItemToggle;
class QCheckBox;
class QComboBox;
class SettingsViewModel;

namespace GlobalShortcuts {
class Name;
class Recorder;
} // namespace GlobalShortcuts

class GeneralSettingsView : public QWidget {
    Q_OBJECT
public:
    GeneralSettingsView(SettingsViewModel& viewModel, const GlobalShortcuts::Name& captureShortcut,
                        LoginItem& loginItem, QWidget* parent = nullptr);

    LoginItemToggle* loginItemToggle() const { return m_loginItemToggle; }
    GlobalShortcuts::Recorder* recorder() const { return m_recorder; }
    QCheckBox* playSoundCheckBox() const { return m_playSound; }
    QCheckBox* showPreviewCheckBox() const { return m_showPreview; }
    // Lists the retention choices in their order: one minute, ten minutes, never.
    QComboBox* clearHistoryPicker() const { return m_clearHistory; }
    QComboBox* recognitionLanguagePicker() const { return m_recognitionLanguage; }

private:
    LoginItemToggle* m_loginItemToggle;
    GlobalShortcuts::Recorder* m_recorder;
    QCheckBox* m_playSound;
    QCheckBox* m_showPreview;
    QComboBox* m_clearHistory;
    QComboBox* m_recognitionLanguage;
};
