#include "websearch.h"

#include <QUrl>

namespace WebSearch {

namespace {

bool isAlphanumeric(char32_t codePoint)
{
    switch (QChar::category(codePoint)) {
    case QChar::Letter_Uppercase:
    case QChar::Letter_Lowercase:
    case QChar::Letter_Titlecase:
    case QChar::Letter_Modifier:
    case QChar::Letter_Other:
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Number_DecimalDigit:
    case QChar::Number_Letter:
    case QChar::Number_Other:
        return true;
    default:
        return false;
    }
}

void appendEncoded(QString& out, char32_t codePoint)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    // Not QString::fromUcs4, which takes a leading U+FEFF for a byte order mark and drops it.
    const QByteArray bytes = QStringView(QChar::fromUcs4(codePoint)).toUtf8();
    for (char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        out.append(u'%');
        out.append(QLatin1Char(hex[value >> 4]));
        out.append(QLatin1Char(hex[value & 0xF]));
    }
}

} // namespace

std::optional<QString> percentEncodeAlphanumerics(const QString& text)
{
    QString out;
    out.reserve(text.size() * 3);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        char32_t codePoint = c.unicode();
        if (c.isHighSurrogate()) {
            if (i + 1 >= text.size() || !text.at(i + 1).isLowSurrogate())
                return std::nullopt;
            codePoint = QChar::surrogateToUcs4(c, text.at(i + 1));
            ++i;
        } else if (c.isLowSurrogate()) {
            return std::nullopt;
        }
        if (isAlphanumeric(codePoint))
            out.append(QString::fromUcs4(&codePoint, 1));
        else
            appendEncoded(out, codePoint);
    }
    return out;
}

std::optional<QString> searchUrl(const QString& urlPrefix, const QStringList& lines)
{
    const auto encoded = percentEncodeAlphanumerics(lines.join(u' '));
    if (!encoded)
        return std::nullopt;
    QString url = urlPrefix + *encoded;
    if (!QUrl(url, QUrl::StrictMode).isValid())
        return std::nullopt;
    return url;
}

} // namespace WebSearch
