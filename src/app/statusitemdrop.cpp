#include "statusitemdrop.h"

#include <QFileInfo>

namespace StatusItemDrop {

DragOperation dragOperation(const QList<QUrl>& urls)
{
    for (const QUrl& url : urls) {
        const QFileInfo file(url.toLocalFile());
        if (!url.isLocalFile() || !file.exists() || file.isDir())
            return DragOperation::none;
    }
    return DragOperation::copy;
}

std::optional<QString> droppedFile(const QList<QUrl>& urls)
{
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return std::nullopt;
    const QFileInfo file(urls.first().toLocalFile());
    if (!file.exists() || file.isDir())
        return std::nullopt;
    return file.absoluteFilePath();
}

} // namespace StatusItemDrop
