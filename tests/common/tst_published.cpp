#include "published.h"
#include "subject.h"

#include <QTest>

#include <memory>

class TestPublished : public QObject {
    Q_OBJECT
private slots:
    void subscriberReceivesTheNewValueWhileThePropertyStillHoldsTheOld()
    {
        Published<int> property(1);
        QList<QPair<int, int>> seen; // (received, read from the property)
        Cancellable token = property.subscribe([&](const int& value) {
            seen.append({value, property.value()});
        });
        property.set(2);
        property.set(3);
        QCOMPARE(seen, (QList<QPair<int, int>>{{1, 1}, {2, 1}, {3, 2}}));
        QCOMPARE(property.value(), 3);
    }

    void subscribingDeliversTheCurrentValueThenEveryAssignmentEvenEqualOnes()
    {
        Published<QString> property(QStringLiteral("a"));
        property.set(QStringLiteral("b"));
        QStringList seen;
        Cancellable token = property.subscribe([&](const QString& value) { seen.append(value); });
        property.set(QStringLiteral("b"));
        property.set(QStringLiteral("c"));
        QCOMPARE(seen, (QStringList{"b", "b", "c"}));
    }

    void subjectKeepsNoCurrentValue()
    {
        Subject<int> subject;
        subject.send(1);
        QList<int> seen;
        Cancellable token = subject.subscribe([&](const int& value) { seen.append(value); });
        QVERIFY(seen.isEmpty());
        subject.send(2);
        QCOMPARE(seen, QList<int>{2});
    }

    void aSubscriptionEndsWithItsToken()
    {
        Subject<int> subject;
        QList<int> seen;
        {
            Cancellable token = subject.subscribe([&](const int& value) { seen.append(value); });
            subject.send(1);
            Cancellable moved = std::move(token);
            QVERIFY(!token.isActive());
            subject.send(2);
        }
        subject.send(3);
        QCOMPARE(seen, (QList<int>{1, 2}));
        QCOMPARE(subject.subscriberCount(), std::size_t(0));

        Published<int> property(0);
        Cancellable token = property.subscribe([&](const int& value) { seen.append(value); });
        token.cancel();
        property.set(9);
        QCOMPARE(seen.last(), 0);
    }

    void aSubscriptionEndsWithItsOwner()
    {
        Subject<int> subject;
        Published<int> property(0);
        QList<int> seen;
        auto owner = std::make_unique<QObject>();
        subject.subscribe(owner.get(), [&](const int& value) { seen.append(value); });
        property.subscribe(owner.get(), [&](const int& value) { seen.append(100 + value); });
        subject.send(1);
        property.set(1);
        owner.reset();
        subject.send(2);
        property.set(2);
        QCOMPARE(seen, (QList<int>{100, 1, 101}));
        QCOMPARE(subject.subscriberCount(), std::size_t(0));
        QCOMPARE(property.subscriberCount(), std::size_t(0));
    }

    void tokensOutlivingTheirSubjectAreHarmless()
    {
        Cancellable token;
        {
            Subject<int> subject;
            token = subject.subscribe([](const int&) {});
        }
        token.cancel();
        QVERIFY(!token.isActive());
    }

    void handlersMayCancelOrSubscribeDuringDelivery()
    {
        Subject<int> subject;
        QStringList seen;
        Cancellable second;
        Cancellable late;
        Cancellable first = subject.subscribe([&](const int& value) {
            seen.append(QStringLiteral("first %1").arg(value));
            second.cancel();
            if (!late.isActive())
                late =
                    subject.subscribe([&](const int& v) { seen.append(QStringLiteral("late %1").arg(v)); });
        });
        second =
            subject.subscribe([&](const int& value) { seen.append(QStringLiteral("second %1").arg(value)); });
        subject.send(1);
        subject.send(2);
        // The cancelled subscriber is not called for the value in flight; the new one only sees later values.
        QCOMPARE(seen, (QStringList{"first 1", "first 2", "late 2"}));
    }
};

QTEST_GUILESS_MAIN(TestPublished)
#include "tst_published.moc"
