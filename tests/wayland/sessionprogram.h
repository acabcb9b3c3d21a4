// A program started in a test's Wayland session: its standard output kept line by line (unless it goes
// to a log file), lines written to its standard input, and its end. Stopped by its own process id, first
// asked (SIGTERM) and then killed, when stop() is called or the object goes.
#pragma once

#include <QProcess>
#include <QStringList>
#include <QTest>

#include <memory>
#include <optional>

class SessionProgram {
public:
    explicit SessionProgram(std::unique_ptr<QProcess> process)
        : m_process(std::move(process))
    {}
    ~SessionProgram() { stop(); }
    SessionProgram(const SessionProgram&) = delete;
    SessionProgram& operator=(const SessionProgram&) = delete;

    QProcess& process() { return *m_process; }
    qint64 pid() const { return m_process->processId(); }
    bool isRunning() const { return m_process->state() == QProcess::Running; }

    // Every whole line it printed so far.
    const QStringList& lines()
    {
        m_pending += m_process->readAllStandardOutput();
        qsizetype end;
        while ((end = m_pending.indexOf('\n')) >= 0) {
            m_lines.append(QString::fromUtf8(m_pending.left(end)));
            m_pending.remove(0, end + 1);
        }
        return m_lines;
    }

    // The first line from line number `from` on that starts with `prefix`, waiting up to `timeoutMs`.
    std::optional<QString> waitForLine(const QString& prefix, int timeoutMs, qsizetype from = 0)
    {
        std::optional<QString> found;
        (void)QTest::qWaitFor(
            [&] {
                const QStringList& all = lines();
                for (qsizetype i = from; i < all.size(); ++i) {
                    if (all.at(i).startsWith(prefix)) {
                        found = all.at(i);
                        return true;
                    }
                }
                return !isRunning() && !m_process->bytesAvailable();
            },
            timeoutMs);
        return found;
    }

    bool writeLine(const QString& line)
    {
        const QByteArray data = line.toUtf8() + '\n';
        return m_process->write(data) == data.size() && m_process->waitForBytesWritten(30000);
    }

    void stop(int graceMs = 5000)
    {
        if (m_process->state() == QProcess::NotRunning)
            return;
        m_process->terminate();
        if (!m_process->waitForFinished(graceMs)) {
            m_process->kill();
            m_process->waitForFinished(graceMs);
        }
    }

private:
    std::unique_ptr<QProcess> m_process;
    QByteArray m_pending;
    QStringList m_lines;
};
