#include "loginitemtoggle.h"

#include "localizedstrings.h"
#include "loginitem.h"

LoginItemToggle::LoginItemToggle(LoginItem& item, QWidget* parent)
    : QCheckBox(Strings::settingsStartAtLoginTitle(), parent)
    , m_item(&item)
{
    display(item.isEnabled());
    connect(this, &QCheckBox::toggled, this, [this](bool checked) {
        if (!m_isShowing && m_item)
            m_item->setIsEnabled(checked);
    });
    connect(&item, &LoginItem::isEnabledChanged, this, &LoginItemToggle::display);
}

void LoginItemToggle::display(bool isEnabled)
{
    m_isShowing = true;
    setChecked(isEnabled);
    m_isShowing = false;
}
