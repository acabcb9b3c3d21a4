#include "waylandsession.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// xdg-desktop-portal-wlr has grim write every screenshot to this one file: a file of another user there
// makes each request fail.
const QString portalScratchFile = QStringLiteral("/tmp/out.png");

const QString swayConfig = QStringLiteral(R"(# One output, nothing drawn but the clients.
output * mode %1x%2 position 0 0 scale 1
default_border none
default_floating_border none
titlebar_border_thickness 0
titlebar_padding 1
gaps inner 0
gaps outer 0
focus_follows_mouse no
mouse_warping none
focus_on_window_activation focus
xwayland disable
)");

// A session bus that starts nothing by itself: every service on it is a program the session started.
const QString busConfig =
    QStringLiteral(R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=%1</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)");

QString findProgram(const QString& name)
{
    const QString found = QStandardPaths::findExecutable(name);
    if (!found.isEmpty())
        return found;
    for (const QString& dir :
         {QStringLiteral("/usr/libexec"), QStringLiteral("/usr/lib/xdg-desktop-portal")}) {
        const QFileInfo candidate(dir + u'/' + name);
        if (candidate.isExecutable())
            return candidate.filePath();
    }
    return {};
}

bool writeFile(const QString& path, const QString& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text.toUtf8()) >= 0;
}

} // namespace

WaylandSession::WaylandSession()
{
    if (!m_runtime.isValid() || !m_home.isValid()) {
        fail(QStringLiteral("cannot make the session's folders in /tmp"));
        return;
    }
    // The programs' logs stay in the build folder for people to read, or go with the session when the
    // build folder is not the test's to write.
    m_logDir = QStringLiteral(OCULO_BINARY_DIR "/wayland-logs/") + QCoreApplication::applicationName();
    if (!QDir().mkpath(m_logDir) || !QFileInfo(m_logDir).isWritable()) {
        m_logDir = m_home.filePath(QStringLiteral("logs"));
        QDir().mkpath(m_logDir);
    }
    const QStringList programs{QStringLiteral("sway"),
                               QStringLiteral("swaymsg"),
                               QStringLiteral("dbus-daemon"),
                               QStringLiteral("pipewire"),
                               QStringLiteral("grim"),
                               QStringLiteral("wl-paste"),
                               QStringLiteral("wl-copy"),
                               QStringLiteral("xdg-desktop-portal"),
                               QStringLiteral("xdg-desktop-portal-wlr"),
                               QStringLiteral("xdg-desktop-portal-gtk")};
    for (const QString& program : programs) {
        if (findProgram(program).isEmpty()) {
            fail(program + QStringLiteral(" is not installed: scripts/bootstrap installs scripts/packages"));
            return;
        }
    }
    if (!resolveUser() || !giveToUser(m_runtime.path()) || !giveToUser(m_home.path()))
        return;
    QDir(m_home.path()).mkpath(QStringLiteral(".config"));
    giveToUser(m_home.path());
    if (startBus() && startCompositor())
        startPortal();
}

WaylandSession::~WaylandSession()
{
    while (!m_daemons.empty()) {
        m_daemons.back()->stop();
        m_daemons.pop_back();
    }
    // The display's last image is not left readable by everyone, nor in the way of another user.
    const QFileInfo scratch(portalScratchFile);
    if (scratch.exists() && scratch.ownerId() == m_user.uid)
        QFile::remove(portalScratchFile);
}

bool WaylandSession::fail(const QString& reason)
{
    if (m_skipReason.isEmpty())
        m_skipReason = reason;
    return false;
}

QString WaylandSession::logPath(const QString& name) const
{
    return m_logDir + u'/' + name + QStringLiteral(".log");
}

QString WaylandSession::logTail(const QString& name) const
{
    QFile log(logPath(name));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    const QByteArray all = log.readAll().trimmed();
    return QString::fromUtf8(all.right(600)) + QStringLiteral(" (") + logPath(name) + u')';
}

bool WaylandSession::resolveUser()
{
    if (geteuid() != 0) {
        const passwd* self = getpwuid(getuid());
        m_user = {self ? QString::fromLocal8Bit(self->pw_name) : QString(), getuid(), getgid(), {}, false};
        return true;
    }
    const QByteArray name = OCULO_WAYLAND_TEST_USER;
    const passwd* account = getpwnam(name.constData());
    if (!account)
        return fail(QStringLiteral("there is no user %1 to run sway as (it refuses root): scripts/bootstrap "
                                   "creates it when run as root")
                        .arg(QString::fromLatin1(name)));
    int count = 32;
    std::vector<gid_t> groups(count);
    if (getgrouplist(name.constData(), account->pw_gid, groups.data(), &count) < 0) {
        groups.resize(count);
        getgrouplist(name.constData(), account->pw_gid, groups.data(), &count);
    }
    groups.resize(count);
    m_user = {QString::fromLatin1(name), account->pw_uid, account->pw_gid, std::move(groups), true};
    return true;
}

