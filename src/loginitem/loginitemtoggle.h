// The settings window's "Start at login" check box, bound both ways to a LoginItem: checking or
// unchecking it sets the login item once, and it shows what the login item reads back after every change,
// also one made outside Oculo. Main thread only; it does nothing once the login item is gone.
#pragma once

#include <QCheckBox>
#include <QPointer>

class LoginItem;

class LoginItemToggle : public QCheckBox {
    Q_OBJECT
public:
    explicit LoginItemToggle(LoginItem& item, QWidget* parent = nullptr);

private:
    void display(bool isEnabled);

    QPointer<LoginItem> m_item;
    bool m_isShowing = false;
};
