// The web search of a result. The encoder keeps letters, marks and numbers (every category L, M and N,
// of every script) and writes every other character as "%XX" per UTF-8 byte in upper-case hexadecimal;
// text with an unpaired surrogate gives none. So its output holds only such characters and such
// escapes, percent-decodes to the text's UTF-8, and escapes no letter, mark or number. The search URL
// of each preset is valid for every text that encodes, and the query it sends decodes to the text.
// The input is UTF-16 (little-endian code units), so that unpaired surrogates occur.
#include "fuzztargets.h"

#include "defaultsearchengines.h"
#include "websearch.h"

#include <QStringDecoder>
#include <QtEndian>
#include <QUrl>

namespace FuzzTargets {

namespace {

void setUpWebSearch() {}

bool isKept(char32_t codePoint)
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

bool hasUnpairedSurrogate(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            return true;
    }
    return false;
}

int hexValue(QChar c)
{
    if (c >= u'0' && c <= u'9')
        return c.unicode() - u'0';
    if (c >= u'A' && c <= u'F')
        return c.unicode() - u'A' + 10;
    return -1; // lower case is not the encoder's
}

// A run of escapes decodes to whole characters, none of which should have stayed as it was.
void checkEscapedRun(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return;
    // A decoder that keeps U+FEFF at the start, where QString::fromUtf8 drops it as a byte order mark.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    const QString characters = decoder(bytes);
    FUZZ_CHECK(!decoder.hasError());
    FUZZ_CHECK(characters.toUtf8() == bytes);
    for (const char32_t codePoint : characters.toUcs4())
        FUZZ_CHECK(!isKept(codePoint));
}

// Undoes the encoding, checking its form on the way: the UTF-8 of the text the encoder was given.
QByteArray decoded(const QString& encoded)
{
    QByteArray bytes;
    QByteArray run;
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == u'%') {
            FUZZ_CHECK(i + 2 < encoded.size());
            const int high = hexValue(encoded[i + 1]);
            const int low = hexValue(encoded[i + 2]);
            FUZZ_CHECK(high >= 0 && low >= 0);
            run.append(char(high << 4 | low));
            i += 2;
            continue;
        }
        checkEscapedRun(run);
        bytes += run;
        run.clear();
        char32_t codePoint = encoded[i].unicode();
        if (encoded[i].isHighSurrogate()) {
            FUZZ_CHECK(i + 1 < encoded.size() && encoded[i + 1].isLowSurrogate());
            codePoint = QChar::surrogateToUcs4(encoded[i], encoded[i + 1]);
            ++i;
        }
        FUZZ_CHECK(!QChar::isSurrogate(codePoint));
        FUZZ_CHECK(isKept(codePoint));
        bytes += QString::fromUcs4(&codePoint, 1).toUtf8();
    }
    checkEscapedRun(run);
    return bytes + run;
}

void runWebSearch(QByteArrayView input)
{
    QString text(input.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        text[i] = QChar(qFromLittleEndian<quint16>(input.data() + 2 * i));

    const std::optional<QString> encoded = WebSearch::percentEncodeAlphanumerics(text);
    FUZZ_CHECK(encoded.has_value() == !hasUnpairedSurrogate(text));
    if (encoded)
        FUZZ_CHECK(decoded(*encoded) == text.toUtf8());

    // As the application asks for it: the result's lines, joined with spaces.
    const QStringList lines = text.split(u'\n');
    const QString joined = lines.join(u' ');
    for (const DefaultSearchEngines engine : allDefaultSearchEngines) {
        const QString prefix = rawValue(engine);
        const std::optional<QString> url = WebSearch::searchUrl(prefix, lines);
        FUZZ_CHECK(url.has_value() == encoded.has_value());
        if (!url)
            continue;
        FUZZ_CHECK(QUrl(*url, QUrl::StrictMode).isValid());
        FUZZ_CHECK(url->startsWith(prefix) && prefix.endsWith(u"q="));
        FUZZ_CHECK(QByteArray::fromPercentEncoding(url->sliced(prefix.size()).toUtf8()) == joined.toUtf8());
    }
}

} // namespace

const Target webSearch{"websearch", &setUpWebSearch, &runWebSearch};

} // namespace FuzzTargets
