// The formatting step of localised texts: a small printf-style formatter over text arguments.
#pragma once

#include <QString>
#include <QStringList>

namespace Strings {

// "%@" takes the next argument and "%n$@" the n-th (from 1); "%%" is one percent sign. Any other
// conversion ("%d", "%-5s", "%lld" ...) is consumed: it takes an argument like "%@" (or, without one,
// nothing). A "%" that starts no conversion stays as it is. A missing argument formats as empty text.
QString formatString(const QString& format, const QStringList& arguments);

} // namespace Strings
