// Start at login. Oculo keeps no setting of its own for it: the truth is the desktop entry named after
// helperBundleIdentifier() in the XDG autostart directory, read back on every isEnabled(). Enabling
// writes the entry for this executable atomically (making the directory when missing), disabling removes
// it; an entry there that is not Oculo's is never touched. Three kinds of observers hear of every
// change, one made in the file by someone else while Oculo runs included (the directory is watched):
// objectWillChange() for views, the isEnabled property with its will/did-change signals, and the
// isEnabledPublisher() stream of values. Main thread only; a failed write is not reported and shows
// up only in the next read.
#pragma once

#include "published.h"

#include <QObject>
#include <QString>

class QFileSystemWatcher;

class LoginItem : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isEnabled READ isEnabled WRITE setIsEnabled NOTIFY isEnabledChanged)
public:
    // Empty arguments stand for $XDG_CONFIG_HOME/autostart and the running executable.
    explicit LoginItem(QString autostartDirectory = {}, QString executable = {}, QObject* parent = nullptr);
    ~LoginItem() override;

    // The application's identifier followed by "-LoginItemHelper"; the entry is this name plus ".desktop".
    static QString helperBundleIdentifier();
    static QString defaultAutostartDirectory();

    QString autostartDirectory() const { return m_directory; }
    QString entryFilePath() const;
    QString executable() const { return m_executable; }

    // True when the entry is there, a valid application entry that starts this executable, and neither
    // Hidden nor switched off with X-GNOME-Autostart-enabled=false.
    bool isEnabled() const;

    // Writes or removes the entry, announcing before (objectWillChange, isEnabledWillChange) and after
    // (isEnabledChanged with the value read back, then the requested value through the publisher), also
    // when the value does not change or the write fails.
    void setIsEnabled(bool value);

    // The value read when this object was made, then every value set and every change seen in the file.
    const Published<bool>& isEnabledPublisher() const { return m_isEnabledPublisher; }

signals:
    void objectWillChange(QPrivateSignal);
    void isEnabledWillChange(QPrivateSignal);
    void isEnabledChanged(bool isEnabled, QPrivateSignal);

private:
    void write();
    void remove();
    void watch();
    void reread();

    QString m_directory;
    QString m_executable;
    QFileSystemWatcher* m_watcher = nullptr;
    bool m_lastRead = false;
    Published<bool> m_isEnabledPublisher;
};
