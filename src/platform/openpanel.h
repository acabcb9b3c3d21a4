// A modal file chooser. Main thread only.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

struct OpenPanelRequest {
    QString title;
    bool allowsMultipleSelection = false;
    bool canChooseDirectories = false;
    bool canChooseFiles = true;
    bool canCreateDirectories = false;
    QStringList allowedFileTypes; // extensions without the dot
};

class OpenPanel {
public:
    virtual ~OpenPanel() = default;
    // Runs the panel; the chosen paths when it ends with OK, none when it is cancelled.
    virtual std::optional<QStringList> runModal(const OpenPanelRequest& request) = 0;
};
