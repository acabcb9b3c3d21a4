// One non-interactive screenshot through the desktop portal's Screenshot interface: the request, the
// wait for its answer and the image file the portal names. The portal answers asynchronously; take()
// waits for the answer in a nested event loop of its own, at most `timeout`. Main thread only; a portal
// that is missing, refuses or fails gives no image and says why in the log, once until it works again.
#pragma once

#include <QDBusConnection>
#include <QImage>
#include <QString>

#include <optional>

class PortalScreenshot {
public:
    enum class Answer { granted, refused, failed };
    struct Result {
        Answer answer = Answer::failed;
        QImage image; // the whole desktop, in its pixels; null unless granted
    };

    explicit PortalScreenshot(QDBusConnection bus);

    // Whether the session bus offers the portal's Screenshot interface at all.
    bool isOffered() const;
    Result take(int timeout = 5000);

    // The object path the portal announces its answer on for this connection and token, as the portal
    // names request objects.
    static QString requestPath(const QString& uniqueName, const QString& token);

private:
    void report(const QString& why);

    QDBusConnection m_bus;
    int m_requests = 0;
    bool m_failureReported = false;
};
