// A real X server with two screens side by side, for tests of what happens across screens: Xorg with
// the dummy video driver, one 2560x900 virtual screen cut by RandR into the monitors LEFT (1280x900 at
// 0,0) and RIGHT (1280x900 at 1280,0). Needs root and Xorg; started before the Qt application, which then
// connects to it through DISPLAY, and stopped by its process id when destroyed. error() says why it did
// not start.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace {

class DummyXorg {
public:
    DummyXorg()
    {
        if (geteuid() != 0) {
            m_error = QStringLiteral("Xorg with the dummy driver needs root");
            return;
        }
        const QString xorg = QStandardPaths::findExecutable(QStringLiteral("Xorg"));
        if (xorg.isEmpty() || !QFile::exists(QStringLiteral("/usr/lib/xorg/modules/drivers/dummy_drv.so"))) {
            m_error = QStringLiteral("Xorg or its dummy driver is not installed");
            return;
        }
        int number = 90;
        while (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number)) ||
               QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number)))
            ++number;
        m_display = QStringLiteral(":%1").arg(number).toLocal8Bit();
        const QString config = m_dir.filePath(QStringLiteral("xorg.conf"));
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly) || file.write(configuration) < 0) {
            m_error = QStringLiteral("cannot write the Xorg configuration");
            return;
        }
        file.close();
        const QByteArray log = m_dir.filePath(QStringLiteral("xorg.log")).toLocal8Bit();
        const QByteArray path = xorg.toLocal8Bit();
        const QByteArray configPath = config.toLocal8Bit();
        m_pid = fork();
        if (m_pid == 0) {
            const int null = ::open("/dev/null", O_WRONLY);
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
            execl(path.constData(), "Xorg", m_display.constData(), "-config", configPath.constData(),
                  "-noreset", "-nolisten", "tcp", "-logfile", log.constData(), "vt9",
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        if (m_pid < 0 || !waitForServer()) {
            m_error = QStringLiteral("Xorg did not start on %1 (see its log %2)")
                          .arg(QString::fromLocal8Bit(m_display), QString::fromLocal8Bit(log));
            m_dir.setAutoRemove(false);
            return;
        }
        if (!xrandr("--setmonitor LEFT 1280/338x900/238+0+0 DUMMY0") ||
            !xrandr("--setmonitor RIGHT 1280/338x900/238+1280+0 none")) {
            m_error = QStringLiteral("xrandr could not cut the screen into two monitors");
            return;
        }
        qputenv("DISPLAY", m_display);
        qunsetenv("WAYLAND_DISPLAY");
        qputenv("QT_QPA_PLATFORM", "xcb");
        m_running = true;
    }
    ~DummyXorg()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }
    DummyXorg(const DummyXorg&) = delete;
    DummyXorg& operator=(const DummyXorg&) = delete;

    bool isRunning() const { return m_running; }
    QString error() const { return m_error; }

private:
    static constexpr char configuration[] = R"(Section "ServerFlags"
    Option "AutoAddDevices" "false"
    Option "DontVTSwitch" "true"
EndSection
Section "Device"
    Identifier "dummy"
    Driver "dummy"
    VideoRam 256000
EndSection
Section "Monitor"
    Identifier "monitor"
    HorizSync 5.0 - 1000.0
    VertRefresh 5.0 - 200.0
    Modeline "2560x900" 193.25 2560 2728 3000 3440 900 903 913 937 -hsync +vsync
EndSection
Section "Screen"
    Identifier "screen"
    Device "dummy"
    Monitor "monitor"
    DefaultDepth 24
    SubSection "Display"
        Depth 24
        Virtual 2560 900
        Modes "2560x900"
    EndSubSection
EndSection
)";

    bool waitForServer()
    {
        for (int attempt = 0; attempt < 200; ++attempt) {
            if (waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
                m_pid = 0;
                return false;
            }
            xcb_connection_t* connection = xcb_connect(m_display.constData(), nullptr);
            const bool connected = !xcb_connection_has_error(connection);
            xcb_disconnect(connection);
            if (connected)
                return true;
            QThread::msleep(50);
        }
        return false;
    }

    // Runs before there is a Qt application, so without QProcess.
    bool xrandr(const char* arguments) const
    {
        const QByteArray command = "DISPLAY=" + m_display + " xrandr " + arguments + " >/dev/null 2>&1";
        return std::system(command.constData()) == 0;
    }

    QTemporaryDir m_dir;
    QByteArray m_display;
    pid_t m_pid = 0;
    bool m_running = false;
    QString m_error;
};

} // namespace
