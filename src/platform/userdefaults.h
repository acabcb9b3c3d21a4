// The user-defaults store: persisted settings by key, with registered fallbacks that are never written.
// Reads answer as a platform defaults store does: the stored value if it is usable as the asked type,
// else the registered value, else false, 0 or no text. Main thread only; never fails loudly.
#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <optional>

class UserDefaults {
public:
    virtual ~UserDefaults() = default;

    // Merges fallbacks into the registration domain; they answer reads but are never stored.
    void registerDefaults(const QJsonObject& defaults);

    // The stored value, else the registered one; undefined when there is neither.
    QJsonValue object(const QString& key) const;
    bool contains(const QString& key) const { return !object(key).isUndefined(); }

    bool boolForKey(const QString& key) const;
    qint64 integerForKey(const QString& key) const;
    std::optional<QString> stringForKey(const QString& key) const;

    void setBool(const QString& key, bool value) { setObject(key, value); }
    void setInteger(const QString& key, qint64 value) { setObject(key, value); }
    void setString(const QString& key, const QString& value) { setObject(key, value); }
    // An undefined or null value removes the key.
    void setObject(const QString& key, const QJsonValue& value);
    void removeObject(const QString& key) { store(key, QJsonValue(QJsonValue::Undefined)); }

    // Conversions of one stored value to a type; none when the value is not usable as that type.
    static std::optional<bool> toBool(const QJsonValue& value);
    static std::optional<qint64> toInteger(const QJsonValue& value);
    static std::optional<QString> toText(const QJsonValue& value);

protected:
    // The value stored under the key; undefined when nothing is stored.
    virtual QJsonValue storedValue(const QString& key) const = 0;
    // Stores the value (undefined: removes the key) and persists the change.
    virtual void store(const QString& key, const QJsonValue& value) = 0;

private:
    template <typename T>
    T typed(const QString& key, std::optional<T> (*convert)(const QJsonValue&), T neutral) const;

    QJsonObject m_registered;
};
