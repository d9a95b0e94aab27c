#include "service/HttpExecutor.h"
#include "service/Resources.h"
#include "service/ServiceConfig.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

namespace {
QJsonValue parse(const char *json)
{
    const QJsonDocument d = QJsonDocument::fromJson(json);
    return d.isArray() ? QJsonValue(d.array()) : QJsonValue(d.object());
}
} // namespace

class TestResources : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        qputenv("TARNVEL_API_HOST", "api.example:8443");
        reloadServiceHosts();
    }

    void urlsKeepAddressAndIdsAsTheyAre()
    {
        const QString a = "AE:PL-12345-67890-ABCDE-25";
        const QString base = "https://api.example:8443/api/v3/AE:PL-12345-67890-ABCDE-25";
        QCOMPARE(resourceNumberMessages(a), base + "/numberMessages");
        QCOMPARE(resourceMessages(a), base + "/messages");
        QCOMPARE(resourceMessage(a, "m 1/ż"), base + "/messages/m 1/ż");
        QCOMPARE(resourceAttachment(a, "M1", "A%2"), base + "/messages/M1/attachments/A%2");
        QCOMPARE(resourceControlData(a, "M1"), base + "/messages/M1/message_control_data");
    }

    void queryValuesAreEncodedInOrder()
    {
        QCOMPARE(encodeQuery(paramsMessages("INBOX")), QByteArray("format=metadata&label=INBOX"));
        QCOMPARE(encodeQuery(paramsMessages("Faktury & Rachunki+ż=1#")),
                 QByteArray("format=metadata&label=Faktury%20%26%20Rachunki%2B%C5%BC%3D1%23"));
        QCOMPARE(encodeQuery(paramsMessageFull()), QByteArray("format=full"));
    }

    void moveBodies_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("body");
        QTest::newRow("trash") << QString(TrashLabel) << R"([{"op":"add","path":"labels","value":["TRASH"]}])";
        QTest::newRow("not URL-encoded") << "A&B C+D"
            << R"([{"op":"add","path":"labels","value":["A&B C+D"]}])";
        QTest::newRow("quote backslash control") << "a\"b\\c\n\x1f"
            << QString("[{\"op\":\"add\",\"path\":\"labels\",\"value\":[\"a\\\"b\\\\c\\u000a\\u001f\"]}]");
        QTest::newRow("above 127") << QString::fromUtf8("Łódź\u007f€")
            << QString("[{\"op\":\"add\",\"path\":\"labels\",\"value\":[\"\\u0141\\u00f3d\\u017a\x7f\\u20ac\"]}]");
    }
    void moveBodies()
    {
        QFETCH(QString, label);
        QFETCH(QString, body);
        const QString got = bodyMoveToLabel(label);
        QCOMPARE(got, body);
        // And it is JSON that gives the label back.
        QCOMPARE(QJsonDocument::fromJson(got.toUtf8()).array().at(0)["value"][0].toString(), label);
    }

    void folderCounts()
    {
        const auto f = readFolderCounts(parse(R"([
            {"label":"INBOX","name":"INBOX","type":"system","numberOfUnreadMessages":6,"total":25},
            {"label":7,"name":"Faktury","type":"defined","numberOfUnreadMessages":"1","total":2.5},
            "junk"])"));
        QCOMPARE(f.size(), 3);
        QCOMPARE(f[0].label, "INBOX");
        QCOMPARE(f[0].numberOfUnreadMessages, 6);
        QCOMPARE(f[0].total, 25);
        // Each member on its own: an ill-typed one is empty, the others still read.
        QCOMPARE(f[1].label, QString());
        QCOMPARE(f[1].name, "Faktury");
        QCOMPARE(f[1].type, "defined");
        QVERIFY(!f[1].numberOfUnreadMessages);
        QVERIFY(!f[1].total);
        QCOMPARE(f[2].name, QString());
        QVERIFY(readFolderCounts(parse(R"({"label":"INBOX"})")).isEmpty());
        QVERIFY(readFolderCounts(QJsonValue()).isEmpty());
    }

    void messageList()
    {
        const auto m = readMessageList(parse(R"({"messages":[
            {"messageMetadata":{"messageId":"M1","subject":"Wezwanie","timestamp":"2024-05-06T12:03:07.123Z",
              "receiptDate":"2024-05-07T08:00:00Z","from":{"eDeliveryAddress":"AE:PL-1",
              "contributor":{"companyName":"Urząd"}}},
             "messageControlData":{"opened":true,"daysToReceive":"14"}},
            {"messageMetadata":{"messageId":"M2","from":"nobody"},"messageControlData":{"opened":"yes","daysToReceive":3}},
            {}]})"));
        QCOMPARE(m.size(), 3);
        QCOMPARE(m[0].messageId, "M1");
        QCOMPARE(m[0].subject, "Wezwanie");
        QCOMPARE(m[0].receiptDate, "2024-05-07T08:00:00Z");
        QCOMPARE(m[0].fromAddress, "AE:PL-1");
        QCOMPARE(m[0].fromName, QString::fromUtf8("Urząd"));
        QCOMPARE(m[0].opened, true);
        QCOMPARE(m[0].daysToReceive, "14");
        QCOMPARE(m[1].messageId, "M2");
        QCOMPARE(m[1].fromName, QString());
        QVERIFY(!m[1].opened);
        QCOMPARE(m[1].daysToReceive, "3");
        QCOMPARE(m[2].messageId, QString());

        QVERIFY(readMessageList(parse(R"({"other":[]})")).isEmpty());
        QVERIFY(readMessageList(parse(R"({"messages":{"a":1}})")).isEmpty());
        QVERIFY(readMessageList(parse(R"([{"messages":[]}])")).isEmpty());
    }

    void messageFull()
    {
        QVERIFY(!readMessageFull(parse("[]")));
        QVERIFY(!readMessageFull(parse(R"({"textBody":"x"})")));
        const auto m = readMessageFull(parse(R"([{"textBody":"Treść","messageMetadata":{"subject":"S",
            "timestamp":"T","receiptDate":"R","from":{"contributor":{"companyName":"C"}}},
            "attachments":[{"attachmentId":"A1","file":{"fileMetadata":{"filename":"a.pdf",
            "contentType":"application/pdf","size":1234}}},{"attachmentId":"A2"}]}])"));
        QVERIFY(m);
        QCOMPARE(m->textBody, QString::fromUtf8("Treść"));
        QCOMPARE(m->fromName, "C");
        QCOMPARE(m->receiptDate, "R");
        QCOMPARE(m->attachments.size(), 2);
        QCOMPARE(m->attachments[0].filename, "a.pdf");
        QCOMPARE(m->attachments[0].size, 1234);
        QCOMPARE(m->attachments[1].attachmentId, "A2");
        QCOMPARE(m->attachments[1].filename, QString());
        QVERIFY(!m->attachments[1].size);
    }

    void attachmentContent()
    {
        QCOMPARE(readAttachmentContent(parse(R"({"file":{"file":"UERGLTEuNwo="}})")), QByteArray("PDF-1.7\n"));
        QVERIFY(readAttachmentContent(parse(R"({"file":{}})")).isEmpty());
        QVERIFY(readAttachmentContent(parse(R"({"file":"UERG"})")).isEmpty());
        QVERIFY(readAttachmentContent(parse(R"({"file":{"file":"not base64!"}})")).isEmpty());
        // Base64 wrapped into lines still decodes to the whole file.
        QCOMPARE(readAttachmentContent(parse(R"({"file":{"file":"UERGLT\r\nEuNwo="}})")),
                 QByteArray("PDF-1.7\n"));
    }
};

QTEST_GUILESS_MAIN(TestResources)
#include "test_resources.moc"
