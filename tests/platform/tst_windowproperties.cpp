#include "x11/windowproperties.h"

#include <QTest>

#include <cstring>

using namespace WindowProperties;

namespace {

constexpr quint32 cardinalType = 6; // CARDINAL
constexpr quint32 atomType = 4;     // ATOM
constexpr quint32 stringType = 31;  // STRING

// A 32-bit list as the X server hands it over: native byte order.
Property list32(QList<quint32> values, quint32 type = cardinalType)
{
    QByteArray bytes(values.size() * 4, Qt::Uninitialized);
    if (!bytes.isEmpty())
        std::memcpy(bytes.data(), values.constData(), std::size_t(bytes.size()));
    return {type, 32, bytes};
}

Property text(QByteArray bytes)
{
    return {stringType, 8, bytes};
}

// Made-up atom numbers standing for interned window types.
enum : quint32 {
    normalAtom = 300,
    dialogAtom,
    dockAtom,
    desktopAtom,
    splashAtom,
    notificationAtom,
    unknownAtom
};

const QHash<quint32, WindowType> typeAtoms{
    {normalAtom, WindowType::Normal}, {dialogAtom, WindowType::Dialog},
    {dockAtom, WindowType::Dock},     {desktopAtom, WindowType::Desktop},
    {splashAtom, WindowType::Splash}, {notificationAtom, WindowType::Notification}};

QVariant optionalText(const std::optional<QString>& value)
{
    return value ? QVariant(*value) : QVariant();
}

} // namespace

Q_DECLARE_METATYPE(WindowProperties::Property)

class TestWindowProperties : public QObject {
    Q_OBJECT
private slots:
    void wmClass_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QVariant>("ownerName"); // invalid: none

