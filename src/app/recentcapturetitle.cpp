#include "recentcapturetitle.h"

#include <QTextBoundaryFinder>

namespace RecentCaptureTitle {

QString of(const QStringList& lines)
{
    const QString title = lines.join(QChar(0x21A9));
    // Counting stops at the 26th character, so a long text costs no more than a short one.
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, title);
    int count = 0;
    qsizetype cut = -1;
    while (graphemes.toNextBoundary() != -1) {
        ++count;
        if (count == maximumLength)
            cut = graphemes.position();
        if (count > maximumLength)
            break;
    }
    if (count < maximumLength)
        return title;
    return title.left(cut) + QChar(0x2026);
}

} // namespace RecentCaptureTitle
