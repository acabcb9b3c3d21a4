#include "windowproperties.h"

#include <QStringDecoder>

#include <cstring>

namespace WindowProperties {

namespace {

// Longer names are not names; they are cut here so that no caller has to.
constexpr qsizetype maxNameLength = 255;
// No window manager draws a border this wide.
constexpr quint32 maxFrameExtent = 4096;

struct TypeName {
    WindowType type;
    const char* atomName;
};

constexpr TypeName typeNames[] = {
    {WindowType::Normal, "_NET_WM_WINDOW_TYPE_NORMAL"},
    {WindowType::Dialog, "_NET_WM_WINDOW_TYPE_DIALOG"},
    {WindowType::Desktop, "_NET_WM_WINDOW_TYPE_DESKTOP"},
    {WindowType::Dock, "_NET_WM_WINDOW_TYPE_DOCK"},
    {WindowType::Toolbar, "_NET_WM_WINDOW_TYPE_TOOLBAR"},
    {WindowType::Menu, "_NET_WM_WINDOW_TYPE_MENU"},
    {WindowType::Utility, "_NET_WM_WINDOW_TYPE_UTILITY"},
    {WindowType::Splash, "_NET_WM_WINDOW_TYPE_SPLASH"},
    {WindowType::DropdownMenu, "_NET_WM_WINDOW_TYPE_DROPDOWN_MENU"},
    {WindowType::PopupMenu, "_NET_WM_WINDOW_TYPE_POPUP_MENU"},
    {WindowType::Combo, "_NET_WM_WINDOW_TYPE_COMBO"},
    {WindowType::Tooltip, "_NET_WM_WINDOW_TYPE_TOOLTIP"},
    {WindowType::Notification, "_NET_WM_WINDOW_TYPE_NOTIFICATION"},
    {WindowType::Dnd, "_NET_WM_WINDOW_TYPE_DND"},
};

// Text properties are Latin-1 by the book and UTF-8 in practice: UTF-8 when the bytes are valid UTF-8.
QString decodeName(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (utf8.hasError())
        text = QString::fromLatin1(bytes);
    text = text.trimmed();
    if (text.size() > maxNameLength) {
        text.truncate(maxNameLength);
        if (text.back().isHighSurrogate())
            text.chop(1);
    }
    return text;
}

QByteArrayView untilNul(QByteArrayView bytes)
{
    const qsizetype end = bytes.indexOf('\0');
    return end < 0 ? bytes : bytes.first(end);
}

QByteArrayView shortHostName(QByteArrayView name)
{
    const qsizetype dot = name.indexOf('.');
    return dot < 0 ? name : name.first(dot);
}

} // namespace

QList<QByteArray> windowTypeAtomNames()
{
    QList<QByteArray> names;
    for (const TypeName& entry : typeNames)
        names.append(entry.atomName);
    return names;
}

std::optional<WindowType> windowTypeFromAtomName(QByteArrayView name)
{
    for (const TypeName& entry : typeNames) {
        if (name == entry.atomName)
            return entry.type;
    }
    return std::nullopt;
}

int layerOf(WindowType type)
{
    switch (type) {
    case WindowType::Normal:
    case WindowType::Dialog:
        return NormalLayer;
    case WindowType::Desktop:
        return DesktopLayer;
    case WindowType::Toolbar:
    case WindowType::Menu:
    case WindowType::Utility:
        return UtilityLayer;
    case WindowType::Dock:
        return DockLayer;
    case WindowType::Splash:
        return SplashLayer;
    case WindowType::DropdownMenu:
    case WindowType::PopupMenu:
    case WindowType::Combo:
        return PopupLayer;
    case WindowType::Tooltip:
        return TooltipLayer;
    case WindowType::Notification:
        return NotificationLayer;
    case WindowType::Dnd:
        return DragLayer;
    }
    return NormalLayer;
}

std::optional<QList<quint32>> values32(const Property& property)
{
    if (property.type == 0 || property.format != 32 || property.value.size() % 4 != 0)
        return std::nullopt;
    QList<quint32> values(property.value.size() / 4);
    if (!values.isEmpty())
        std::memcpy(values.data(), property.value.constData(), std::size_t(property.value.size()));
    return values;
}

std::optional<int> layerFromWindowTypes(const Property& property, const QHash<quint32, WindowType>& types)
{
    if (property.type == 0)
        return NormalLayer;
    const std::optional<QList<quint32>> atoms = values32(property);
    if (!atoms)
        return std::nullopt;
    for (const quint32 atom : *atoms) {
        const auto type = types.constFind(atom);
        if (type != types.cend())
            return layerOf(*type);
    }
    return NormalLayer;
}

std::optional<QString> ownerNameFromWmClass(QByteArrayView bytes)
{
    const QByteArrayView instance = untilNul(bytes);
    const QByteArrayView rest =
        instance.size() < bytes.size() ? bytes.sliced(instance.size() + 1) : QByteArrayView();
    const QString className = decodeName(untilNul(rest));
    if (!className.isEmpty())
        return className;
    const QString instanceName = decodeName(instance);
    if (!instanceName.isEmpty())
        return instanceName;
    return std::nullopt;
}

std::optional<QString> ownerNameFromWmClass(const Property& property)
{
    if (property.type == 0 || property.format != 8)
        return std::nullopt;
    return ownerNameFromWmClass(QByteArrayView(property.value));
}

std::optional<QString> ownerNameFromProcessName(QByteArrayView bytes)
{
    const qsizetype end = bytes.indexOf('\n');
    const QString name = decodeName(untilNul(end < 0 ? bytes : bytes.first(end)));
    if (name.isEmpty())
        return std::nullopt;
    return name;
}

std::optional<quint32> processId(const Property& property)
{
    const std::optional<QList<quint32>> values = values32(property);
    if (!values || values->isEmpty() || values->front() == 0)
        return std::nullopt;
    return values->front();
}

bool isLocalMachine(const Property& clientMachine, QByteArrayView hostName)
{
    if (clientMachine.type == 0)
        return true;
    if (clientMachine.format != 8)
        return false;
    const QByteArrayView machine = untilNul(QByteArrayView(clientMachine.value)).trimmed();
    if (machine.isEmpty() || machine.compare("localhost", Qt::CaseInsensitive) == 0)
        return true;
    return shortHostName(machine).compare(shortHostName(hostName), Qt::CaseInsensitive) == 0;
}

std::optional<QMargins> frameExtents(const Property& property)
{
    const std::optional<QList<quint32>> values = values32(property);
    if (!values || values->size() != 4)
        return std::nullopt;
    for (const quint32 value : *values) {
        if (value > maxFrameExtent)
            return std::nullopt;
    }
    const auto extent = [&](qsizetype i) { return static_cast<int>(values->at(i)); };
    return QMargins(extent(0), extent(2), extent(1), extent(3));
}

bool containsAtom(const Property& property, quint32 atom)
{
    const std::optional<QList<quint32>> atoms = values32(property);
    return atoms && atoms->contains(atom);
}

} // namespace WindowProperties
