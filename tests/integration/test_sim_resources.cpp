// The simulator's mailbox resources, fault injection, request log and SNTP responder.
#include "test_sim_support.h"

#include <QDateTime>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>
#include <QUdpSocket>
#include <QtEndian>

namespace {

const QString mailbox = QStringLiteral("AE:PL-12345-67890-ABCDE-25");

QJsonObject folder(const QJsonArray &counts, const QString &label)
{
    for (const QJsonValue &v : counts)
        if (v.toObject().value("label").toString() == label)
            return v.toObject();
    return {};
}

} // namespace

class TestSimResources : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void countsFollowTheSeed();
    void fullReadReceivesTheMessage();
    void attachmentsCarryTheSeededBytes();
    void moveChangesCountsAndRefusesSameFolder();
    void faultAnswersThenGoesAway();
    void delayedAnswerOutlastsClientTimeout();
    void requestLogRecordsWhatArrived();
    void sntpAnswersWithOffset();

private:
    HttpAnswer get(const QByteArray &resource)
    {
        return apiGet(*m_sim, m_token, mailbox, resource);
    }
    HttpAnswer patch(const QByteArray &id, const QByteArray &body)
    {
        return httpsRequest(
            *m_sim, "PATCH",
            "/api/v3/" + mailbox.toLatin1() + "/messages/" + id + "/message_control_data", body,
            {{"Authorization", "Bearer " + m_token}, {"Content-Type", "application/json"}});
    }

    TestKey m_key;
    std::unique_ptr<SimProcess> m_sim;
    QByteArray m_token;
};

void TestSimResources::init()
{
    // A fresh simulator per test: reads and moves change its state.
    m_sim = std::make_unique<SimProcess>();
    QVERIFY2(m_sim->start({{}, 90, false}), qPrintable(m_sim->errorString()));
    QVERIFY(m_sim->registerCsr(mailbox, m_key.csrPem()));
    m_token = obtainToken(*m_sim, mailbox, m_key.key(), 90);
    QVERIFY(!m_token.isEmpty());
}

void TestSimResources::cleanup()
{
    m_sim.reset();
}

void TestSimResources::countsFollowTheSeed()
{
    const QJsonArray counts = get("/numberMessages").json().array();
    QStringList labels;
    for (const QJsonValue &v : counts)
        labels << v.toObject().value("label").toString();
    QCOMPARE(labels, QStringList({"INBOX", "SENT", "DRAFT", "OUTBOX", "TRASH", "LBL-FAKTURY"}));
    const QJsonObject inbox = folder(counts, "INBOX");
    QCOMPARE(inbox.value("numberOfUnreadMessages").toInt(), 1);
    QCOMPARE(inbox.value("total").toInt(), 2);
    QCOMPARE(folder(counts, "LBL-FAKTURY").value("name").toString(), QStringLiteral("Faktury"));
    QCOMPARE(folder(counts, "LBL-FAKTURY").value("type").toString(), QStringLiteral("defined"));
    QCOMPARE(folder(counts, "OUTBOX").value("total").toInt(), 0);
}

void TestSimResources::fullReadReceivesTheMessage()
{
    const QJsonArray before =
        get("/messages?format=metadata&label=INBOX").json().object().value("messages").toArray();
    QCOMPARE(before.size(), 2);
    const QJsonObject first = before.at(0).toObject();
    QCOMPARE(first.value("messageMetadata").toObject().value("messageId").toString(),
             QStringLiteral("MSG-0001"));
    QVERIFY(!first.value("messageMetadata").toObject().contains("receiptDate"));
    QCOMPARE(first.value("messageControlData").toObject().value("opened").toBool(), false);
    QCOMPARE(first.value("messageControlData").toObject().value("daysToReceive").toString(),
             QStringLiteral("14"));
    QCOMPARE(first.value("messageMetadata")
                 .toObject()
                 .value("from")
                 .toObject()
                 .value("contributor")
                 .toObject()
                 .value("companyName")
                 .toString(),
             QStringLiteral("Urząd Miasta Łódź"));

    const HttpAnswer full = get("/messages/MSG-0001?format=full");
    QCOMPARE(full.status, 200);
    const QJsonObject msg = full.json().array().at(0).toObject();
    QVERIFY(msg.value("textBody").toString().contains(QStringLiteral("Zażółć gęślą jaźń")));
    const QString receipt = msg.value("messageMetadata").toObject().value("receiptDate").toString();
    QVERIFY2(receipt.endsWith('Z'), qPrintable(receipt));
    // Stamped by the service's clock, which runs 90 s ahead of this machine's here.
    const qint64 skew = QDateTime::fromString(receipt, Qt::ISODateWithMs).toSecsSinceEpoch() -
                        (QDateTime::currentSecsSinceEpoch() + 90);
    QVERIFY2(qAbs(skew) <= 5, qPrintable(receipt));

    QCOMPARE(folder(get("/numberMessages").json().array(), "INBOX")
                 .value("numberOfUnreadMessages")
                 .toInt(),
             0);
    const QJsonObject after = get("/messages?format=metadata&label=INBOX")
                                  .json()
                                  .object()
                                  .value("messages")
                                  .toArray()
                                  .at(0)
                                  .toObject();
    QCOMPARE(after.value("messageControlData").toObject().value("opened").toBool(), true);
    QCOMPARE(after.value("messageMetadata").toObject().value("receiptDate").toString(), receipt);

    // A message received before keeps its receipt date.
    const QJsonObject old = get("/messages/MSG-0002?format=full").json().array().at(0).toObject();
    QCOMPARE(old.value("messageMetadata").toObject().value("receiptDate").toString(),
             QStringLiteral("2024-05-07T09:00:01.500Z"));
    QCOMPARE(get("/messages/NO-SUCH?format=full").status, 404);
}

