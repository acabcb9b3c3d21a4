// What the end-to-end tests put on and read from a real X display: a window with known text, a
// screenshot of the whole display saved for people to look at, and the clipboard as another client
// reads it.
#pragma once

#include <QDir>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QWidget>

namespace {

const QStringList paragraph{
    QStringLiteral("Drag a rectangle over any text on the screen,"),
    QStringLiteral("release the mouse button, and paste it into"),
    QStringLiteral("any other application you like."),
};

// A window that shows known text in a common UI font at 14 px.
class TextWindow : public QWidget {
public:
    TextWindow()
    {
        setWindowFlag(Qt::FramelessWindowHint);
        m_font = QFont(QStringLiteral("DejaVu Sans"));
        m_font.setPixelSize(14);
        setGeometry(200, 150, 520, 140);
    }
    // The text's bounding box in global coordinates, with a margin of `margin` pixels.
    QRect textArea(int margin) const
    {
        const QFontMetrics metrics(m_font);
        int width = 0;
        for (const QString& line : paragraph)
            width = std::max(width, metrics.horizontalAdvance(line));
        const QRect local(20, 20, width, lineHeight() * int(paragraph.size()));
        return local.adjusted(-margin, -margin, margin, margin).translated(geometry().topLeft());
    }
    // Whether the display shows the text now: a window is exposed a little before it is painted.
    bool textIsOnScreen() const;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        painter.setFont(m_font);
        painter.setPen(QColor(25, 25, 25));
        const QFontMetrics metrics(m_font);
        for (int i = 0; i < paragraph.size(); ++i)
            painter.drawText(20, 20 + i * lineHeight() + metrics.ascent(), paragraph.at(i));
    }

private:
    int lineHeight() const { return QFontMetrics(m_font).height() + 6; }
    QFont m_font;
};

// Whether the display shows dark text in `area` (global coordinates) now.
inline bool screenShowsText(const QRect& area)
{
    const QImage shown = QGuiApplication::primaryScreen()
                             ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                             .toImage();
    int dark = 0;
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x)
            dark += qGray(shown.pixel(x, y)) < 128;
    }
    return dark > 200;
}

inline bool TextWindow::textIsOnScreen() const
{
    return screenShowsText(textArea(0));
}

// An image of one line of text, as a screenshot tool would put it on the clipboard.
inline QImage oneLineImage(const QString& text)
{
    QImage image(460, 60, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(22);
    painter.setFont(font);
    painter.setPen(QColor(20, 20, 20));
    painter.drawText(QRect(16, 0, 440, 60), Qt::AlignVCenter, text);
    return image;
}

// Saves what the X server shows now under build/screenshots, for people to look at.
inline void screenshot(const QString& name)
{
    const QString dir = QStringLiteral(OCULO_BINARY_DIR "/screenshots");
    QDir().mkpath(dir);
    QProcess process;
    process.start(QStringLiteral("import"),
                  {QStringLiteral("-window"), QStringLiteral("root"), dir + u'/' + name});
    (void)QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 10000);
}

// Reads the clipboard with xclip while this process keeps serving its own selection.
inline QString clipboardThroughXclip()
{
    QProcess process;
    process.start(QStringLiteral("xclip"),
                  {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard")});
    if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 10000))
        return QStringLiteral("<xclip did not finish>");
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace
