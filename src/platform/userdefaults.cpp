#include "userdefaults.h"

#include <cmath>

void UserDefaults::registerDefaults(const QJsonObject& defaults)
{
    for (auto it = defaults.begin(); it != defaults.end(); ++it)
        m_registered.insert(it.key(), it.value());
}

QJsonValue UserDefaults::object(const QString& key) const
{
    const QJsonValue stored = storedValue(key);
    if (!stored.isUndefined())
        return stored;
    return m_registered.value(key);
}

void UserDefaults::setObject(const QString& key, const QJsonValue& value)
{
    store(key, value.isNull() ? QJsonValue(QJsonValue::Undefined) : value);
}

template <typename T>
T UserDefaults::typed(const QString& key, std::optional<T> (*convert)(const QJsonValue&), T neutral) const
{
    if (auto value = convert(storedValue(key)))
        return *value;
    if (auto value = convert(m_registered.value(key)))
        return *value;
    return neutral;
}

bool UserDefaults::boolForKey(const QString& key) const
{
    return typed<bool>(key, &UserDefaults::toBool, false);
}

qint64 UserDefaults::integerForKey(const QString& key) const
{
    return typed<qint64>(key, &UserDefaults::toInteger, 0);
}

std::optional<QString> UserDefaults::stringForKey(const QString& key) const
{
    if (auto text = toText(storedValue(key)))
        return text;
    return toText(m_registered.value(key));
}

std::optional<bool> UserDefaults::toBool(const QJsonValue& value)
{
    if (value.isBool())
        return value.toBool();
    if (value.isDouble()) {
        const double number = value.toDouble();
        if (std::isnan(number))
            return std::nullopt;
        return number != 0;
    }
    if (value.isString()) {
        const QString text = value.toString().trimmed().toLower();
        if (text == u"yes" || text == u"true" || text == u"1")
            return true;
        if (text == u"no" || text == u"false" || text == u"0")
            return false;
    }
    return std::nullopt;
}

std::optional<qint64> UserDefaults::toInteger(const QJsonValue& value)
{
    if (value.isBool())
        return value.toBool() ? 1 : 0;
    if (value.isDouble()) {
        // Integers keep their exact value; other numbers are truncated toward zero when they fit.
        const QVariant variant = value.toVariant();
        if (variant.typeId() == QMetaType::LongLong)
            return variant.toLongLong();
        const double number = std::trunc(value.toDouble());
        if (!std::isfinite(number) || number < -9.2233720368547758e18 || number >= 9.2233720368547758e18)
            return std::nullopt;
        return static_cast<qint64>(number);
    }
    if (value.isString()) {
        bool ok = false;
        const qint64 number = value.toString().trimmed().toLongLong(&ok);
        if (ok)
            return number;
    }
    return std::nullopt;
}

std::optional<QString> UserDefaults::toText(const QJsonValue& value)
{
    if (value.isString())
        return value.toString();
    return std::nullopt;
}
