// What a test does in its Wayland session: sway's IPC and tree, the pointer, the Screenshot portal, the
// clipboard and the keyboard.
#include "waylandsession.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QUrl>

namespace {

// Every window (view) in a node of sway's tree and below it.
void collectWindows(const QJsonObject& node, QList<SwayWindow>& windows)
{
    if (node.contains(QStringLiteral("pid"))) {
        const auto value = [&](const char* key) { return node.value(QLatin1String(key)); };
        const QJsonObject rect = value("rect").toObject();
        SwayWindow window;
        window.pid = value("pid").toInteger();
        window.appId = value("app_id").toString();
        window.title = value("name").toString();
        window.rect =
            QRect(rect.value(QStringLiteral("x")).toInt(), rect.value(QStringLiteral("y")).toInt(),
                  rect.value(QStringLiteral("width")).toInt(), rect.value(QStringLiteral("height")).toInt());
        window.fullscreen = value("fullscreen_mode").toInt() != 0;
        window.visible = value("visible").toBool();
        window.focused = value("focused").toBool();
        window.floating = value("type").toString() == QStringLiteral("floating_con");
        windows.append(window);
    }
    for (const char* children : {"nodes", "floating_nodes"}) {
        for (const QJsonValue child : node.value(QLatin1String(children)).toArray())
            collectWindows(child.toObject(), windows);
    }
}

} // namespace

bool WaylandSession::swaymsg(const QStringList& arguments) const
{
    const auto answer = run(QStringLiteral("swaymsg"), arguments);
    return answer && answer->exitCode == 0;
}

QList<SwayWindow> WaylandSession::windows() const
{
    QList<SwayWindow> windows;
    const auto tree = run(QStringLiteral("swaymsg"),
                          {QStringLiteral("-r"), QStringLiteral("-t"), QStringLiteral("get_tree")});
    if (tree && tree->exitCode == 0)
        collectWindows(QJsonDocument::fromJson(tree->output).object(), windows);
    return windows;
}

bool WaylandSession::pointerCommand(const QString& command)
{
    if (!m_pointer)
        return false;
    const qsizetype before = m_pointer->lines().size();
    return m_pointer->writeLine(command) && m_pointer->waitForLine(QStringLiteral("ok"), 30000, before);
}

bool WaylandSession::movePointer(QPoint to)
{
    return pointerCommand(QStringLiteral("move %1 %2").arg(to.x()).arg(to.y()));
}

bool WaylandSession::pressButton()
{
    return pointerCommand(QStringLiteral("press"));
}

bool WaylandSession::releaseButton()
{
    return pointerCommand(QStringLiteral("release"));
}

bool WaylandSession::drag(QPoint from, QPoint to, int steps)
{
    if (!movePointer(from) || !pressButton())
        return false;
    for (int step = 1; step <= steps; ++step) {
        QTest::qWait(20);
        if (!movePointer(from + (to - from) * step / steps))
            return false;
    }
    QTest::qWait(20);
    return releaseButton();
}

QImage WaylandSession::screenshot(QString* error, qint64* tookMs) const
{
    const auto answer =
        run(helperPath(QStringLiteral("waylandbusclient")), {QStringLiteral("screenshot")}, 60000);
    if (!answer || answer->exitCode != 0) {
        if (error)
            *error =
                answer ? QString::fromUtf8(answer->errors).trimmed() : QStringLiteral("no answer in time");
        return {};
    }
    QString uri;
    for (const QString& line : QString::fromUtf8(answer->output).split(u'\n')) {
        if (line.startsWith(QStringLiteral("uri ")))
            uri = line.mid(4);
        else if (line.startsWith(QStringLiteral("took ")) && tookMs)
            *tookMs = line.mid(5).toLongLong();
    }
    const QImage image(QUrl(uri).toLocalFile());
    if (image.isNull() && error)
        *error = QStringLiteral("the portal's image %1 cannot be read").arg(uri);
    return image;
}

QString WaylandSession::clipboardText() const
{
    const auto answer = run(QStringLiteral("wl-paste"), {QStringLiteral("--no-newline")});
    return answer && answer->exitCode == 0 ? QString::fromUtf8(answer->output) : QString();
}

bool WaylandSession::clearClipboard() const
{
    const auto answer = run(QStringLiteral("wl-copy"), {QStringLiteral("--clear")});
    return answer && answer->exitCode == 0;
}

bool WaylandSession::typeKey(const QString& keyName) const
{
    // The client binds the new keyboard first: a key sent at once would reach nobody.
    const auto answer = run(QStringLiteral("wtype"),
                            {QStringLiteral("-s"), QStringLiteral("300"), QStringLiteral("-k"), keyName});
    return answer && answer->exitCode == 0;
}
