// The process-wide notification centre: a named notification with a dictionary of user info, posted
// synchronously to every observer. Observers connect to `posted` with a context object, so an
// observation ends with its observer. Main thread only.
#pragma once

#include <QObject>
#include <QString>
#include <QVariantMap>

class NotificationCenter : public QObject {
    Q_OBJECT
public:
    static NotificationCenter& defaultCenter();

    void post(const QString& name, const QVariantMap& userInfo = {}) { emit posted(name, userInfo); }

signals:
    void posted(const QString& name, const QVariantMap& userInfo);

private:
    NotificationCenter() = default;
};
