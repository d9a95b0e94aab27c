// The simulator's token endpoint and bearer check must refuse what the service refuses.
#include "test_sim_support.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QTest>

#include <functional>

namespace {

const QString mailboxA = QStringLiteral("AE:PL-12345-67890-ABCDE-25");
const QString mailboxB = QStringLiteral("AE:PL-98765-43210-FEDCB-20"); // seeded, no key registered

qint64 now()
{
    return QDateTime::currentSecsSinceEpoch();
}

} // namespace

class TestSimToken : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void acceptsCorrectAssertion();
    void rejectsFaultyAssertions();
    void rejectsReusedJti();
    void checksBearerToken();
    void registersPublicKeyAndRefusesGarbage();
    void demoTrustsFirstAssertionOfSeededMailbox();
    void judgesTimesByTheAnnouncedClock();
    void demoSeedAcceptsOnlyItsSystemName();

private:
    SimProcess m_sim;
    TestKey m_key, m_otherKey;
};

void TestSimToken::initTestCase()
{
    QVERIFY2(m_sim.start(), qPrintable(m_sim.errorString()));
    QVERIFY(m_sim.registerCsr(mailboxA, m_key.csrPem()));
}

void TestSimToken::acceptsCorrectAssertion()
{
    const HttpAnswer a = requestToken(
        m_sim, mailboxA, signAssertion(m_key.key(), TestClaims::valid(m_sim, mailboxA, now())));
    QCOMPARE(a.status, 200);
    const QJsonObject o = a.json().object();
    QVERIFY(!o.value("access_token").toString().isEmpty());
    QCOMPARE(o.value("expires_in").toInt(), 300);

    const HttpAnswer r1 =
        apiGet(m_sim, o.value("access_token").toString().toLatin1(), mailboxA, "/numberMessages");
    QCOMPARE(r1.status, 200);
    QVERIFY(r1.json().isArray());

    int status = 0;
    m_sim.admin("POST", "/admin/config", R"({"expiresIn":120})", &status);
    QCOMPARE(status, 200);
    const HttpAnswer b = requestToken(
        m_sim, mailboxA, signAssertion(m_key.key(), TestClaims::valid(m_sim, mailboxA, now())));
    QCOMPARE(b.json().object().value("expires_in").toInt(), 120);
    m_sim.admin("POST", "/admin/config", R"({"expiresIn":300})");
}

