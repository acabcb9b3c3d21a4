#include "filedialogopenpanel.h"

#include <QFileDialog>

std::optional<QStringList> FileDialogOpenPanel::runModal(const OpenPanelRequest& request)
{
    QFileDialog dialog;
    configure(dialog, request);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.selectedFiles();
}

void FileDialogOpenPanel::configure(QFileDialog& dialog, const OpenPanelRequest& request)
{
    dialog.setWindowTitle(request.title);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // A panel for directories only; every other request chooses files, which is all a file dialog
    // can offer at once.
    const bool directories = request.canChooseDirectories && !request.canChooseFiles;
    if (directories)
        dialog.setFileMode(QFileDialog::Directory);
    else
        dialog.setFileMode(request.allowsMultipleSelection ? QFileDialog::ExistingFiles
                                                           : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::ShowDirsOnly, directories);
    dialog.setOption(QFileDialog::ReadOnly, !request.canCreateDirectories);
    const QString filter = nameFilter(request.allowedFileTypes);
    if (!directories && !filter.isEmpty())
        dialog.setNameFilter(filter);
}

QString FileDialogOpenPanel::nameFilter(const QStringList& extensions)
{
    QStringList patterns;
    for (QString extension : extensions) {
        extension = extension.trimmed();
        while (extension.startsWith(QLatin1Char('.')))
            extension.remove(0, 1);
        if (extension.isEmpty())
            continue;
        for (const QString& variant : {extension, extension.toLower(), extension.toUpper()}) {
            const QString pattern = QStringLiteral("*.") + variant;
            if (!patterns.contains(pattern))
                patterns.append(pattern);
        }
    }
    return patterns.join(QLatin1Char(' '));
}
