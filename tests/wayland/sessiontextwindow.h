// The test window of the Wayland session tests (waylandtextwindow), started in a session and followed:
// where sway shows it, the size it was given, where its text is.
#pragma once

#include "waylandsession.h"

#include <memory>

class SessionTextWindow {
public:
    // Starts it with these lines and waits until sway shows it; isShown() is false when it did not.
    SessionTextWindow(const WaylandSession& session, const QStringList& lines,
                      const QStringList& options = {})
        : m_session(session)
        , m_program(
              session.start(WaylandSession::helperPath(QStringLiteral("waylandtextwindow")), options + lines))
    {
        if (!m_program)
            return;
        m_shown = QTest::qWaitFor(
            [&] {
                const std::optional<SwayWindow> shown = window();
                return shown && shown->visible;
            },
            30000);
    }

    bool isShown() const { return m_shown; }
    SessionProgram& program() { return *m_program; }
    qint64 pid() const { return m_program ? m_program->pid() : 0; }

    // The window in sway's tree now.
    std::optional<SwayWindow> window() const
    {
        for (const SwayWindow& window : m_session.windows()) {
            if (window.pid == pid())
                return window;
        }
        return std::nullopt;
    }

    // The last size the window said it has, and its text's bounding box in its own coordinates.
    QSize size()
    {
        return QSize(numbers(QStringLiteral("size ")).value(0), numbers(QStringLiteral("size ")).value(1));
    }
    QRect textBox()
    {
        const QList<int> box = numbers(QStringLiteral("text "));
        return box.size() == 4 ? QRect(box[0], box[1], box[2], box[3]) : QRect();
    }

    // Waits until the window says it has the size of the output and has drawn itself at that size: a
    // pointer event outside its first, smaller drawing would reach nobody.
    bool waitForOutputSize()
    {
        return QTest::qWaitFor(
            [&] {
                const QList<int> painted = numbers(QStringLiteral("painted "));
                return size() == WaylandSession::outputSize && painted.size() == 2 &&
                       QSize(painted[0], painted[1]) == WaylandSession::outputSize;
            },
            30000);
    }

private:
    QList<int> numbers(const QString& prefix)
    {
        QList<int> values;
        const QStringList& lines = m_program->lines();
        for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
            if (!line->startsWith(prefix))
                continue;
            for (const QString& number : line->mid(prefix.size()).split(u' ', Qt::SkipEmptyParts))
                values.append(number.toInt());
            break;
        }
        return values;
    }

    const WaylandSession& m_session;
    std::unique_ptr<SessionProgram> m_program;
    bool m_shown = false;
};