bool WaylandSession::giveToUser(const QString& path) const
{
    if (!m_user.switchTo)
        return true;
    bool given = ::lchown(QFile::encodeName(path).constData(), m_user.uid, m_user.gid) == 0;
    QDirIterator inside(path, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
    while (inside.hasNext())
        given = ::lchown(QFile::encodeName(inside.next()).constData(), m_user.uid, m_user.gid) == 0 && given;
    return given;
}

QProcessEnvironment WaylandSession::environment() const
{
    const QProcessEnvironment system = QProcessEnvironment::systemEnvironment();
    QProcessEnvironment env;
    for (const char* name : {"PATH", "LANG", "LANGUAGE", "LC_ALL", "LC_CTYPE", "TZ", "OMP_THREAD_LIMIT",
                             "QT_LOGGING_RULES", "WAYLAND_DEBUG"}) {
        if (system.contains(QLatin1String(name)))
            env.insert(QLatin1String(name), system.value(QLatin1String(name)));
    }
    if (!env.contains(QStringLiteral("PATH")))
        env.insert(QStringLiteral("PATH"), QStringLiteral("/usr/local/bin:/usr/bin:/bin"));
    env.insert(QStringLiteral("HOME"), m_home.path());
    env.insert(QStringLiteral("USER"), m_user.name);
    env.insert(QStringLiteral("LOGNAME"), m_user.name);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath(QStringLiteral(".config")));
    env.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
    env.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QStringLiteral("sway"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    env.insert(QStringLiteral("GDK_BACKEND"), QStringLiteral("wayland"));
    if (!m_busAddress.isEmpty())
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_busAddress);
    if (!m_waylandDisplay.isEmpty())
        env.insert(QStringLiteral("WAYLAND_DISPLAY"), m_waylandDisplay);
    if (!m_swaySocket.isEmpty())
        env.insert(QStringLiteral("SWAYSOCK"), m_swaySocket);
    return env;
}

std::unique_ptr<QProcess> WaylandSession::makeProcess(const QProcessEnvironment& environment) const
{
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(environment);
    process->setWorkingDirectory(m_home.path());
    if (m_user.switchTo) {
        // In the child, between fork and exec: only system calls.
        process->setChildProcessModifier([user = m_user] {
            if (::setgroups(user.groups.size(), user.groups.data()) != 0 || ::setgid(user.gid) != 0 ||
                ::setuid(user.uid) != 0)
                ::_exit(126);
        });
    }
    return process;
}

std::unique_ptr<SessionProgram> WaylandSession::start(const QString& program, const QStringList& arguments,
                                                      const QProcessEnvironment& environment) const
{
    auto process = makeProcess(environment);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(program, arguments);
    if (!process->waitForStarted(30000))
        return nullptr;
    return std::make_unique<SessionProgram>(std::move(process));
}

std::optional<WaylandSession::Finished> WaylandSession::run(const QString& program,
                                                            const QStringList& arguments, int timeoutMs,
                                                            const QProcessEnvironment& environment) const
{
    auto process = makeProcess(environment.isEmpty() ? this->environment() : environment);
    process->start(program, arguments);
    if (!process->waitForStarted(30000))
        return std::nullopt;
    if (!process->waitForFinished(timeoutMs)) {
        SessionProgram(std::move(process)).stop();
        return std::nullopt;
    }
    if (process->exitStatus() != QProcess::NormalExit)
        return Finished{-1, process->readAllStandardOutput(), process->readAllStandardError()};
    return Finished{process->exitCode(), process->readAllStandardOutput(), process->readAllStandardError()};
}

SessionProgram* WaylandSession::startDaemon(const QString& name, const QString& program,
                                            const QStringList& arguments,
                                            const QProcessEnvironment& environment, bool keepOutput)
{
    auto process = makeProcess(environment);
    process->setStandardErrorFile(logPath(name));
    if (!keepOutput)
        process->setStandardOutputFile(logPath(name), QIODevice::Append);
    process->start(program, arguments);
    if (!process->waitForStarted(30000)) {
        fail(QStringLiteral("%1 did not start: %2").arg(program, process->errorString()));
        return nullptr;
    }
    m_daemons.push_back(std::make_unique<SessionProgram>(std::move(process)));
    return m_daemons.back().get();
}

bool WaylandSession::startBus()
{
    const QString config = m_home.filePath(QStringLiteral("session-bus.conf"));
    if (!writeFile(config, busConfig.arg(m_runtime.filePath(QStringLiteral("bus")))))
        return fail(QStringLiteral("cannot write ") + config);
    SessionProgram* bus = startDaemon(QStringLiteral("dbus-daemon"), QStringLiteral("dbus-daemon"),
                                      {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                                       QStringLiteral("--print-address")},
                                      environment(), true);
    if (!bus)
        return false;
    const std::optional<QString> address = bus->waitForLine(QStringLiteral("unix:"), 30000);
    if (!address)
        return fail(QStringLiteral("the session bus did not start: ") +
                    logTail(QStringLiteral("dbus-daemon")));
    m_busAddress = address->trimmed();
    return true;
}

