// The user-defaults store kept as one JSON object in a file ($XDG_CONFIG_HOME/oculo/defaults.json),
// rewritten atomically on every change. A file that cannot be used (unreadable, not JSON, not an object)
// is moved aside as a backup and the store starts empty; if it cannot be moved aside, the store keeps
// its changes in memory only, so the user's file is never overwritten. Main thread only.
#pragma once

#include "userdefaults.h"

class JsonFileUserDefaults : public UserDefaults {
public:
    explicit JsonFileUserDefaults(QString filePath = defaultFilePath());

    static QString defaultFilePath();

    QString filePath() const { return m_filePath; }
    // Where an unusable file was moved at start; empty when there was none.
    QString backupPath() const { return m_backupPath; }
    bool isPersistent() const { return m_persistent; }

protected:
    QJsonValue storedValue(const QString& key) const override;
    void store(const QString& key, const QJsonValue& value) override;

private:
    void load();
    void keepAside(const QString& reason);
    void save();
    void reportWriteFailure(const QString& reason);

    QString m_filePath;
    QString m_backupPath;
    QJsonObject m_stored;
    bool m_persistent = true;
    bool m_writeFailureReported = false;
};
