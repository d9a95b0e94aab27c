#include "service/ServiceError.h"
#include "service/WarsawTime.h"

#include <QTest>
#include <QTimeZone>
#include <ctime>

class TestWarsaw : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cases_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        QTest::newRow("empty") << "" << "";
        QTest::newRow("blanks") << "   " << "";
        QTest::newRow("example") << "2024-05-06T12:03:07.123Z" << "2024-05-06T14:03:07.123+02:00";
        QTest::newRow("next day") << "2024-01-15T23:30:00Z" << "2024-01-16T00:30:00.000+01:00";
        QTest::newRow("before spring") << "2024-03-31T00:59:59Z" << "2024-03-31T01:59:59.000+01:00";
        QTest::newRow("spring") << "2024-03-31T01:00:00Z" << "2024-03-31T03:00:00.000+02:00";
        QTest::newRow("before autumn") << "2024-10-27T00:59:59Z" << "2024-10-27T02:59:59.000+02:00";
        QTest::newRow("autumn") << "2024-10-27T01:00:00Z" << "2024-10-27T02:00:00.000+01:00";
        QTest::newRow("explicit offset") << "2024-05-06T14:03:07+02:00" << "2024-05-06T14:03:07.000+02:00";
        QTest::newRow("half second") << "2024-05-06T12:03:07.5Z" << "2024-05-06T14:03:07.500+02:00";
        QTest::newRow("trimmed") << " 2025-12-31T23:00:00Z\t" << "2026-01-01T00:00:00.000+01:00";
        QTest::newRow("no zone taken as UTC") << "2024-07-01T10:00:00" << "2024-07-01T12:00:00.000+02:00";
    }
    void cases()
    {
        QFETCH(QString, in);
        QFETCH(QString, out);
        QCOMPARE(utctowawa(in), out);
    }

    void invalidInputThrows_data()
    {
        QTest::addColumn<QString>("in");
        QTest::newRow("word") << "wczoraj";
        QTest::newRow("bad month") << "2024-13-01T00:00:00Z";
        QTest::newRow("bad hour") << "2024-01-01T25:00:00Z";
        QTest::newRow("truncated") << "2024-01-";
    }
    void invalidInputThrows()
    {
        QFETCH(QString, in);
        QVERIFY_THROWS_EXCEPTION(ServiceError, utctowawa(in));
    }

    // The rule must not depend on the computer's zone: run with TZ far from Warsaw and compare
    // every hour of three years with the system's own Europe/Warsaw rules.
    void agreesWithTzdataEveryHour()
    {
        const QTimeZone warsaw("Europe/Warsaw");
        if (!warsaw.isValid())
            QSKIP("no tzdata for Europe/Warsaw on this machine");
        const QByteArray oldTz = qgetenv("TZ");
        qputenv("TZ", "America/New_York");
        tzset();
        QDateTime t(QDate(2024, 1, 1), QTime(0, 0), Qt::UTC);
        const QDateTime end(QDate(2027, 1, 1), QTime(0, 0), Qt::UTC);
        int hours = 0;
        for (; t < end; t = t.addSecs(3600), ++hours) {
            const QDateTime local = t.toTimeZone(warsaw);
            const int off = warsaw.offsetFromUtc(t);
            const QString expected = local.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz"))
                + (off == 7200 ? QStringLiteral("+02:00") : QStringLiteral("+01:00"));
            const QString got = utctowawa(t.toString(Qt::ISODate));
            if (got != expected)
                QFAIL(qPrintable(t.toString(Qt::ISODate) + ": " + got + " != " + expected));
        }
        if (oldTz.isNull())
            qunsetenv("TZ");
        else
            qputenv("TZ", oldTz);
        tzset();
        QCOMPARE(hours, 26304); // the three years were all visited
    }
};

QTEST_GUILESS_MAIN(TestWarsaw)
#include "test_warsaw.moc"