void TestSimResources::attachmentsCarryTheSeededBytes()
{
    const QJsonArray atts = get("/messages/MSG-0001?format=full")
                                .json()
                                .array()
                                .at(0)
                                .toObject()
                                .value("attachments")
                                .toArray();
    QCOMPARE(atts.size(), 2);
    for (const QJsonValue &v : atts) {
        const QJsonObject a = v.toObject();
        const QJsonObject meta = a.value("file").toObject().value("fileMetadata").toObject();
        const HttpAnswer content =
            get("/messages/MSG-0001/attachments/" + a.value("attachmentId").toString().toUtf8());
        QCOMPARE(content.status, 200);
        const QByteArray bytes = QByteArray::fromBase64(
            content.json().object().value("file").toObject().value("file").toString().toLatin1());
        QCOMPARE(bytes.size(), meta.value("size").toInt());
        if (meta.value("filename").toString() == "wezwanie.txt")
            QCOMPARE(QString::fromUtf8(bytes),
                     QStringLiteral("Treść wezwania: zażółć gęślą jaźń.\n"));
        else
            QVERIFY(bytes.startsWith("%PDF-"));
    }
    QCOMPARE(get("/messages/MSG-0001/attachments/ATT-0004-1").status, 404);
}

void TestSimResources::moveChangesCountsAndRefusesSameFolder()
{
    QCOMPARE(patch("MSG-0001", R"([{"op":"add","path":"labels","value":["LBL-FAKTURY"]}])").status,
             200);
    const QJsonArray counts = get("/numberMessages").json().array();
    QCOMPARE(folder(counts, "INBOX").value("total").toInt(), 1);
    QCOMPARE(folder(counts, "INBOX").value("numberOfUnreadMessages").toInt(), 0);
    QCOMPARE(folder(counts, "LBL-FAKTURY").value("total").toInt(), 2);
    QCOMPARE(folder(counts, "LBL-FAKTURY").value("numberOfUnreadMessages").toInt(), 2);

    // The client writes non-ASCII label text as \u escapes; the same folder by either spelling.
    const HttpAnswer same =
        patch("MSG-0001", R"([{"op":"add","path":"labels","value":["LBL-\u0046AKTURY"]}])");
    QCOMPARE(same.status, 400);
    QCOMPARE(same.json().array().at(0).toObject().value("error").toString(),
             QStringLiteral("UAAPI0091"));

    QCOMPARE(patch("MSG-0001", R"([{"op":"add","path":"labels","value":["NO-SUCH"]}])").status,
             400);
    QCOMPARE(patch("MSG-0001", "not json").status, 400);
    QCOMPARE(patch("NO-SUCH", R"([{"op":"add","path":"labels","value":["TRASH"]}])").status, 404);
}

