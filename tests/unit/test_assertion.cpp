#include "service/ClientAssertion.h"
#include "service/ServiceConfig.h"
#include "service/ServiceError.h"
#include "service/TokenRequest.h"
#include "storage/fvar.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A key pair made by the openssl tool, written the way the mailbox editor writes it.
struct KeyPair
{
    QByteArray privatePem, publicPem;
};

KeyPair makeKeyPair(const QString &dir)
{
    KeyPair k;
    QProcess p;
    p.start("openssl", {"genpkey", "-algorithm", "RSA", "-pkeyopt", "rsa_keygen_bits:2048",
                        "-aes-256-cbc", "-pass", "pass:", "-out", dir + "/k.pem"});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return k;
    p.start("openssl", {"pkey", "-in", dir + "/k.pem", "-passin", "pass:", "-pubout", "-out",
                        dir + "/pub.pem"});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return k;
    QFile a(dir + "/k.pem"), b(dir + "/pub.pem");
    if (a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly)) {
        k.privatePem = a.readAll();
        k.publicPem = b.readAll();
    }
    return k;
}

QByteArray fromB64Url(const QByteArray &s)
{
    return QByteArray::fromBase64(s, QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

} // namespace

class TestAssertion : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    KeyPair m_key;

private Q_SLOTS:
    void initTestCase()
    {
        m_key = makeKeyPair(m_dir.path());
        QVERIFY2(!m_key.privatePem.isEmpty(), "openssl could not make a key pair");
        QVERIFY(m_key.privatePem.contains("ENCRYPTED PRIVATE KEY"));
        qputenv("TARNVEL_TOKEN_HOST", "ow.example.test");
        reloadServiceHosts();
    }

    void exactBytesForFixedClock()
    {
        TSkrzynka m;
        m.address = "AE:PL-12345-67890-ABCDE-25";
        m.sysname = QString::fromUtf8("tarnvel-łódź");
        m.keyprv = QString::fromLatin1(m_key.privatePem);
        const QByteArray jwt = buildClientAssertion(m, 1714996986, "0F8FAD5B-D9CB-469F-A165-70867728950E");
        const QList<QByteArray> parts = jwt.split('.');
        QCOMPARE(parts.size(), 3);
        QCOMPARE(fromB64Url(parts[0]), QByteArray(R"({"alg":"RS256","typ":"JWT"})"));
        QCOMPARE(QString::fromUtf8(fromB64Url(parts[1])),
                 QString::fromUtf8(R"({"aud":"https://ow.example.test/auth/realms/EDOR","exp":1714997586,)"
                                   R"("iat":1714996986,"iss":"AE:PL-12345-67890-ABCDE-25.SYSTEM.TARNVEL-łóDź",)"
                                   R"("jti":"0F8FAD5B-D9CB-469F-A165-70867728950E","nbf":1714996986,)"
                                   R"("sub":"AE:PL-12345-67890-ABCDE-25.SYSTEM.TARNVEL-łóDź"})"));
        // No padding, no line breaks, only the URL-safe alphabet.
        QVERIFY(QRegularExpression("^[A-Za-z0-9_.-]+$").match(QString::fromLatin1(jwt)).hasMatch());
    }

    void payloadIsValidJsonForAnyName()
    {
        const QByteArray p = assertionPayload("https://h/auth/realms/EDOR", 5,
                                              assertionIssuer("A", "x\"y\\z\n\x01"), "J");
        // Written without raw strings: moc misreads a backslash-quote inside one.
        QCOMPARE(p, QByteArray("{\"aud\":\"https://h/auth/realms/EDOR\",\"exp\":605,\"iat\":5,"
                               "\"iss\":\"A.SYSTEM.X\\\"Y\\\\Z\\u000a\\u0001\",\"jti\":\"J\",\"nbf\":5,"
                               "\"sub\":\"A.SYSTEM.X\\\"Y\\\\Z\\u000a\\u0001\"}"));
    }

    void jtiIsFreshUpperCaseGuid()
    {
        const QString a = newJti(), b = newJti();
        QVERIFY(a != b);
        const QRegularExpression guid("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$");
        QVERIFY(guid.match(a).hasMatch());
        QVERIFY(guid.match(b).hasMatch());
    }

    // A verifier no one here wrote: PyJWT checks the RS256 signature with the public key.
    void pyjwtVerifiesSignature()
    {
        TSkrzynka m;
        m.address = "AE:PL-1";
        m.sysname = "demo";
        m.keyprv = QString::fromLatin1(m_key.privatePem);
        const qint64 now = QDateTime::currentSecsSinceEpoch();
        const QByteArray jwt = buildClientAssertion(m, now);
        QFile pub(m_dir.path() + "/pub.pem");
        QProcess py;
        py.start("/usr/bin/python3",
                 {"-c",
                  "import jwt,sys\n"
                  "c=jwt.decode(sys.argv[1],open(sys.argv[2]).read(),algorithms=['RS256'],"
                  "audience='https://ow.example.test/auth/realms/EDOR')\n"
                  "print(c['iss'],c['exp']-c['iat'],c['nbf']==c['iat'])",
                  QString::fromLatin1(jwt), pub.fileName()});
        QVERIFY(py.waitForFinished(30000));
        QCOMPARE(py.readAllStandardError(), QByteArray());
        QCOMPARE(py.readAllStandardOutput().trimmed(), QByteArray("AE:PL-1.SYSTEM.DEMO 600 True"));

        // A signature over other bytes must be refused by the same verifier.
        QList<QByteArray> parts = jwt.split('.');
        parts[1] = base64UrlNoPad(assertionPayload("https://ow.example.test/auth/realms/EDOR", now,
                                                   "AE:PL-2.SYSTEM.DEMO", "X"));
        py.start("/usr/bin/python3", {"-c",
                  "import jwt,sys\n"
                  "jwt.decode(sys.argv[1],open(sys.argv[2]).read(),algorithms=['RS256'],"
                  "options={'verify_aud':False})",
                  QString::fromLatin1(parts.join('.')), pub.fileName()});
        QVERIFY(py.waitForFinished(30000));
        QVERIFY(py.exitCode() != 0);
        QVERIFY(py.readAllStandardError().contains("InvalidSignatureError"));
    }

    void unreadableKeyThrows_data()
    {
        QTest::addColumn<QByteArray>("pem");
        QTest::newRow("not PEM") << QByteArray("hello");
        QTest::newRow("public key") << QByteArray("PUBLIC");
        QTest::newRow("truncated") << QByteArray("PRIVATE-HALF");
        QTest::newRow("other pass phrase") << QByteArray("OTHER-PASS");
    }
    void unreadableKeyThrows()
    {
        QFETCH(QByteArray, pem);
        if (pem == "PUBLIC")
            pem = m_key.publicPem;
        else if (pem == "PRIVATE-HALF")
            pem = m_key.privatePem.left(m_key.privatePem.size() / 2);
        else if (pem == "OTHER-PASS") {
            QProcess p;
            p.start("openssl", {"pkey", "-in", m_dir.path() + "/k.pem", "-passin", "pass:",
                                "-aes-256-cbc", "-passout", "pass:secret"});
            QVERIFY(p.waitForFinished(30000));
            pem = p.readAllStandardOutput();
            QVERIFY(pem.contains("ENCRYPTED"));
        }
        QVERIFY_THROWS_EXCEPTION(ServiceError, signAssertion(pem, assertionHeader(), "{}"));
    }

    // The token is untouched when the key cannot be read, and no request is made either.
    void unreadableKeyStoresNothing()
    {
        qputenv("TARNVEL_TOKEN_HOST", "127.0.0.1:9"); // nothing listens; must not be reached
        reloadServiceHosts();
        TSkrzynka m;
        m.address = "AE:PL-1";
        m.keyprv = "garbage";
        m.token = "old";
        m.token_exp = 77;
        QVERIFY_THROWS_EXCEPTION(ServiceError, fetchMailboxToken(m, 1000));
        QCOMPARE(m.token, "old");
        QCOMPARE(m.token_exp, 77);
        qputenv("TARNVEL_TOKEN_HOST", "ow.example.test");
        reloadServiceHosts();
    }

    void formBodyInOrder()
    {
        QCOMPARE(tokenRequestBody("aa.bb.cc"),
                 QByteArray("client_assertion_type=urn%3Aietf%3Aparams%3Aoauth%3Aclient-assertion-type%3Ajwt-bearer"
                            "&grant_type=client_credentials&client_assertion=aa.bb.cc"));
    }
};

QTEST_GUILESS_MAIN(TestAssertion)
#include "test_assertion.moc"
