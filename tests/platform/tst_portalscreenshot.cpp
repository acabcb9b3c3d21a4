// The desktop portal's screenshot as Oculo asks for it, against a portal of the test's own on a private
// session bus: the request, the answer on the request's path, the image file and what becomes of it.
#include "baresessionbus.h"
#include "wayland/displaycaptureportal.h"
#include "wayland/portalscreenshot.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

namespace {

// The Screenshot interface of a portal: answers each request after a little while, as told.
class FakeScreenshotPortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Screenshot")
    Q_PROPERTY(uint version READ version)
public:
    enum class Behaviour { grant, refuse, stayQuiet, nameItsOwnRequest, grantNoImage };

    FakeScreenshotPortal(QDBusConnection bus, QString folder)
        : m_bus(std::move(bus))
        , m_folder(std::move(folder))
    {}

    uint version() const { return 2; }
    Behaviour behaviour = Behaviour::grant;
    QImage image;
    QVariantMap lastOptions;
    QString lastFile;
    int requests = 0;

public slots:
    QDBusObjectPath Screenshot(const QString&, const QVariantMap& options, const QDBusMessage& message)
    {
        ++requests;
        lastOptions = options;
        QString path =
            PortalScreenshot::requestPath(message.service(), options.value("handle_token").toString());
        if (behaviour == Behaviour::nameItsOwnRequest)
            path = QStringLiteral("/org/freedesktop/portal/desktop/request/legacy/%1").arg(requests);
        if (behaviour == Behaviour::stayQuiet)
            return QDBusObjectPath(path);
        const Behaviour now = behaviour;
        QTimer::singleShot(20, this, [this, path, now] {
            uint response = 0;
            QVariantMap results;
            if (now == Behaviour::refuse) {
                response = 1;
            } else {
                lastFile = m_folder + QStringLiteral("/Screenshot-%1.png").arg(requests);
                if (now == Behaviour::grantNoImage) {
                    QFile file(lastFile);
                    file.open(QIODevice::WriteOnly);
                    file.write("not a picture");
                } else {
                    image.save(lastFile);
                }
                results.insert(QStringLiteral("uri"), QUrl::fromLocalFile(lastFile).toString());
            }
            QDBusMessage signal = QDBusMessage::createSignal(
                path, QStringLiteral("org.freedesktop.portal.Request"), "Response");
            signal << response << results;
            m_bus.send(signal);
        });
        return QDBusObjectPath(path);
    }

private:
    QDBusConnection m_bus;
    QString m_folder;
};

QImage desktopPicture(const QSize& size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.fillRect(QRect(0, 0, size.width() / 3, size.height()), Qt::red);
    painter.fillRect(QRect(size.width() / 3, 0, size.width() - size.width() / 3, size.height() / 2),
                     Qt::blue);
    return image;
}

} // namespace