void TestSimResources::faultAnswersThenGoesAway()
{
    m_sim->fault({{"method", "GET"},
                  {"path", "/numberMessages$"},
                  {"status", 202},
                  {"reason", "Accepted"},
                  {"body", R"([{"status":"Trwa przygotowanie danych"}])"},
                  {"times", 1}});
    // The method filter: a PATCH does not meet the fault.
    QCOMPARE(patch("MSG-0001", R"([{"op":"add","path":"labels","value":["TRASH"]}])").status, 200);
    const HttpAnswer busy = get("/numberMessages");
    QCOMPARE(busy.status, 202);
    QCOMPARE(busy.reason, QByteArray("Accepted"));
    QCOMPARE(busy.json().array().at(0).toObject().value("status").toString(),
             QStringLiteral("Trwa przygotowanie danych"));
    QCOMPARE(get("/numberMessages").status, 200);

    m_sim->fault(
        {{"path", "messages"}, {"status", 200}, {"body", "{\"messages\":[tru"}, {"times", -1}});
    QCOMPARE(get("/messages?format=metadata&label=INBOX").body, QByteArray("{\"messages\":[tru"));
    QCOMPARE(get("/messages?format=metadata&label=INBOX").body, QByteArray("{\"messages\":[tru"));
    m_sim->clearFaults();
    QVERIFY(get("/messages?format=metadata&label=INBOX").json().isObject());
}

void TestSimResources::delayedAnswerOutlastsClientTimeout()
{
    m_sim->fault({{"path", "numberMessages"}, {"delayMs", 3000}});
    const HttpAnswer stalled =
        httpsRequest(*m_sim, "GET", "/api/v3/" + mailbox.toLatin1() + "/numberMessages", {},
                     {{"Authorization", "Bearer " + m_token}}, 500);
    QCOMPARE(stalled.error, QNetworkReply::OperationCanceledError);
    // The delay was the only change: the next answer is the real one.
    QCOMPARE(get("/numberMessages").status, 200);
}

void TestSimResources::requestLogRecordsWhatArrived()
{
    m_sim->clearRequests();
    get("/messages?format=metadata&label=LBL%20X%C5%81");
    patch("MSG-0002", R"([{"op":"add","path":"labels","value":["TRASH"]}])");
    m_sim->admin("GET", "/admin/requests"); // admin requests are not logged

    const QJsonArray log = m_sim->requests();
    QCOMPARE(log.size(), 2);
    const QJsonObject g = log.at(0).toObject();
    QCOMPARE(g.value("method").toString(), QStringLiteral("GET"));
    QCOMPARE(g.value("path").toString(), "/api/v3/" + mailbox + "/messages");
    QCOMPARE(g.value("query").toString(), QStringLiteral("format=metadata&label=LBL%20X%C5%81"));
    QCOMPARE(g.value("headers").toObject().value("Authorization").toString(),
             QString::fromLatin1("Bearer " + m_token));
    const QJsonObject p = log.at(1).toObject();
    QCOMPARE(p.value("method").toString(), QStringLiteral("PATCH"));
    QCOMPARE(p.value("path").toString(),
             "/api/v3/" + mailbox + "/messages/MSG-0002/message_control_data");
    QCOMPARE(p.value("body").toString(),
             QStringLiteral(R"([{"op":"add","path":"labels","value":["TRASH"]}])"));
    QCOMPARE(p.value("headers").toObject().value("Content-Type").toString(),
             QStringLiteral("application/json"));
}

void TestSimResources::sntpAnswersWithOffset()
{
    QUdpSocket socket;
    QVERIFY(socket.bind(QHostAddress::LocalHost, 0));
    QSignalSpy ready(&socket, &QUdpSocket::readyRead);

    // Not a client request (mode 1, and a short packet): no answer.
    QByteArray symmetric(48, '\0');
    symmetric[0] = char((4 << 3) | 1);
    socket.writeDatagram(symmetric, QHostAddress::LocalHost, quint16(m_sim->ntpPort()));
    socket.writeDatagram(QByteArray(20, char(0x23)), QHostAddress::LocalHost,
                         quint16(m_sim->ntpPort()));

    QByteArray request(48, '\0');
    request[0] = char((4 << 3) | 3); // version 4, client
    const QByteArray originate = QByteArray::fromHex("0102030405060708");
    request.replace(40, 8, originate);
    socket.writeDatagram(request, QHostAddress::LocalHost, quint16(m_sim->ntpPort()));
    // The responder handles datagrams in order, so an answer to either probe would come first.
    QVERIFY(ready.wait(3000));
    QByteArray reply(int(socket.pendingDatagramSize()), '\0');
    socket.readDatagram(reply.data(), reply.size());

    QCOMPARE(reply.size(), 48);
    QCOMPARE(int(uchar(reply[0])) & 7, 4);
    QCOMPARE(int(uchar(reply[1])), 1);
    QCOMPARE(reply.mid(24, 8), originate);
    const qint64 transmit = qint64(qFromBigEndian<quint32>(reply.constData() + 40)) - 2208988800LL;
    QVERIFY(qAbs(transmit - (QDateTime::currentSecsSinceEpoch() + 90)) <= 2);
}

QTEST_GUILESS_MAIN(TestSimResources)
#include "test_sim_resources.moc"
