#include "nullhotkeybackend.h"

#include "platformlogging.h"

std::optional<quint32> NullHotKeyBackend::grab(HotKeyCombination, HotKeyId)
{
    if (!m_explained) {
        m_explained = true;
        qCWarning(lcPlatform).noquote() << explanation();
    }
    return ++m_references;
}

QString NullHotKeyBackend::explanation()
{
    return QStringLiteral(
        "This desktop gives applications no global shortcuts: bind the command "
        "\"oculo --capture\" to a key in the desktop's keyboard settings to start a capture.");
}
