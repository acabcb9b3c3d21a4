// The open panel as a modal QFileDialog. Main thread only; a dialog that is closed or cancelled
// answers with no paths.
#pragma once

#include "openpanel.h"

class QFileDialog;

class FileDialogOpenPanel : public OpenPanel {
public:
    FileDialogOpenPanel() = default;

    std::optional<QStringList> runModal(const OpenPanelRequest& request) override;

    // Sets the dialog's title, mode, options and filter for the request.
    static void configure(QFileDialog& dialog, const OpenPanelRequest& request);
    // "*.png *.PNG *.jpg *.JPG" for {"png", "jpg"}; empty (every file) without extensions.
    static QString nameFilter(const QStringList& extensions);
};