        using namespace Qt::Literals::StringLiterals;
        QTest::newRow("instance and class") << "xterm\0XTerm\0"_ba << QVariant("XTerm");
        QTest::newRow("class without its NUL") << "xterm\0XTerm"_ba << QVariant("XTerm");
        QTest::newRow("empty class") << "xterm\0\0"_ba << QVariant("xterm");
        QTest::newRow("no NUL at all") << "xterm"_ba << QVariant("xterm");
        QTest::newRow("empty instance") << "\0Firefox\0"_ba << QVariant("Firefox");
        QTest::newRow("blank class") << "gimp\0  \t\0"_ba << QVariant("gimp");
        QTest::newRow("empty") << QByteArray() << QVariant();
        QTest::newRow("only NULs") << "\0\0"_ba << QVariant();
        QTest::newRow("UTF-8") << "app\0Caf\xc3\xa9\0"_ba << QVariant(u"Caf\u00e9"_s);
        QTest::newRow("Latin-1") << "app\0Caf\xe9\0"_ba << QVariant(u"Caf\u00e9"_s);
        QTest::newRow("very long class")
            << QByteArray(10000, 'x') + '\0' + QByteArray(100000, 'Y') + '\0' << QVariant(QString(255, u'Y'));
        QTest::newRow("very long, no NUL") << QByteArray(1000000, 'z') << QVariant(QString(255, u'z'));
        QTest::newRow("long UTF-8 is not cut inside a character")
            << "a\0"_ba + QByteArray("\xf0\x9f\x98\x80").repeated(200)
            << QVariant(u"\U0001F600"_s.repeated(127));
    }
    void wmClass()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QVariant, ownerName);
        QCOMPARE(optionalText(ownerNameFromWmClass(QByteArrayView(bytes))), ownerName);
        QCOMPARE(optionalText(ownerNameFromWmClass(text(bytes))), ownerName);
    }

    void wmClassProperty()
    {
        QVERIFY(!ownerNameFromWmClass(Property()));
        QVERIFY(!ownerNameFromWmClass(list32({0x41414141, 0x42424242})));
    }

    void processName_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QVariant>("ownerName");

        QTest::newRow("as the kernel writes it") << QByteArray("firefox-esr\n") << QVariant("firefox-esr");
        QTest::newRow("without newline") << QByteArray("soffice.bin") << QVariant("soffice.bin");
        QTest::newRow("more lines") << QByteArray("first\nsecond\n") << QVariant("first");
        QTest::newRow("empty") << QByteArray() << QVariant();
        QTest::newRow("NUL") << QByteArray("\0ghost\n", 7) << QVariant();
        QTest::newRow("very long") << QByteArray(5000, 'p') << QVariant(QString(255, u'p'));
    }
    void processName()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QVariant, ownerName);
        QCOMPARE(optionalText(ownerNameFromProcessName(QByteArrayView(bytes))), ownerName);
    }

    void layer_data()
    {
        QTest::addColumn<Property>("windowType");
        QTest::addColumn<QVariant>("layer"); // invalid: none

        QTest::newRow("no type: normal") << Property() << QVariant(0);
        QTest::newRow("normal") << list32({normalAtom}, atomType) << QVariant(0);
        QTest::newRow("dock") << list32({dockAtom}, atomType) << QVariant(int(DockLayer));
        QTest::newRow("desktop") << list32({desktopAtom}, atomType) << QVariant(int(DesktopLayer));
        QTest::newRow("notification")
            << list32({notificationAtom}, atomType) << QVariant(int(NotificationLayer));
        QTest::newRow("first known type decides")
            << list32({unknownAtom, dockAtom, normalAtom}, atomType) << QVariant(int(DockLayer));
        QTest::newRow("preferred normal over dock")
            << list32({normalAtom, dockAtom}, atomType) << QVariant(0);
        QTest::newRow("only unknown types") << list32({unknownAtom, 0}, atomType) << QVariant(0);
        QTest::newRow("8-bit data") << text("_NET_WM_WINDOW_TYPE_DOCK") << QVariant();
        QTest::newRow("ragged 32-bit data") << Property{atomType, 32, QByteArray(5, '\0')} << QVariant();
    }
    void layer()
    {
        QFETCH(Property, windowType);
        QFETCH(QVariant, layer);
        const std::optional<int> read = layerFromWindowTypes(windowType, typeAtoms);
        QCOMPARE(read ? QVariant(*read) : QVariant(), layer);
    }

    void everyTypeHasItsLayer()
    {
        const QList<QByteArray> names = windowTypeAtomNames();
        QCOMPARE(names.size(), 14);
        for (const QByteArray& name : names) {
            const std::optional<WindowType> type = windowTypeFromAtomName(name);
            QVERIFY2(type, name.constData());
            const bool normal = name.endsWith("_NORMAL") || name.endsWith("_DIALOG");
            QVERIFY2((layerOf(*type) == 0) == normal, name.constData());
        }
        QVERIFY(!windowTypeFromAtomName("_NET_WM_WINDOW_TYPE_"));
        QVERIFY(!windowTypeFromAtomName("_KDE_NET_WM_WINDOW_TYPE_OVERRIDE"));
        QVERIFY(layerOf(WindowType::Desktop) < 0);
        QVERIFY(layerOf(WindowType::Dock) > layerOf(WindowType::Utility));
        QVERIFY(layerOf(WindowType::Tooltip) > layerOf(WindowType::Dock));
    }

    void frameExtents_data()
    {
        QTest::addColumn<Property>("property");
        QTest::addColumn<QVariant>("margins"); // invalid: none

        QTest::newRow("left, right, top, bottom")
            << list32({1, 2, 30, 4}) << QVariant::fromValue(QMargins(1, 30, 2, 4));
        QTest::newRow("absent") << Property() << QVariant();
        QTest::newRow("three values") << list32({1, 2, 3}) << QVariant();
        QTest::newRow("16-bit") << Property{cardinalType, 16, QByteArray(8, '\1')} << QVariant();
        QTest::newRow("negative as unsigned") << list32({0xfffffffb, 0, 20, 0}) << QVariant();
        QTest::newRow("implausibly wide") << list32({0, 0, 100000, 0}) << QVariant();
    }
    void frameExtents()
    {
        QFETCH(Property, property);
        QFETCH(QVariant, margins);
        const std::optional<QMargins> read = WindowProperties::frameExtents(property);
        QCOMPARE(read ? QVariant::fromValue(*read) : QVariant(), margins);
    }

    void processId_data()
    {
        QTest::addColumn<Property>("property");
        QTest::addColumn<QVariant>("pid");

        QTest::newRow("pid") << list32({4242}) << QVariant(4242u);
        QTest::newRow("zero") << list32({0}) << QVariant();
        QTest::newRow("empty") << list32({}) << QVariant();
        QTest::newRow("absent") << Property() << QVariant();
        QTest::newRow("text") << text("4242") << QVariant();
    }
    void processId()
    {
        QFETCH(Property, property);
        QFETCH(QVariant, pid);
        const std::optional<quint32> read = WindowProperties::processId(property);
        QCOMPARE(read ? QVariant(*read) : QVariant(), pid);
    }

    void localMachine_data()
    {
        QTest::addColumn<Property>("clientMachine");
        QTest::addColumn<QByteArray>("hostName");
        QTest::addColumn<bool>("local");

        QTest::newRow("not said") << Property() << QByteArray("desk") << true;
        QTest::newRow("same") << text("desk") << QByteArray("desk") << true;
        QTest::newRow("full name against short") << text("desk.example.org") << QByteArray("desk") << true;
        QTest::newRow("localhost") << text("localhost") << QByteArray("desk") << true;
        QTest::newRow("other machine") << text("server") << QByteArray("desk") << false;
        QTest::newRow("prefix only") << text("desktop") << QByteArray("desk") << false;
        QTest::newRow("malformed") << list32({1}) << QByteArray("desk") << false;
    }
    void localMachine()
    {
        QFETCH(Property, clientMachine);
        QFETCH(QByteArray, hostName);
        QFETCH(bool, local);
        QCOMPARE(isLocalMachine(clientMachine, hostName), local);
    }
};

QTEST_GUILESS_MAIN(TestWindowProperties)
#include "tst_windowproperties.moc"
