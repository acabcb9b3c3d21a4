#include "loginitem.h"

#include "autostartentry.h"
#include "loginitemlogging.h"
#include "oculoversion.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

// Far more than any desktop entry needs; a bigger file is not read.
constexpr qint64 maximumEntrySize = 1 << 20;

enum class OnDisk { missing, foreign, disabled, enabled };

OnDisk onDisk(const QString& path, const QString& executable)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return OnDisk::missing;
    // Directories, pipes, sockets and dangling links are not entries, and are left alone.
    if (!info.isFile() || info.size() > maximumEntrySize)
        return OnDisk::foreign;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCDebug(lcLoginItem) << "cannot read" << path << file.errorString();
        return OnDisk::foreign;
    }
    switch (AutostartEntry::classify(file.read(maximumEntrySize), executable)) {
    case AutostartEntry::Kind::foreign:
        return OnDisk::foreign;
    case AutostartEntry::Kind::disabled:
        return OnDisk::disabled;
    case AutostartEntry::Kind::enabled:
        return OnDisk::enabled;
    }
    return OnDisk::foreign;
}

// The directory itself when it exists, otherwise its nearest ancestor that does, so that its creation is
// seen.
QString nearestExistingDirectory(const QString& directory)
{
    QString path = QDir::cleanPath(QFileInfo(directory).absoluteFilePath());
    while (!QFileInfo(path).isDir()) {
        const QString parent = QFileInfo(path).path();
        if (parent == path)
            return {};
        path = parent;
    }
    return path;
}

} // namespace

LoginItem::LoginItem(QString autostartDirectory, QString executable, QObject* parent)
    : QObject(parent)
    , m_directory(autostartDirectory.isEmpty() ? defaultAutostartDirectory() : std::move(autostartDirectory))
    , m_executable(executable.isEmpty() ? QCoreApplication::applicationFilePath() : std::move(executable))
    , m_watcher(new QFileSystemWatcher(this))
{
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &LoginItem::reread);
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, &LoginItem::reread);
    watch();
    m_lastRead = isEnabled();
    m_isEnabledPublisher.set(m_lastRead);
}

LoginItem::~LoginItem() = default;

QString LoginItem::helperBundleIdentifier()
{
    static const QString identifier =
        QString::fromUtf8(OculoVersion::identifier) + QStringLiteral("-LoginItemHelper");
    return identifier;
}

QString LoginItem::defaultAutostartDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart");
}

QString LoginItem::entryFilePath() const
{
    return m_directory + u'/' + helperBundleIdentifier() + QStringLiteral(".desktop");
}

bool LoginItem::isEnabled() const
{
    return onDisk(entryFilePath(), m_executable) == OnDisk::enabled;
}

void LoginItem::setIsEnabled(bool value)
{
    emit objectWillChange(QPrivateSignal());
    emit isEnabledWillChange(QPrivateSignal());
    if (value)
        write();
    else
        remove();
    watch();
    m_lastRead = isEnabled();
    emit isEnabledChanged(m_lastRead, QPrivateSignal());
    m_isEnabledPublisher.set(value);
}

void LoginItem::write()
{
    const QString path = entryFilePath();
    if (onDisk(path, m_executable) == OnDisk::foreign) {
        qCDebug(lcLoginItem) << "leaving alone" << path << "which is not Oculo's";
        return;
    }
    if (!QDir().mkpath(m_directory)) {
        qCDebug(lcLoginItem) << "cannot make" << m_directory;
        return;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        qCDebug(lcLoginItem) << "cannot write" << path << file.errorString();
        return;
    }
    file.write(AutostartEntry::contents(m_executable));
    if (!file.commit())
        qCDebug(lcLoginItem) << "cannot write" << path << file.errorString();
}

void LoginItem::remove()
{
    const QString path = entryFilePath();
    const OnDisk state = onDisk(path, m_executable);
    if (state == OnDisk::missing)
        return;
    if (state == OnDisk::foreign) {
        qCDebug(lcLoginItem) << "leaving alone" << path << "which is not Oculo's";
        return;
    }
    if (!QFile::remove(path))
        qCDebug(lcLoginItem) << "cannot remove" << path;
}

// Watches the directory (or the ancestor it will be made in) for entries coming and going, and the entry
// itself for edits made in place, which a directory watch does not report.
void LoginItem::watch()
{
    const QStringList watched = m_watcher->files() + m_watcher->directories();
    if (!watched.isEmpty())
        m_watcher->removePaths(watched);
    QStringList paths;
    const QString directory = nearestExistingDirectory(m_directory);
    if (!directory.isEmpty())
        paths.append(directory);
    if (QFileInfo(entryFilePath()).isFile())
        paths.append(entryFilePath());
    if (!paths.isEmpty())
        m_watcher->addPaths(paths);
}

void LoginItem::reread()
{
    watch();
    const bool value = isEnabled();
    if (value == m_lastRead)
        return;
    m_lastRead = value;
    emit objectWillChange(QPrivateSignal());
    emit isEnabledWillChange(QPrivateSignal());
    emit isEnabledChanged(value, QPrivateSignal());
    m_isEnabledPublisher.set(value);
}
