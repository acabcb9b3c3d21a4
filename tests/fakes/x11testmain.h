// Support for tests that need a real X display: their main, the skips when no display or no xdotool
// can be had, and running xdotool.
#pragma once

#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <xcb/xcb.h>

// For main: without a display Qt cannot start on xcb, so the test starts on the offscreen platform instead
// and its initTestCase can say why it skips.
inline void useOffscreenWithoutDisplay()
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return;
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    xcb_disconnect(connection);
}

// Inside a test function: skips it unless Qt runs on a real X display.
#define OCULO_SKIP_WITHOUT_X_DISPLAY()                                                                       \
    if (QGuiApplication::platformName() != QLatin1String("xcb"))                                             \
    QSKIP("No X display could be opened (is DISPLAY set?): run through scripts/test, which starts Xvfb")

// Inside a test function: skips it when xdotool is not installed.
#define OCULO_SKIP_WITHOUT_XDOTOOL()                                                                         \
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())                                 \
    QSKIP("xdotool is not installed")

// Runs xdotool to completion; true when it succeeded.
inline bool runXdotool(const QStringList& arguments)
{
    return QProcess::execute(QStringLiteral("xdotool"), arguments) == 0;
}