void TestSimToken::rejectsFaultyAssertions()
{
    struct Case
    {
        const char *name;
        QString loginHint;
        std::function<QByteArray(TestClaims &)>
            build; // may change the claims, returns the assertion
    };
    EVP_PKEY *key = m_key.key();
    const QList<Case> cases = {
        {"signed by another key", mailboxA,
         [&](TestClaims &c) { return signAssertion(m_otherKey.key(), c); }},
        {"payload changed after signing", mailboxA,
         [&](TestClaims &c) {
             QList<QByteArray> parts = signAssertion(key, c).split('.');
             c.iat = c.nbf = c.iat - 1;
             c.exp = c.iat + 600;
             return parts[0] + '.' + base64url(c.payload()) + '.' + parts[2];
         }},
        {"aud with another host", mailboxA,
         [&](TestClaims &c) {
             c.aud = QStringLiteral("https://localhost:%1/auth/realms/EDOR").arg(m_sim.httpsPort());
             return signAssertion(key, c);
         }},
        {"aud without the realm", mailboxA,
         [&](TestClaims &c) {
             c.aud = "https://" + m_sim.hostPort();
             return signAssertion(key, c);
         }},
        {"system name not upper-cased", mailboxA,
         [&](TestClaims &c) {
             c.iss = c.sub = mailboxA + ".SYSTEM.testowy";
             return signAssertion(key, c);
         }},
        {"iss without .SYSTEM.", mailboxA,
         [&](TestClaims &c) {
             c.iss = c.sub = mailboxA;
             return signAssertion(key, c);
         }},
        {"iss of another mailbox than login_hint", mailboxA,
         [&](TestClaims &c) {
             c.iss = c.sub = mailboxB + ".SYSTEM.TESTOWY";
             return signAssertion(key, c);
         }},
        {"sub differs from iss", mailboxA,
         [&](TestClaims &c) {
             c.sub = mailboxA + ".SYSTEM.INNY";
             return signAssertion(key, c);
         }},
        {"exp - iat = 601", mailboxA,
         [&](TestClaims &c) {
             c.exp += 1;
             return signAssertion(key, c);
         }},
        {"exp - iat = 599", mailboxA,
         [&](TestClaims &c) {
             c.exp -= 1;
             return signAssertion(key, c);
         }},
        {"nbf differs from iat", mailboxA,
         [&](TestClaims &c) {
             c.nbf = c.iat + 1;
             return signAssertion(key, c);
         }},
        {"iat ten minutes old", mailboxA,
         [&](TestClaims &c) {
             c.iat = c.nbf = c.iat - 600;
             c.exp = c.iat + 600;
             return signAssertion(key, c);
         }},
        {"header with a blank", mailboxA,
         [&](TestClaims &c) {
             return signAssertion(key, R"({"alg": "RS256","typ":"JWT"})", c.payload());
         }},
        {"header in another member order", mailboxA,
         [&](TestClaims &c) {
             return signAssertion(key, R"({"typ":"JWT","alg":"RS256"})", c.payload());
         }},
        {"padded base64", mailboxA, [&](TestClaims &c) { return signAssertion(key, c) + "=="; }},
        {"two parts only", mailboxA,
         [&](TestClaims &c) {
             const QList<QByteArray> parts = signAssertion(key, c).split('.');
             return parts[0] + '.' + parts[1];
         }},
        {"key not registered for the mailbox", mailboxB,
         [&](TestClaims &c) {
             c.iss = c.sub = mailboxB + ".SYSTEM.TESTOWY";
             return signAssertion(key, c);
         }},
        {"unknown mailbox", "AE:PL-00000-00000-00000-00",
         [&](TestClaims &c) {
             c.iss = c.sub = "AE:PL-00000-00000-00000-00.SYSTEM.TESTOWY";
             return signAssertion(key, c);
         }},
    };
    for (const Case &k : cases) {
        TestClaims c = TestClaims::valid(m_sim, mailboxA, now());
        const HttpAnswer a = requestToken(m_sim, k.loginHint, k.build(c));
        QVERIFY2(a.status == 401, qPrintable(QStringLiteral("%1: status %2 %3")
                                                 .arg(k.name)
                                                 .arg(a.status)
                                                 .arg(QString::fromUtf8(a.body))));
        QCOMPARE(a.json().object().value("error").toString(), QStringLiteral("invalid_client"));
        QVERIFY2(!a.json().object().value("error_description").toString().isEmpty(), k.name);
    }
}

void TestSimToken::rejectsReusedJti()
{
    const QByteArray assertion =
        signAssertion(m_key.key(), TestClaims::valid(m_sim, mailboxA, now()));
    QCOMPARE(requestToken(m_sim, mailboxA, assertion).status, 200);
    const HttpAnswer again = requestToken(m_sim, mailboxA, assertion);
    QCOMPARE(again.status, 401);
    QVERIFY(again.json().object().value("error_description").toString().contains("jti"));
}

void TestSimToken::checksBearerToken()
{
    const QByteArray token = obtainToken(m_sim, mailboxA, m_key.key());
    QVERIFY(!token.isEmpty());
    QCOMPARE(apiGet(m_sim, token, mailboxA, "/numberMessages").status, 200);

    const QList<QPair<const char *, QList<QPair<QByteArray, QByteArray>>>> refused = {
        {"no Authorization", {}},
        {"unknown token", {{"Authorization", "Bearer " + token + "x"}}},
        {"another scheme", {{"Authorization", "Basic " + token}}},
        {"token without scheme", {{"Authorization", token}}},
    };
    for (const auto &[name, headers] : refused) {
        const HttpAnswer a = httpsRequest(
            m_sim, "GET", "/api/v3/" + mailboxA.toLatin1() + "/numberMessages", {}, headers);
        QVERIFY2(a.status == 401, name);
        QVERIFY2(a.json().isObject(), name);
    }
    // A token is good for its own mailbox only.
    QVERIFY(m_sim.registerCsr(mailboxB, m_otherKey.csrPem()));
    QCOMPARE(apiGet(m_sim, token, mailboxB, "/numberMessages").status, 401);
    QCOMPARE(
        apiGet(m_sim, obtainToken(m_sim, mailboxB, m_otherKey.key()), mailboxB, "/numberMessages")
            .status,
        200);

    // A token past its lifetime is refused.
    m_sim.admin("POST", "/admin/config", R"({"expiresIn":0})");
    const QByteArray expired = obtainToken(m_sim, mailboxA, m_key.key());
    m_sim.admin("POST", "/admin/config", R"({"expiresIn":300})");
    QVERIFY(!expired.isEmpty());
    QCOMPARE(apiGet(m_sim, expired, mailboxA, "/numberMessages").status, 401);
}

