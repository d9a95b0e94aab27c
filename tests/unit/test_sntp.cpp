#include "service/Clock.h"
#include "service/Sntp.h"
#include "service/SntpClient.h"

#include <QSignalSpy>
#include <QTest>
#include <QUdpSocket>
#include <QtEndian>

namespace {

QByteArray reply(quint8 first, quint8 stratum, quint32 secs)
{
    QByteArray p(48, '\0');
    p[0] = char(first);
    p[1] = char(stratum);
    qToBigEndian(secs, reinterpret_cast<uchar *>(p.data()) + 40);
    return p;
}

constexpr quint32 Ntp2024 = 3913056000u; // 2024-01-01T00:00:00Z
constexpr qint64 Unix2024 = 1704067200;

// A UDP peer on loopback that answers every request with whatever the test gives it.
class FakeServer : public QObject
{
public:
    std::function<QByteArray(const QByteArray &)> answer;
    QUdpSocket sock, other;
    explicit FakeServer()
    {
        sock.bind(QHostAddress::LocalHost, 0);
        other.bind(QHostAddress::LocalHost, 0);
        connect(&sock, &QUdpSocket::readyRead, this, [this] {
            while (sock.hasPendingDatagrams()) {
                QHostAddress from;
                quint16 port;
                QByteArray d(int(sock.pendingDatagramSize()), '\0');
                sock.readDatagram(d.data(), d.size(), &from, &port);
                ++requests;
                lastRequest = d;
                if (!answer)
                    continue;
                const QByteArray a = answer(d);
                if (a.startsWith("OTHERPORT:"))
                    other.writeDatagram(a.mid(10), from, port);
                else
                    sock.writeDatagram(a, from, port);
            }
        });
    }
    QString hostPort() const { return "127.0.0.1:" + QString::number(sock.localPort()); }
    int requests = 0;
    QByteArray lastRequest;
};

} // namespace

class TestSntp : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void replyChecks_data()
    {
        QTest::addColumn<QByteArray>("packet");
        QTest::addColumn<qint64>("unixTime");
        QTest::newRow("server mode 4") << reply(0x24, 1, Ntp2024) << Unix2024;
        QTest::newRow("broadcast mode 5") << reply(0x25, 2, Ntp2024 + 5) << Unix2024 + 5;
        QTest::newRow("longer than 48") << reply(0x24, 1, Ntp2024) + QByteArray(20, 'x') << Unix2024;
        QTest::newRow("after 2036 rollover") << reply(0x24, 1, 100) << qint64(2085978496 + 100);
        QTest::newRow("short") << reply(0x24, 1, Ntp2024).left(47) << qint64(0);
        QTest::newRow("client mode") << reply(0x23, 1, Ntp2024) << qint64(0);
        QTest::newRow("kiss of death") << reply(0x24, 0, Ntp2024) << qint64(0);
        QTest::newRow("unsynchronised") << reply(0xe4, 1, Ntp2024) << qint64(0);
        QTest::newRow("zero transmit time") << reply(0x24, 1, 0) << qint64(0);
        QTest::newRow("garbage") << QByteArray(48, '\xff') << qint64(0);
    }
    void replyChecks()
    {
        QFETCH(QByteArray, packet);
        QFETCH(qint64, unixTime);
        QCOMPARE(sntpReplyTime(packet), unixTime);
    }

    void requestPacket()
    {
        const QByteArray r = sntpRequest(Unix2024);
        QCOMPARE(r.size(), 48);
        QCOMPARE(quint8(r[0]), quint8(0x23)); // version 4, client
        QCOMPARE(qFromBigEndian<quint32>(r.constData() + 40), Ntp2024);
    }

    void offsets()
    {
        QCOMPARE(clockOffsetSeconds(Unix2024 + 90, Unix2024), 90);
        QCOMPARE(clockOffsetSeconds(Unix2024 - 30, Unix2024), -30);
        QCOMPARE(clockOffsetSeconds(0, Unix2024), 0);
    }

    void clientOverLoopback_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<qint64>("expected");
        QTest::newRow("answer 90 s ahead") << "ahead" << Unix2024 + 90;
        QTest::newRow("garbage") << "garbage" << qint64(0);
        QTest::newRow("short") << "short" << qint64(0);
        QTest::newRow("wrong port only") << "otherport" << qint64(0);
        QTest::newRow("silent") << "silent" << qint64(0);
    }
    void clientOverLoopback()
    {
        QFETCH(QString, kind);
        QFETCH(qint64, expected);
        FakeServer server;
        const QByteArray good = reply(0x24, 1, Ntp2024 + 90);
        if (kind == "ahead")
            server.answer = [&](const QByteArray &) { return good; };
        else if (kind == "garbage")
            server.answer = [](const QByteArray &) { return QByteArray(48, '\x07'); };
        else if (kind == "short")
            server.answer = [&](const QByteArray &) { return good.left(40); };
        else if (kind == "otherport")
            server.answer = [&](const QByteArray &) { return "OTHERPORT:" + good; };
        SntpClient client;
        client.setTimeoutMs(300);
        QSignalSpy spy(&client, &SntpClient::timeReceived);
        QVERIFY(client.requestTime(server.hostPort()));
        QVERIFY(spy.wait(3000));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toLongLong(), expected);
        QCOMPARE(server.requests, 1);
        QCOMPARE(quint8(server.lastRequest.at(0)) & 7, 3);
        QTest::qWait(400); // nothing more is reported once the answer is out
        QCOMPARE(spy.count(), 1);
    }

    void noServerCannotStart()
    {
        SntpClient client;
        QVERIFY(!client.requestTime(""));
        QVERIFY(!client.requestTime("   "));
    }

    void unknownHostReportsZero()
    {
        SntpClient client;
        QSignalSpy spy(&client, &SntpClient::timeReceived);
        QVERIFY(client.requestTime("no-such-host.invalid"));
        QVERIFY(spy.wait(10000));
        QCOMPARE(spy.at(0).at(0).toLongLong(), 0);
    }
};

QTEST_GUILESS_MAIN(TestSntp)
#include "test_sntp.moc"
