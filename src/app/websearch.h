// The web search of a result: the lines joined with spaces, percent-encoded so that only letters,
// marks and digits of every script stay as they are, and appended to the URL prefix. Pure functions.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace WebSearch {

// Every character that is not a letter, mark or number becomes "%XX" per UTF-8 byte (upper-case
// hexadecimal). None for text that is no valid Unicode (an unpaired surrogate).
std::optional<QString> percentEncodeAlphanumerics(const QString& text);

// The prefix followed directly by the encoded text, as text to be opened as it is (a QUrl would decode
// some escapes); none when the text cannot be encoded or the result is not a valid URL.
std::optional<QString> searchUrl(const QString& urlPrefix, const QStringList& lines);

} // namespace WebSearch