class TestPortalScreenshot : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (m_bus.address().isEmpty())
            QSKIP("dbus-daemon did not start: install the packages of scripts/packages");
        m_client =
            std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(m_bus.address(), "client"));
        m_service =
            std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(m_bus.address(), "service"));
        QVERIFY(m_client->isConnected() && m_service->isConnected());
        // The portal answers from a thread of its own, as a portal process would, so that a blocking
        // call of the client finds it answering.
        m_portal = std::make_unique<FakeScreenshotPortal>(*m_service, m_folder.path());
        m_portal->image = desktopPicture({300, 100});
        m_portalThread.start();
        m_portal->moveToThread(&m_portalThread);
    }

    void cleanupTestCase()
    {
        m_portalThread.quit();
        m_portalThread.wait();
    }

    void requestPathsAreNamedAfterTheSender()
    {
        QCOMPARE(PortalScreenshot::requestPath(":1.42", "oculo1"),
                 QString("/org/freedesktop/portal/desktop/request/1_42/oculo1"));
    }

    void noPortalIsNoAccessAndNoImage()
    {
        PortalScreenshot screenshot(*m_client);
        QVERIFY(!screenshot.isOffered());
        DisplayCapturePortal capture(*m_client);
        QVERIFY(!capture.hasScreenCaptureAccess());
        QElapsedTimer timer;
        timer.start();
        const PortalScreenshot::Result result = screenshot.take(2000);
        QCOMPARE(result.answer, PortalScreenshot::Answer::failed);
        QVERIFY(result.image.isNull());
        QVERIFY(timer.elapsed() < 1500); // the bus says at once that nobody has the name

        PortalScreenshot disconnected(QDBusConnection(QStringLiteral("no-such-connection")));
        QVERIFY(!disconnected.isOffered());
        QCOMPARE(disconnected.take().answer, PortalScreenshot::Answer::failed);
    }

    void aGrantedScreenshotIsTheImageAndItsFileGoes()
    {
        registerPortal();
        PortalScreenshot screenshot(*m_client);
        QVERIFY(screenshot.isOffered());
        m_portal->behaviour = FakeScreenshotPortal::Behaviour::grant;
        const PortalScreenshot::Result result = screenshot.take();
        QCOMPARE(result.answer, PortalScreenshot::Answer::granted);
        QCOMPARE(result.image.size(), QSize(300, 100));
        QCOMPARE(result.image.pixelColor(10, 10), QColor(Qt::red));
        QCOMPARE(result.image.pixelColor(200, 90), QColor(Qt::white));
        QCOMPARE(m_portal->lastOptions.value("interactive").toBool(), false);
        QVERIFY(!QFile::exists(m_portal->lastFile));

        // The next request has a token of its own.
        const QString first = m_portal->lastOptions.value("handle_token").toString();
        QCOMPARE(screenshot.take().answer, PortalScreenshot::Answer::granted);
        QVERIFY(m_portal->lastOptions.value("handle_token").toString() != first);
    }

    void refusalsSilenceAndBadFilesGiveNoImage()
    {
        registerPortal();
        PortalScreenshot screenshot(*m_client);
        // Every failure below is one line of the log together: a capture after a capture says nothing new.
        static int warnings = 0;
        warnings = 0;
        const QtMessageHandler previous =
            qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
                if (type == QtWarningMsg && text.startsWith("No display image"))
                    ++warnings;
            });
        m_portal->behaviour = FakeScreenshotPortal::Behaviour::refuse;
        PortalScreenshot::Result result = screenshot.take();
        QCOMPARE(result.answer, PortalScreenshot::Answer::refused);
        QVERIFY(result.image.isNull());

        m_portal->behaviour = FakeScreenshotPortal::Behaviour::stayQuiet;
        QElapsedTimer timer;
        timer.start();
        result = screenshot.take(300);
        QCOMPARE(result.answer, PortalScreenshot::Answer::failed);
        QVERIFY2(timer.elapsed() >= 250 && timer.elapsed() < 2000,
                 qPrintable(QString::number(timer.elapsed())));

        m_portal->behaviour = FakeScreenshotPortal::Behaviour::grantNoImage;
        result = screenshot.take();
        QCOMPARE(result.answer, PortalScreenshot::Answer::failed);
        QVERIFY(result.image.isNull());
        qInstallMessageHandler(previous);
        QCOMPARE(warnings, 1);
    }

    void anOlderPortalNamingItsOwnRequestIsHeardToo()
    {
        registerPortal();
        PortalScreenshot screenshot(*m_client);
        m_portal->behaviour = FakeScreenshotPortal::Behaviour::nameItsOwnRequest;
        const PortalScreenshot::Result result = screenshot.take();
        QCOMPARE(result.answer, PortalScreenshot::Answer::granted);
        QCOMPARE(result.image.size(), QSize(300, 100));
    }

    void theAccessIsThePortalsLastAnswer()
    {
        registerPortal();
        DisplayCapturePortal capture(*m_client);
        QVERIFY(capture.hasScreenCaptureAccess());
        m_portal->behaviour = FakeScreenshotPortal::Behaviour::refuse;
        capture.requestScreenCaptureAccess();
        QVERIFY(!capture.hasScreenCaptureAccess());
        m_portal->behaviour = FakeScreenshotPortal::Behaviour::grant;
        capture.requestScreenCaptureAccess();
        QVERIFY(capture.hasScreenCaptureAccess());
    }

    void eachScreenIsCutOutOfTheDesktop()
    {
        // Two screens side by side: 100x100 at the left, 200x100 to its right.
        const QRect desktop(0, 0, 300, 100);
        const QImage image = desktopPicture({300, 100});
        QImage left =
            DisplayCapturePortal::screenImage(image, desktop, QRect(0, 0, 100, 100), QSize(100, 100));
        QCOMPARE(left.size(), QSize(100, 100));
        QCOMPARE(left.pixelColor(99, 50), QColor(Qt::red));
        QImage right =
            DisplayCapturePortal::screenImage(image, desktop, QRect(100, 0, 200, 100), QSize(200, 100));
        QCOMPARE(right.pixelColor(0, 0), QColor(Qt::blue));
        QCOMPARE(right.pixelColor(199, 99), QColor(Qt::white));

        // A desktop taken at twice its logical size, and a screen of scale 2.
        const QImage doubled = desktopPicture({600, 200});
        const QImage sharp =
            DisplayCapturePortal::screenImage(doubled, desktop, QRect(100, 0, 200, 100), QSize(400, 200));
        QCOMPARE(sharp.size(), QSize(400, 200));
        QCOMPARE(sharp.pixelColor(5, 5), QColor(Qt::blue));
        // A scale-2 screen of a desktop image at scale 1 is enlarged to its pixels.
        QCOMPARE(
            DisplayCapturePortal::screenImage(image, desktop, QRect(0, 0, 100, 100), QSize(200, 200)).size(),
            QSize(200, 200));

        // A screen the image does not show, and no image.
        QVERIFY(DisplayCapturePortal::screenImage(image, desktop, QRect(250, 0, 100, 100), QSize(100, 100))
                    .isNull());
        QVERIFY(DisplayCapturePortal::screenImage(QImage(), desktop, QRect(0, 0, 100, 100), QSize(100, 100))
                    .isNull());
    }

private:
    void registerPortal()
    {
        if (m_registered)
            return;
        QVERIFY(m_service->registerObject("/org/freedesktop/portal/desktop", m_portal.get(),
                                          QDBusConnection::ExportAllSlots |
                                              QDBusConnection::ExportAllProperties));
        QVERIFY2(m_service->registerService("org.freedesktop.portal.Desktop"),
                 qPrintable(m_service->lastError().message()));
        m_registered = true;
    }

    BareSessionBus m_bus;
    QTemporaryDir m_folder;
    std::unique_ptr<QDBusConnection> m_client;
    std::unique_ptr<QDBusConnection> m_service;
    std::unique_ptr<FakeScreenshotPortal> m_portal;
    QThread m_portalThread;
    bool m_registered = false;
};

QTEST_MAIN(TestPortalScreenshot)
#include "tst_portalscreenshot.moc"
