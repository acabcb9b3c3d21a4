// The row of tabs at the top of the settings window, in the manner of a preferences toolbar: each tab
// an image over its label, the chosen one on a rounded plate, the row centred over a separator line.
// Clicking a tab chooses it; the row announces the index. Main thread only.
#pragma once

#include "settingssymbols.h"

#include <QAbstractButton>
#include <QIcon>
#include <QList>
#include <QWidget>

#include <optional>

class QButtonGroup;
class QHBoxLayout;

// One tab: a painted symbol, or an icon, over the label.
class SettingsTabButton : public QAbstractButton {
    Q_OBJECT
public:
    SettingsTabButton(const QString& label, std::optional<SettingsSymbol> symbol, QWidget* parent = nullptr);

    // Shown instead of the symbol, when not null.
    void setIcon(const QIcon& icon);
    const QIcon& icon() const { return m_icon; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<SettingsSymbol> m_symbol;
    QIcon m_icon;
};

class SettingsTabBar : public QWidget {
    Q_OBJECT
public:
    explicit SettingsTabBar(QWidget* parent = nullptr);

    // Appends a tab; the first one added is chosen.
    SettingsTabButton* addTab(const QString& label, std::optional<SettingsSymbol> symbol);

    int count() const { return int(m_buttons.size()); }
    SettingsTabButton* tab(int index) const { return m_buttons.value(index); }
    int currentIndex() const;
    // Chooses the tab without announcing it; an index out of range changes nothing.
    void setCurrentIndex(int index);

signals:
    // The user chose the tab at `index`.
    void tabClicked(int index);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QHBoxLayout* m_row;
    QButtonGroup* m_group;
    QList<SettingsTabButton*> m_buttons;
};
