// A D-Bus session bus of the test's own (dbus-daemon), so that what a test claims or sends on it meets no
// other program: started when made, stopped by its process id when destroyed. address() is empty when
// it could not start, and error() says why.
#pragma once

#include <QProcess>
#include <QString>

class PrivateSessionBus {
public:
    PrivateSessionBus()
    {
        m_daemon.start(
            QStringLiteral("dbus-daemon"),
            {QStringLiteral("--session"), QStringLiteral("--print-address"), QStringLiteral("--nofork")});
        if (!m_daemon.waitForStarted(5000)) {
            m_error =
                QStringLiteral("dbus-daemon did not start (%1): install the packages of scripts/packages")
                    .arg(m_daemon.errorString());
            return;
        }
        // It prints its address once it listens.
        while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(5000)) {
        }
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        if (m_address.isEmpty())
            m_error = QStringLiteral("dbus-daemon printed no address: ") +
                      QString::fromUtf8(m_daemon.readAllStandardError());
    }
    ~PrivateSessionBus()
    {
        if (m_daemon.state() == QProcess::NotRunning)
            return;
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(5000))
            m_daemon.kill();
        m_daemon.waitForFinished(5000);
    }
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    QString address() const { return m_address; }
    QString error() const { return m_error; }

private:
    QProcess m_daemon;
    QString m_address;
    QString m_error;
};
