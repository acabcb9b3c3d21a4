// The desktop entry that starts Oculo at login: writing it for an executable, and reading back what an
// entry found in the autostart directory means for this Oculo. Pure functions over bytes and strings; any
// input, however malformed, gives an answer and never fails.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

namespace AutostartEntry {

// What an autostart entry is, seen from the Oculo that starts `executable`.
enum class Kind {
    foreign,  // not a desktop entry, or one that starts some other program: never touched
    disabled, // an entry of Oculo's that the session will not start (hidden, switched off, or another copy)
    enabled,  // an entry the session starts, and it starts this executable
};

// The full text of the entry for `executable` (an absolute path), UTF-8.
QByteArray contents(const QString& executable);

// What `data` (the bytes of the entry file) is. An entry is Oculo's when its Exec program has the same
// file name as `executable`; it is enabled when that program is `executable` itself (a bare program name
// is looked up on PATH), it is a valid application entry, and it is neither Hidden nor switched off
// through X-GNOME-Autostart-enabled.
Kind classify(const QByteArray& data, const QString& executable);

// The keys of the [Desktop Entry] group with their raw (still escaped) values, or nothing when the data is
// not a well-formed desktop entry (not UTF-8, a line that is neither a comment, a group header nor a
// key=value pair, a key given twice in one group, or a first group that is not [Desktop Entry]).
std::optional<QHash<QString, QString>> desktopEntryGroup(const QByteArray& data);

// String values: \s \n \t \r and \\ escapes.
QString escapeString(const QString& value);
QString unescapeString(const QString& value);

// Exec values (after unescapeString): one argument quoted when it needs to be, and a command line split into
// its arguments, or nothing when a quote is left open or an escape inside quotes is not allowed.
QString quoteExecArgument(const QString& argument);
std::optional<QStringList> splitExec(const QString& commandLine);

} // namespace AutostartEntry
