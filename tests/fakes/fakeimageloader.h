// An image loader for unit tests: answers with the images set for a path or for encoded data, a null
// image otherwise. Thread-safe like the real one, and counts the loads.
#pragma once

#include "imageloader.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>

#include <atomic>

class FakeImageLoader : public ImageLoader {
public:
    void setFileImage(const QString& path, const QImage& image)
    {
        const QMutexLocker lock(&m_mutex);
        m_files.insert(path, image);
    }
    void setDataImage(const QByteArray& data, const QImage& image)
    {
        const QMutexLocker lock(&m_mutex);
        m_data.insert(data, image);
    }
    int loadCount() const { return m_loads; }

    QImage loadFile(const QString& path) const override
    {
        ++m_loads;
        const QMutexLocker lock(&m_mutex);
        return m_files.value(path);
    }
    QImage loadData(const QByteArray& data) const override
    {
        ++m_loads;
        const QMutexLocker lock(&m_mutex);
        return m_data.value(data);
    }

private:
    mutable QMutex m_mutex;
    mutable std::atomic<int> m_loads = 0;
    QHash<QString, QImage> m_files;
    QHash<QByteArray, QImage> m_data;
};
