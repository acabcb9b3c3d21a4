// A window for the Wayland session tests, run as a program of its own on the session's compositor: it
// shows known lines of text, black on white in a large UI font, and says on standard output what a test
// needs to know about it, one line per fact:
//   size W H                 the window's size, each time it changes
//   painted W H              it drew itself at that size and handed the drawing to the compositor
//   text X Y W H             the bounding box of the text in window coordinates
//   rendered PATH            its own rendering at that size was saved to PATH (with --render PATH)
//   press X Y / move X Y / release X Y   pointer events in window coordinates
//   key NAME                 a key press, by its Qt name (Escape, A, ...)
//   copied                   the text of --copy-on-release went on the clipboard
// The lines to show are the arguments that are not options.
#include <QClipboard>
#include <QCommandLineParser>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPainter>
#include <QRasterWindow>

#include <cstdio>

namespace {

void say(const QString& line)
{
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

class TextWindow : public QRasterWindow {
public:
    TextWindow(QStringList lines, QString renderPath, QString copyOnRelease)
        : m_lines(std::move(lines))
        , m_renderPath(std::move(renderPath))
        , m_copyOnRelease(std::move(copyOnRelease))
    {
        m_font = QFont(QStringLiteral("DejaVu Sans"));
        m_font.setPixelSize(32);
        setTitle(QStringLiteral("Oculo Wayland test text"));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        paint(painter, size());
        // The drawing goes to the compositor when this returns.
        QMetaObject::invokeMethod(
            this,
            [drawn = size()] { say(QStringLiteral("painted %1 %2").arg(drawn.width()).arg(drawn.height())); },
            Qt::QueuedConnection);
    }

    void resizeEvent(QResizeEvent*) override
    {
        say(QStringLiteral("size %1 %2").arg(width()).arg(height()));
        const QRect text = textBox();
        say(QStringLiteral("text %1 %2 %3 %4")
                .arg(text.x())
                .arg(text.y())
                .arg(text.width())
                .arg(text.height()));
        if (!m_renderPath.isEmpty()) {
            QImage image(size(), QImage::Format_RGB32);
            QPainter painter(&image);
            paint(painter, size());
            painter.end();
            if (image.save(m_renderPath, "PNG"))
                say(QStringLiteral("rendered ") + m_renderPath);
        }
    }

    void mousePressEvent(QMouseEvent* event) override { report(QStringLiteral("press"), event); }
    void mouseMoveEvent(QMouseEvent* event) override { report(QStringLiteral("move"), event); }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        report(QStringLiteral("release"), event);
        if (!m_copyOnRelease.isEmpty()) {
            QGuiApplication::clipboard()->setText(m_copyOnRelease);
            say(QStringLiteral("copied"));
        }
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        say(QStringLiteral("key ") + QKeySequence(event->key()).toString(QKeySequence::PortableText));
    }

private:
    static constexpr int margin = 80;

    int lineHeight() const { return QFontMetrics(m_font).height() + 12; }

    QRect textBox() const
    {
        const QFontMetrics metrics(m_font);
        int width = 0;
        for (const QString& line : m_lines)
            width = std::max(width, metrics.horizontalAdvance(line));
        return QRect(margin, margin, width, lineHeight() * int(m_lines.size()));
    }

    void paint(QPainter& painter, QSize size) const
    {
        painter.fillRect(QRect(QPoint(), size), Qt::white);
        painter.setFont(m_font);
        painter.setPen(Qt::black);
        const QFontMetrics metrics(m_font);
        for (int i = 0; i < m_lines.size(); ++i)
            painter.drawText(margin, margin + i * lineHeight() + metrics.ascent(), m_lines.at(i));
    }

    void report(const QString& what, QMouseEvent* event)
    {
        const QPoint p = event->position().toPoint();
        say(QStringLiteral("%1 %2 %3").arg(what).arg(p.x()).arg(p.y()));
    }

    QStringList m_lines;
    QString m_renderPath;
    QString m_copyOnRelease;
    QFont m_font;
};

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption render(QStringLiteral("render"), QStringLiteral("Save the rendering to PATH."),
                                    QStringLiteral("PATH"));
    const QCommandLineOption copy(QStringLiteral("copy-on-release"),
                                  QStringLiteral("Put TEXT on the clipboard at each release."),
                                  QStringLiteral("TEXT"));
    parser.addOptions({render, copy});
    parser.addPositionalArgument(QStringLiteral("lines"), QStringLiteral("The lines to show."));
    parser.process(app);

    TextWindow window(parser.positionalArguments(), parser.value(render), parser.value(copy));
    window.resize(640, 400);
    window.show();
    return app.exec();
}