void TestSimToken::registersPublicKeyAndRefusesGarbage()
{
    SimProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    QVERIFY(!sim.registerCsr(
        mailboxA,
        "-----BEGIN CERTIFICATE REQUEST-----\nAAAA\n-----END CERTIFICATE REQUEST-----\n"));
    QVERIFY(!sim.registerPublicKey(mailboxA, "not a key"));
    QCOMPARE(obtainToken(sim, mailboxA, m_key.key()), QByteArray());
    QVERIFY(sim.registerPublicKey(mailboxA, m_key.publicKeyPem()));
    QVERIFY(!obtainToken(sim, mailboxA, m_key.key()).isEmpty());
}

void TestSimToken::demoTrustsFirstAssertionOfSeededMailbox()
{
    SimProcess sim;
    QVERIFY2(sim.start({{}, 0, true}), qPrintable(sim.errorString()));
    QVERIFY(!obtainToken(sim, mailboxB, m_otherKey.key()).isEmpty());
    // Only seeded mailboxes, and every claim is still checked.
    const QString unknown = "AE:PL-00000-00000-00000-00";
    TestClaims c = TestClaims::valid(sim, unknown, now());
    QCOMPARE(requestToken(sim, unknown, signAssertion(m_key.key(), c)).status, 401);
    c = TestClaims::valid(sim, mailboxA, now());
    c.exp += 5;
    QCOMPARE(requestToken(sim, mailboxA, signAssertion(m_key.key(), c)).status, 401);
    // Once a key is registered, the signature counts again.
    QVERIFY(sim.registerCsr(mailboxA, m_key.csrPem()));
    QCOMPARE(obtainToken(sim, mailboxA, m_otherKey.key()), QByteArray());
    QVERIFY(!obtainToken(sim, mailboxA, m_key.key()).isEmpty());
}

void TestSimToken::judgesTimesByTheAnnouncedClock()
{
    // The service's clock is the one its time server announces: a client that applies the
    // measured offset gets a token, one that trusts the local clock does not.
    SimProcess sim;
    QVERIFY2(sim.start({{}, 900, false}), qPrintable(sim.errorString()));
    QVERIFY(sim.registerCsr(mailboxA, m_key.csrPem()));
    QCOMPARE(obtainToken(sim, mailboxA, m_key.key(), 0), QByteArray());
    const QByteArray token = obtainToken(sim, mailboxA, m_key.key(), 900);
    QVERIFY(!token.isEmpty());
    QCOMPARE(apiGet(sim, token, mailboxA, "/numberMessages").status, 200);
}

void TestSimToken::demoSeedAcceptsOnlyItsSystemName()
{
    // The demo tells the user which system name to type; any other must fail as it would
    // against the service.
    SimProcess sim;
    QVERIFY2(sim.start({QStringLiteral(TARNVEL_SOURCE_DIR "/tools/edelivery-sim/demo-seed.json"), 0,
                        true}),
             qPrintable(sim.errorString()));
    TestClaims c = TestClaims::valid(sim, mailboxA, now());
    c.iss = c.sub = mailboxA + ".SYSTEM.INNY";
    QCOMPARE(requestToken(sim, mailboxA, signAssertion(m_key.key(), c)).status, 401);
    c = TestClaims::valid(sim, mailboxA, now());
    c.iss = c.sub = mailboxA + ".SYSTEM.TARNVEL";
    const HttpAnswer a = requestToken(sim, mailboxA, signAssertion(m_key.key(), c));
    QCOMPARE(a.status, 200);
    const QByteArray token = a.json().object().value("access_token").toString().toLatin1();
    const QJsonArray counts = apiGet(sim, token, mailboxA, "/numberMessages").json().array();
    QVERIFY(counts.size() >= 5);
}

QTEST_GUILESS_MAIN(TestSimToken)
#include "test_sim_token.moc"
