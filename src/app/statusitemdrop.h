// Which dragged files the application takes as an image to recognise: a drag is refused when one of
// its files is missing or a folder, and only the first file of a drop is used. Pure functions over the
// file system; decoding the image is left to the caller, off the main thread.
#pragma once

#include <QList>
#include <QUrl>

#include <optional>

namespace StatusItemDrop {

enum class DragOperation { none, copy };

// A drag without files is not refused here; its drop then finds nothing to use.
DragOperation dragOperation(const QList<QUrl>& urls);
// The local path of the file a drop uses, none when the drop has no usable file.
std::optional<QString> droppedFile(const QList<QUrl>& urls);

} // namespace StatusItemDrop
