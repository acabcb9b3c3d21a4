#include "jsonfileuserdefaults.h"

#include "platformlogging.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>
#include <QStandardPaths>

JsonFileUserDefaults::JsonFileUserDefaults(QString filePath)
    : m_filePath(std::move(filePath))
{
    load();
}

QString JsonFileUserDefaults::defaultFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/oculo/defaults.json");
}

QJsonValue JsonFileUserDefaults::storedValue(const QString& key) const
{
    return m_stored.value(key);
}

void JsonFileUserDefaults::store(const QString& key, const QJsonValue& value)
{
    if (value.isUndefined())
        m_stored.remove(key);
    else
        m_stored.insert(key, value);
    save();
}

void JsonFileUserDefaults::load()
{
    QFile file(m_filePath);
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly)) {
        keepAside(file.errorString());
        return;
    }
    const QByteArray contents = file.readAll();
    file.close();

    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(contents, &error);
    if (error.error != QJsonParseError::NoError) {
        keepAside(error.errorString());
        return;
    }
    if (!document.isObject()) {
        keepAside(QStringLiteral("not a JSON object"));
        return;
    }
    m_stored = document.object();
}

void JsonFileUserDefaults::keepAside(const QString& reason)
{
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    QString candidate = m_filePath + QStringLiteral(".broken-") + stamp;
    for (int n = 1; QFileInfo::exists(candidate); ++n)
        candidate = m_filePath + QStringLiteral(".broken-%1-%2").arg(stamp).arg(n);

    if (QFile::rename(m_filePath, candidate)) {
        m_backupPath = candidate;
        qCWarning(lcPlatform) << "Settings file" << m_filePath << "is unusable (" << reason << "); kept it as"
                              << candidate << "and started from the defaults";
    } else {
        m_persistent = false;
        qCWarning(lcPlatform) << "Settings file" << m_filePath << "is unusable (" << reason
                              << ") and could not be moved aside; changes stay in memory this session";
    }
}

void JsonFileUserDefaults::save()
{
    if (!m_persistent)
        return;
    const QFileInfo info(m_filePath);
    if (!QDir().mkpath(info.absolutePath())) {
        reportWriteFailure(QStringLiteral("cannot create ") + info.absolutePath());
        return;
    }
    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly)) {
        reportWriteFailure(file.errorString());
        return;
    }
    // A short write (a full disk, a file size limit) must not replace the old file with a partial one.
    const QByteArray contents = QJsonDocument(m_stored).toJson(QJsonDocument::Indented);
    if (file.write(contents) != contents.size() || !file.flush()) {
        const QString error = file.errorString();
        file.cancelWriting();
        reportWriteFailure(error);
        return;
    }
    if (!file.commit()) {
        reportWriteFailure(file.errorString());
        return;
    }
    m_writeFailureReported = false;
}

void JsonFileUserDefaults::reportWriteFailure(const QString& reason)
{
    // Once until a write succeeds again: every change of a session on a full disk would say it again.
    if (m_writeFailureReported)
        return;
    m_writeFailureReported = true;
    qCWarning(lcPlatform).noquote()
        << "Cannot write the settings file" << m_filePath << "(" + reason + ");"
        << "the settings stay as they are for this session and the file as it was";
}
