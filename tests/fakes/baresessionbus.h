// A D-Bus session bus of the test's own that starts no service by itself, so that a test's fake portal
// meets neither the real one (which may be installed and would be started on demand) nor any other
// program; stopped by its process id when destroyed. address() is empty when it could not start.
#pragma once

#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

class BareSessionBus {
public:
    BareSessionBus()
    {
        QFile config(m_folder.filePath("session.conf"));
        config.open(QIODevice::WriteOnly);
        config.write("<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>"
                     "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                     "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>");
        config.close();
        m_daemon.start("dbus-daemon", {"--config-file=" + config.fileName(), "--print-address", "--nofork"});
        if (m_daemon.waitForStarted(5000)) {
            while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(5000)) {
            }
            m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        }
    }
    ~BareSessionBus()
    {
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(5000))
            m_daemon.kill();
    }
    QString address() const { return m_address; }

private:
    QTemporaryDir m_folder;
    QProcess m_daemon;
    QString m_address;
};
