// The Web Search tab of the settings window: a hint on how to search instead of copying, and the URL
// prefix the recognised text is appended to, typed freely or filled from a preset. Each time the tab is
// shown the field takes the settings model's template (empty when there is none); from then on every
// change of the text, typed or from a preset, is stored as the template at once, never validated.
// Main thread only; the model must outlive the view.
#pragma once

#include "defaultsearchengines.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class SettingsViewModel;

class SearchSettingsView : public QWidget {
    Q_OBJECT
public:
    explicit SearchSettingsView(SettingsViewModel& viewModel, QWidget* parent = nullptr);

    QLineEdit* urlPrefixField() const { return m_field; }
    // Pulls down one entry per preset, in their order.
    QPushButton* presetsButton() const { return m_presets; }
    // Puts the preset's prefix in the field, as its menu entry does.
    void choosePreset(DefaultSearchEngines engine);

protected:
    void showEvent(QShowEvent* event) override;

private:
    SettingsViewModel& m_viewModel;
    QLabel* m_hint;
    QLineEdit* m_field;
    QPushButton* m_presets;
};
