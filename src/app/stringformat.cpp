#include "stringformat.h"

namespace Strings {

namespace {

bool isFlag(QChar c)
{
    return c == u'-' || c == u'+' || c == u' ' || c == u'#' || c == u'0' || c == u'\'';
}

bool isLengthModifier(QChar c)
{
    return c == u'h' || c == u'l' || c == u'q' || c == u'L' || c == u'z' || c == u't' || c == u'j';
}

bool isConversion(QChar c)
{
    static const QString conversions = QStringLiteral("@diouxXDOUeEfFgGaAcCsSp");
    return conversions.contains(c);
}

} // namespace

QString formatString(const QString& format, const QStringList& arguments)
{
    if (!format.contains(u'%'))
        return format;

    QString result;
    result.reserve(format.size());
    qsizetype nextArgument = 0;
    const qsizetype size = format.size();
    qsizetype i = 0;
    while (i < size) {
        const QChar c = format.at(i);
        if (c != u'%') {
            result.append(c);
            ++i;
            continue;
        }
        if (i + 1 < size && format.at(i + 1) == u'%') {
            result.append(u'%');
            i += 2;
            continue;
        }
        // % [position$] [flags] [width] [.precision] [length] conversion
        qsizetype j = i + 1;
        qsizetype position = -1;
        qsizetype digitsEnd = j;
        while (digitsEnd < size && format.at(digitsEnd).isDigit())
            ++digitsEnd;
        if (digitsEnd > j && digitsEnd < size && format.at(digitsEnd) == u'$') {
            position = format.mid(j, digitsEnd - j).toLongLong() - 1;
            j = digitsEnd + 1;
        }
        while (j < size && isFlag(format.at(j)))
            ++j;
        while (j < size && (format.at(j).isDigit() || format.at(j) == u'*'))
            ++j;
        if (j < size && format.at(j) == u'.') {
            ++j;
            while (j < size && (format.at(j).isDigit() || format.at(j) == u'*'))
                ++j;
        }
        while (j < size && isLengthModifier(format.at(j)))
            ++j;
        if (j >= size || !isConversion(format.at(j))) {
            result.append(c);
            ++i;
            continue;
        }
        const qsizetype index = position >= 0 ? position : nextArgument++;
        if (index >= 0 && index < arguments.size())
            result.append(arguments.at(index));
        i = j + 1;
    }
    return result;
}

} // namespace Strings
