// Hands work from a worker thread to the main thread's event loop. The work runs after the current
// event; a receiver that may be gone by then is held by a QPointer and checked inside the work, which
// is safe because receivers are destroyed on the main thread too.
#pragma once

#include <QCoreApplication>
#include <QMetaObject>

#include <utility>

template <typename Work> void postToMainThread(Work&& work)
{
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::forward<Work>(work), Qt::QueuedConnection);
}
