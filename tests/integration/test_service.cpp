#include "tests/support/SimProcess.h"
#include "service/Clock.h"
#include "service/HttpExecutor.h"
#include "service/Resources.h"
#include "service/ServiceConfig.h"
#include "service/ServiceError.h"
#include "service/ServiceRequest.h"
#include "service/SntpClient.h"
#include "service/TokenRequest.h"
#include "storage/UiHooks.h"
#include "storage/fvar.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString A = "AE:PL-12345-67890-ABCDE-25";
const QString B = "AE:PL-98765-43210-FEDCB-20";

QString header(const QJsonValue &request, const char *name)
{
    return request.toObject().value("headers").toObject().value(QLatin1String(name)).toString();
}

QByteArray runOpenssl(const QStringList &args)
{
    QProcess p;
    p.start("openssl", args);
    p.waitForFinished(30000);
    return p.exitCode() == 0 ? p.readAllStandardOutput() : QByteArray();
}
} // namespace

class TestService : public QObject
{
    Q_OBJECT
    SimProcess m_sim;
    QTemporaryDir m_dir;
    QString m_keyA, m_keyOther;
    QStringList m_messages, m_boxes, m_diagnostics;
    RequestSink m_sink;

    TSkrzynka mailbox(const QString &address, const QString &key)
    {
        TSkrzynka m;
        m.address = address;
        m.sysname = "tarnvel";
        m.keyprv = key;
        return m;
    }
    QJsonArray nonAdminRequests() { return m_sim.requests(); }
    QJsonValue call(TSkrzynka &m, const QString &url, const TQueryParams &params = {},
                    const QString &postget = "get", const QString &body = {})
    {
        try {
            return serviceRequest(m, clockNowUnix(), url, params, postget, body, m_sink);
        } catch (const ServiceError &e) {
            // Printed, so that a failing run says which request broke and why.
            qWarning("%s %s: %s", qPrintable(postget), qPrintable(url), qPrintable(e.message()));
            throw;
        }
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_sim.start(), qPrintable(m_sim.errorString()));
        reloadServiceHosts();
        for (QString *key : {&m_keyA, &m_keyOther}) {
            const QString file = m_dir.path() + (key == &m_keyA ? "/a.pem" : "/o.pem");
            runOpenssl({"genpkey", "-algorithm", "RSA", "-pkeyopt", "rsa_keygen_bits:2048",
                        "-aes-256-cbc", "-pass", "pass:", "-out", file});
            QFile f(file);
            QVERIFY(f.open(QIODevice::ReadOnly));
            *key = QString::fromLatin1(f.readAll());
        }
        const QByteArray pub = runOpenssl({"pkey", "-in", m_dir.path() + "/a.pem", "-passin",
                                           "pass:", "-pubout"});
        QVERIFY(m_sim.registerPublicKey(A, QString::fromLatin1(pub)));
        uiHooks().showMessage = [this](const QString &t) { m_messages << t; };
        m_sink.informationBox = [this](const QString &t, const QString &c) { m_boxes << c + "|" + t; };
        m_sink.diagnostic = [this](const QString &t) { m_diagnostics << t; };
    }
    void init()
    {
        m_messages.clear();
        m_boxes.clear();
        m_diagnostics.clear();
        m_sim.clearFaults();
        m_sim.clearRequests();
        m_sim.admin("POST", "/admin/config", R"({"expiresIn":300})");
        setClockForTest(nullptr);
        setHttpTimeoutMs(30000);
    }
    void cleanupTestCase() { setClockForTest(nullptr); }

    void tokenReusedUntilExpiryThenRenewed()
    {
        m_sim.admin("POST", "/admin/config", R"({"expiresIn":20})");
        const QDateTime t0 = QDateTime::currentDateTimeUtc();
        setClockForTest([&] { return t0; });
        TSkrzynka m = mailbox(A, m_keyA);
        QVERIFY(call(m, resourceNumberMessages(A)).isArray());
        QVERIFY(!m.token.isEmpty());
        QCOMPARE(qint64(m.token_exp), t0.toSecsSinceEpoch() - 1 + 20 - 10);
        const QString first = m.token;

        QJsonArray reqs = nonAdminRequests();
        QCOMPARE(reqs.size(), 2);
        const QJsonObject tok = reqs[0].toObject();
        QCOMPARE(tok["method"].toString(), "POST");
        QCOMPARE(tok["path"].toString(), "/auth/realms/EDOR/protocol/openid-connect/token");
        QCOMPARE(tok["query"].toString(), "login_hint=AE%3APL-12345-67890-ABCDE-25");
        QCOMPARE(header(tok, "Authorization"), QString());
        QVERIFY(tok["body"].toString().startsWith(
            "client_assertion_type=urn%3Aietf%3Aparams%3Aoauth%3Aclient-assertion-type%3Ajwt-bearer"
            "&grant_type=client_credentials&client_assertion=ey"));
        QCOMPARE(header(reqs[1], "Authorization"), "Bearer " + first);

        // Service time equal to token_exp: still valid, no token request.
        const QDateTime atExp = QDateTime::fromSecsSinceEpoch(m.token_exp, Qt::UTC);
        setClockForTest([&] { return atExp; });
        m_sim.clearRequests();
        QVERIFY(call(m, resourceNumberMessages(A)).isArray());
        QCOMPARE(nonAdminRequests().size(), 1);
        QCOMPARE(m.token, first);

        // One second later it is renewed before the request.
        const QDateTime after = atExp.addSecs(1);
        setClockForTest([&] { return after; });
        m_sim.clearRequests();
        QVERIFY(call(m, resourceNumberMessages(A)).isArray());
        reqs = nonAdminRequests();
        QCOMPARE(reqs.size(), 2);
        QCOMPARE(reqs[0].toObject()["method"].toString(), "POST");
        QVERIFY(m.token != first);
        QCOMPARE(header(reqs[1], "Authorization"), "Bearer " + m.token);
        QVERIFY(m_messages.isEmpty());
    }

    void resourcesAsReceived()
    {
        TSkrzynka m = mailbox(A, m_keyA);
        const QJsonValue folders = call(m, resourceNumberMessages(A));
        QVERIFY(!readFolderCounts(folders).isEmpty());
        const QJsonValue list = call(m, resourceMessages(A), paramsMessages("INBOX"));
        const auto summaries = readMessageList(list);
        QVERIFY(!summaries.isEmpty());
        const QString id = summaries[0].messageId;
        const auto full = readMessageFull(call(m, resourceMessage(A, id), paramsMessageFull()));
        QVERIFY(full);
        QVERIFY(!full->receiptDate.isEmpty()); // a full read receives the message
        QString attId;
        for (const auto &s : summaries) {
            const auto f = readMessageFull(call(m, resourceMessage(A, s.messageId), paramsMessageFull()));
            if (f && !f->attachments.isEmpty()) {
                attId = f->attachments[0].attachmentId;
                QVERIFY(!readAttachmentContent(call(m, resourceAttachment(A, s.messageId, attId))).isEmpty());
                break;
            }
        }
        QVERIFY2(!attId.isEmpty(), "the seed has an INBOX message with an attachment");
        call(m, resourceControlData(A, id), {}, "patch", bodyMoveToLabel("LBL-FAKTURY")); // answer not read
        QVERIFY(m_diagnostics.isEmpty());
        call(m, resourceMessages(A), paramsMessages("Faktury & Co+ż"));

        QStringList seen;
        for (const QJsonValue &v : nonAdminRequests()) {
            const QJsonObject r = v.toObject();
            if (r["method"].toString() == "POST")
                continue;
            seen << r["method"].toString() + " " + r["path"].toString() + "?" + r["query"].toString();
        }
        const QString base = "/api/v3/" + A;
        QCOMPARE(seen.first(), "GET " + base + "/numberMessages?");
        QCOMPARE(seen[1], "GET " + base + "/messages?format=metadata&label=INBOX");
        QCOMPARE(seen[2], "GET " + base + "/messages/" + id + "?format=full");
        QVERIFY(seen.contains("GET " + base + "/messages/" + summaries[0].messageId + "?format=full"));
        QVERIFY(seen.contains("PATCH " + base + "/messages/" + id + "/message_control_data?"));
        QCOMPARE(seen.last(), "GET " + base + "/messages?format=metadata&label=Faktury%20%26%20Co%2B%C5%BC");
        const QJsonArray all = nonAdminRequests();
        for (const QJsonValue &v : all) {
            const QJsonObject r = v.toObject();
            if (r["method"].toString() == "PATCH") {
                QCOMPARE(r["body"].toString(), R"([{"op":"add","path":"labels","value":["LBL-FAKTURY"]}])");
                QVERIFY(header(r, "Content-Type").startsWith("application/json"));
            }
        }
        // Moving it back into the folder it is now in: the same-folder box, no diagnostic.
        QVERIFY(call(m, resourceControlData(A, id), {}, "patch", bodyMoveToLabel("LBL-FAKTURY")).isUndefined());
        QCOMPARE(m_boxes, QStringList{QString::fromUtf8("Błąd|Nie można przenieść wiadomości do tego samego folderu.")});
        QVERIFY(m_diagnostics.isEmpty());
        call(m, resourceControlData(A, id), {}, "patch", bodyMoveToLabel("INBOX"));
    }

    void postSendsNoQuery()
    {
        TSkrzynka m = mailbox(A, m_keyA);
        call(m, resourceNumberMessages(A), {{"a", "b"}}, "post", "{}");
        const QJsonObject r = nonAdminRequests().last().toObject();
        QCOMPARE(r["method"].toString(), "POST");
        QCOMPARE(r["query"].toString(), QString());
        QCOMPARE(r["body"].toString(), "{}");
    }

    void answerClasses()
    {
        TSkrzynka m = mailbox(A, m_keyA);
        m_sim.fault(QJsonObject{{"path", ".*/numberMessages"}, {"status", 202}, {"reason", "Accepted"},
                                {"body", R"([{"status":"W przygotowaniu"}])"}, {"times", 1}});
        QVERIFY(call(m, resourceNumberMessages(A)).isUndefined());
        QCOMPARE(m_boxes.size(), 1);
        QVERIFY(m_boxes[0].startsWith(QString::fromUtf8("Serwer zajęty|Serwer e-doręczeń jest w tej chwili zajęty.\r\n"
                                                        "System zwrócił komunikat: W przygotowaniu\r\n")));
        m_sim.fault(QJsonObject{{"path", ".*/numberMessages"}, {"status", 404}, {"reason", "Not Found"},
                                {"body", "brak zasobu"}, {"contentType", "text/plain"}, {"times", 1}});
        QVERIFY(call(m, resourceNumberMessages(A)).isUndefined());
        m_sim.fault(QJsonObject{{"path", ".*/numberMessages"}, {"status", 200}, {"reason", "OK"},
                                {"body", "<html>"}, {"contentType", "text/html"}, {"times", 1}});
        QVERIFY(call(m, resourceNumberMessages(A)).isUndefined());
        QCOMPARE(m_diagnostics, (QStringList{QString::fromUtf8("Not Found (404)\r\nbrak zasobu"), "OK (200)\r\n<html>"}));
        QCOMPARE(m_boxes.size(), 1);
        QVERIFY(call(m, resourceNumberMessages(A)).isArray());
    }

    void foreignOrMissingTokenIsDiagnosed()
    {
        TSkrzynka m = mailbox(A, QString()); // no key: token cleared, no token request
        m.token = "stale";
        QVERIFY(call(m, resourceNumberMessages(A)).isUndefined());
        QCOMPARE(m.token, QString());
        QCOMPARE(m.token_exp, 0);
        const QJsonArray reqs = nonAdminRequests();
        QCOMPARE(reqs.size(), 1);
        // HTTP drops the trailing blank of "Bearer " on the way; the empty token is what counts.
        QCOMPARE(header(reqs[0], "Authorization").trimmed(), "Bearer");
        QCOMPARE(m_diagnostics.size(), 1);
        QVERIFY(m_diagnostics[0].contains("(401)\r\n"));
    }

    void refusedTokenKeepsOldOne_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("messageStart");
        QTest::newRow("401 unknown key") << "401" << "Unauthorized\r\n";
        QTest::newRow("500") << "500" << "Internal Server Error\r\nawaria";
        QTest::newRow("200 array") << "array" << QString();
        QTest::newRow("200 without access_token") << "noToken" << QString::fromUtf8("Serwer tokenów");
        QTest::newRow("200 fractional expires_in") << "badExp" << QString::fromUtf8("Serwer tokenów");
    }
    void refusedTokenKeepsOldOne()
    {
        QFETCH(QString, kind);
        QFETCH(QString, messageStart);
        const QString tokenPath = "/auth/realms/EDOR/.*";
        TSkrzynka m = mailbox(kind == "401" ? B : A, kind == "401" ? m_keyOther : m_keyA);
        if (kind == "500")
            m_sim.fault(QJsonObject{{"path", tokenPath}, {"status", 500}, {"reason", "Internal Server Error"},
                                    {"body", "awaria"}, {"contentType", "text/plain"}});
        else if (kind == "array")
            m_sim.fault(QJsonObject{{"path", tokenPath}, {"status", 200}, {"reason", "OK"}, {"body", "[1]"}});
        else if (kind == "noToken")
            m_sim.fault(QJsonObject{{"path", tokenPath}, {"status", 200}, {"reason", "OK"},
                                    {"body", R"({"expires_in":300})"}});
        else if (kind == "badExp")
            m_sim.fault(QJsonObject{{"path", tokenPath}, {"status", 200}, {"reason", "OK"},
                                    {"body", R"({"access_token":"x","expires_in":1.5})"}});
        m.token = "old";
        m.token_exp = 5;
        fetchMailboxToken(m, clockNowUnix());
        QCOMPARE(m.token, "old");
        QCOMPARE(m.token_exp, 5);
        if (messageStart.isEmpty()) {
            QVERIFY(m_messages.isEmpty());
        } else {
            QCOMPARE(m_messages.size(), 1);
            QVERIFY2(m_messages[0].startsWith(messageStart), qPrintable(m_messages[0]));
        }
        if (kind == "401")
            QVERIFY(m_messages[0].contains("invalid_client"));
    }

    void stalledServerFailsWithoutHanging()
    {
        TSkrzynka m = mailbox(A, m_keyA);
        QVERIFY(call(m, resourceNumberMessages(A)).isArray()); // token first
        setHttpTimeoutMs(500);
        m_sim.fault(QJsonObject{{"path", ".*/numberMessages"}, {"status", 200}, {"reason", "OK"},
                                {"body", "[]"}, {"delayMs", 3000}, {"times", 1}});
        try {
            call(m, resourceNumberMessages(A));
            QFAIL("a stalled answer must fail");
        } catch (const ServiceError &e) {
            QVERIFY2(e.message().contains(m_sim.hostPort()), qPrintable(e.message()));
        }
        QVERIFY(m_diagnostics.isEmpty());
    }

    void untrustedCertificateIsTransportError()
    {
        const QByteArray ca = qgetenv("TARNVEL_CA_FILE");
        qunsetenv("TARNVEL_CA_FILE");
        reloadServiceHosts();
        TSkrzynka m = mailbox(A, m_keyA);
        QVERIFY_THROWS_EXCEPTION(ServiceError, call(m, resourceNumberMessages(A)));
        qputenv("TARNVEL_CA_FILE", ca);
        reloadServiceHosts();
        QCOMPARE(nonAdminRequests().size(), 0);
    }

    void sntpOffsetFromSimulator()
    {
        SimProcess sim;
        SimProcess::Options o;
        o.ntpOffset = 90;
        QVERIFY(sim.start(o));
        SntpClient client;
        QSignalSpy spy(&client, &SntpClient::timeReceived);
        QVERIFY(client.requestTime("127.0.0.1:" + QString::number(sim.ntpPort())));
        QVERIFY(spy.wait(5000));
        const qint64 diff = spy.at(0).at(0).toLongLong() - clockNowUnix();
        QVERIFY2(diff >= 89 && diff <= 91, qPrintable(QString::number(diff)));
        sim.stop();
        qputenv("TARNVEL_TOKEN_HOST", m_sim.hostPort().toUtf8());
        qputenv("TARNVEL_API_HOST", m_sim.hostPort().toUtf8());
        qputenv("TARNVEL_CA_FILE", m_sim.caFile().toUtf8());
        reloadServiceHosts();
    }
};

QTEST_GUILESS_MAIN(TestService)
#include "test_service.moc"
