// An in-memory user-defaults store for unit tests; counts the writes it was asked for.
#pragma once

#include "userdefaults.h"

class MemoryUserDefaults : public UserDefaults {
public:
    QJsonObject stored;
    int writeCount = 0;

protected:
    QJsonValue storedValue(const QString& key) const override { return stored.value(key); }
    void store(const QString& key, const QJsonValue& value) override
    {
        ++writeCount;
        if (value.isUndefined())
            stored.remove(key);
        else
            stored.insert(key, value);
    }
};
