// Clipboard content handed out by the history for its copy command: one plain-text object, which the
// history window puts on the clipboard as text/plain.
#pragma once

#include <QString>

struct ItemProvider {
    QString plainText;

    bool operator==(const ItemProvider&) const = default;
};