bool WaylandSession::startCompositor()
{
    const QString config = m_home.filePath(QStringLiteral("sway.conf"));
    if (!writeFile(config, swayConfig.arg(outputSize.width()).arg(outputSize.height())) ||
        !giveToUser(config))
        return fail(QStringLiteral("cannot write ") + config);
    QProcessEnvironment env = environment();
    env.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
    env.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));
    env.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman"));
    m_compositor =
        startDaemon(QStringLiteral("sway"), QStringLiteral("sway"), {QStringLiteral("-c"), config}, env);
    if (!m_compositor)
        return false;
    // sway names its sockets after free display numbers and its process id.
    const QDir runtime(m_runtime.path());
    const bool up = QTest::qWaitFor(
        [&] {
            const QStringList displays = runtime.entryList({QStringLiteral("wayland-*")}, QDir::System);
            const QStringList ipc = runtime.entryList({QStringLiteral("sway-ipc.*.sock")}, QDir::System);
            if (displays.isEmpty() || ipc.isEmpty())
                return !m_compositor->isRunning();
            m_waylandDisplay = displays.first();
            m_swaySocket = runtime.filePath(ipc.first());
            return true;
        },
        60000);
    if (!up || m_waylandDisplay.isEmpty())
        return fail(QStringLiteral("sway did not start on its headless backend: ") +
                    logTail(QStringLiteral("sway")));
    // A seat without devices offers clients no pointer: the session's own virtual one.
    m_pointer = startDaemon(QStringLiteral("waylandpointer"), helperPath(QStringLiteral("waylandpointer")),
                            {QString::number(outputSize.width()), QString::number(outputSize.height())},
                            environment(), true);
    if (!m_pointer || !m_pointer->waitForLine(QStringLiteral("ready"), 30000))
        return fail(QStringLiteral("sway offers no virtual pointer: ") +
                    logTail(QStringLiteral("waylandpointer")));
    return true;
}

bool WaylandSession::startPortal()
{
    const QFileInfo scratch(portalScratchFile);
    if (scratch.exists() && scratch.ownerId() != m_user.uid &&
        !(geteuid() == 0 && QFile::remove(portalScratchFile)))
        return fail(
            QStringLiteral("%1 belongs to another user, so the Screenshot portal (which always writes "
                           "there) cannot work for %2: remove it")
                .arg(portalScratchFile, m_user.name));
    const QProcessEnvironment env = environment();
    const auto owned = [&](const QString& name) {
        return QTest::qWaitFor(
            [&] {
                const auto answer =
                    run(helperPath(QStringLiteral("waylandbusclient")), {QStringLiteral("owned"), name});
                return answer && answer->exitCode == 0;
            },
            30000);
    };
    // Without PipeWire the wlr backend gives up at once (it serves screen casts too).
    SessionProgram* pipewire = startDaemon(QStringLiteral("pipewire"), QStringLiteral("pipewire"), {}, env);
    if (!pipewire)
        return false;
    if (!QTest::qWaitFor([&] { return QFileInfo::exists(m_runtime.filePath(QStringLiteral("pipewire-0"))); },
                         30000))
        return fail(QStringLiteral("PipeWire did not start: ") + logTail(QStringLiteral("pipewire")));
    // xdg-desktop-portal 1.16 offers the Screenshot portal only with an Access backend too (for the
    // permission dialog of sandboxed applications), which only the gtk backend brings here.
    if (!startDaemon(QStringLiteral("xdg-desktop-portal-wlr"),
                     findProgram(QStringLiteral("xdg-desktop-portal-wlr")), {}, env) ||
        !startDaemon(QStringLiteral("xdg-desktop-portal-gtk"),
                     findProgram(QStringLiteral("xdg-desktop-portal-gtk")), {}, env))
        return false;
    // The frontend looks for its backends once, when it starts.
    if (!owned(QStringLiteral("org.freedesktop.impl.portal.desktop.wlr")))
        return fail(QStringLiteral("xdg-desktop-portal-wlr did not come up: ") +
                    logTail(QStringLiteral("xdg-desktop-portal-wlr")));
    if (!owned(QStringLiteral("org.freedesktop.impl.portal.desktop.gtk")))
        return fail(QStringLiteral("xdg-desktop-portal-gtk did not come up: ") +
                    logTail(QStringLiteral("xdg-desktop-portal-gtk")));
    if (!startDaemon(QStringLiteral("xdg-desktop-portal"), findProgram(QStringLiteral("xdg-desktop-portal")),
                     {QStringLiteral("--verbose")}, env))
        return false;
    const bool screenshots = QTest::qWaitFor(
        [&] {
            const auto answer =
                run(helperPath(QStringLiteral("waylandbusclient")), {QStringLiteral("portal")});
            return answer && answer->exitCode == 0;
        },
        60000);
    if (!screenshots)
        return fail(QStringLiteral("xdg-desktop-portal offers no Screenshot portal: ") +
                    logTail(QStringLiteral("xdg-desktop-portal")));
    return true;
}

qint64 WaylandSession::compositorPid() const
{
    return m_compositor ? m_compositor->pid() : 0;
}

QString WaylandSession::helperPath(const QString& name)
{
    return QStringLiteral(OCULO_WAYLAND_HELPERS_DIR "/") + name;
}
