#include "welcomewindow.h"

#include "oculoversion.h"
#include "welcomeview.h"

#include <QVBoxLayout>

#include <algorithm>

WelcomeWindow::WelcomeWindow(ScreenCaptureAccess access, const QStringList& installedRecognitionLanguages,
                             QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowStaysOnTopHint)
    , m_view(new WelcomeView(this, std::move(access), installedRecognitionLanguages))
{
    setWindowTitle(QString::fromUtf8(OculoVersion::name));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    setFixedSize(contentWidth, contentHeight);
}

void WelcomeWindow::runModal()
{
    exec();
}

void WelcomeWindow::showEvent(QShowEvent* event)
{
    const int neededHeight = std::max(contentHeight, m_view->heightForWidth(contentWidth));
    if (neededHeight != height()) {
        const QPoint center = geometry().center();
        setFixedSize(contentWidth, neededHeight);
        QRect frame(QPoint(), size());
        frame.moveCenter(center);
        move(frame.topLeft());
    }
    QDialog::showEvent(event);
}

void WelcomeWindow::centerOn(const QRect& area)
{
    QRect frame(QPoint(), size());
    frame.moveCenter(area.center());
    move(frame.topLeft());
}
