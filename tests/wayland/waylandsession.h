// A headless Wayland session of a test's own: a private runtime folder and session bus, sway on its
// headless backend with one output of a known size, a pointer device, and the Screenshot portal
// (xdg-desktop-portal with its wlr and gtk backends), every program started here and stopped by its own
// process id. As root, the session and every program in it run as the unprivileged test user that
// scripts/bootstrap creates (sway refuses to run as root); otherwise as the current user. Made on the
// test's thread; when something it needs is missing, isRunning() is false and skipReason() says what.
#pragma once

#include "sessionprogram.h"

#include <QImage>
#include <QJsonObject>
#include <QProcessEnvironment>
#include <QRect>
#include <QTemporaryDir>

#include <memory>
#include <optional>
#include <sys/types.h>
#include <vector>

// A window as sway's tree shows it.
struct SwayWindow {
    qint64 pid = 0;
    QString appId;
    QString title;
    QRect rect;
    bool fullscreen = false;
    bool visible = false;
    bool focused = false;
    bool floating = false; // over the tiled windows rather than beside them
};

// Who the programs of the session run as.
struct SessionUser {
    QString name;
    uid_t uid = 0;
    gid_t gid = 0;
    std::vector<gid_t> groups;
    bool switchTo = false; // the test runs as root: become this user in each started program
};

class WaylandSession {
public:
    static constexpr QSize outputSize{1280, 800};

    WaylandSession();
    ~WaylandSession();
    WaylandSession(const WaylandSession&) = delete;
    WaylandSession& operator=(const WaylandSession&) = delete;

    bool isRunning() const { return m_skipReason.isEmpty(); }
    QString skipReason() const { return m_skipReason; }
    const SessionUser& user() const { return m_user; }
    qint64 compositorPid() const;

    // The environment of a program in the session (Wayland display, bus, runtime and home folders,
    // no X display), and a folder of the user's own for files of the test.
    QProcessEnvironment environment() const;
    QString homePath() const { return m_home.path(); }
    QString runtimePath() const { return m_runtime.path(); }
    // Hands a file or folder made by the test (and all inside it) to the session's user.
    bool giveToUser(const QString& path) const;

    // Starts a program of the session; its standard output is kept line by line.
    std::unique_ptr<SessionProgram> start(const QString& program, const QStringList& arguments,
                                          const QProcessEnvironment& environment) const;
    std::unique_ptr<SessionProgram> start(const QString& program, const QStringList& arguments) const
    {
        return start(program, arguments, environment());
    }
    // Runs one to its end; nullopt when it could not start or did not end in time.
    struct Finished {
        int exitCode = -1;
        QByteArray output;
        QByteArray errors;
    };
    std::optional<Finished> run(const QString& program, const QStringList& arguments, int timeoutMs = 30000,
                                const QProcessEnvironment& environment = {}) const;

    bool swaymsg(const QStringList& arguments) const;
    QList<SwayWindow> windows() const;

    // The pointer device: moves are in output coordinates; true once the compositor took the event.
    bool movePointer(QPoint to);
    bool pressButton();
    bool releaseButton();
    bool drag(QPoint from, QPoint to, int steps = 8);

    // An image of the display through the Screenshot portal, as the product gets one; null with
    // `error` set when the portal gave none. `tookMs` is how long the portal took.
    QImage screenshot(QString* error = nullptr, qint64* tookMs = nullptr) const;

    QString clipboardText() const; // as wl-paste reads it
    bool clearClipboard() const;

    // Presses and releases a key on a virtual keyboard (wtype), for the window that has the focus.
    bool typeKey(const QString& keyName) const;

    static QString helperPath(const QString& name);

private:
    bool resolveUser();
    bool startBus();
    bool startCompositor();
    bool startPortal();
    std::unique_ptr<QProcess> makeProcess(const QProcessEnvironment& environment) const;
    // A program that lives as long as the session, its output in its log file (or kept with `keepOutput`).
    SessionProgram* startDaemon(const QString& name, const QString& program, const QStringList& arguments,
                                const QProcessEnvironment& environment, bool keepOutput = false);
    QString logTail(const QString& name) const;
    bool pointerCommand(const QString& command);
    bool fail(const QString& reason);
    QString logPath(const QString& name) const;

    SessionUser m_user;
    QTemporaryDir m_runtime{QStringLiteral("/tmp/oculo-wayland-run-XXXXXX")};
    QTemporaryDir m_home{QStringLiteral("/tmp/oculo-wayland-home-XXXXXX")};
    QString m_logDir;
    QString m_busAddress;
    QString m_waylandDisplay;
    QString m_swaySocket;
    // In the order they started; stopped the other way round.
    std::vector<std::unique_ptr<SessionProgram>> m_daemons;
    SessionProgram* m_compositor = nullptr;
    SessionProgram* m_pointer = nullptr;
    QString m_skipReason;
};
