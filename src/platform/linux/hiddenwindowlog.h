// Remembers where the application's top-level windows were when they were last hidden, so that a
// picture of the display taken a moment later can wait for the desktop to paint over them (a menu that
// closed as its item was chosen, a window closed on the way). Watches the whole application's events
// from its construction. Main thread only.
#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QRegion>

#include <chrono>

class HiddenWindowLog : public QObject {
    Q_OBJECT
public:
    explicit HiddenWindowLog(QObject* parent = nullptr);

    // The area, in global top-down points, of the windows hidden within `age` before now.
    QRegion hiddenWithin(std::chrono::milliseconds age) const;
    // The area a visible window covers on the screen: its frame, or only its mask where it has one.
    static QRegion coveredArea(const QWidget& window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Entry {
        QRegion area;
        qint64 hiddenAt = 0;
    };
    QElapsedTimer m_clock;
    QList<Entry> m_entries;
};
