#include "test_sim_support.h"

#include <QDateTime>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QSslConfiguration>
#include <QUrl>
#include <QUuid>

#include <openssl/pem.h>
#include <openssl/x509.h>

namespace {

QString bioText(BIO *bio)
{
    char *data = nullptr;
    const long len = BIO_get_mem_data(bio, &data);
    QString s = QString::fromLatin1(data, len);
    BIO_free(bio);
    return s;
}

} // namespace

TestKey::TestKey() : m_key(EVP_RSA_gen(2048)) {}

TestKey::~TestKey()
{
    EVP_PKEY_free(m_key);
}

QString TestKey::csrPem() const
{
    X509_REQ *req = X509_REQ_new();
    X509_REQ_set_version(req, 0);
    X509_NAME *name = X509_REQ_get_subject_name(req);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char *>("Test"), -1, -1, 0);
    X509_REQ_set_pubkey(req, m_key);
    X509_REQ_sign(req, m_key, EVP_sha256());
    BIO *bio = BIO_new(BIO_s_mem());
    PEM_write_bio_X509_REQ(bio, req);
    X509_REQ_free(req);
    return bioText(bio);
}

QString TestKey::publicKeyPem() const
{
    BIO *bio = BIO_new(BIO_s_mem());
    PEM_write_bio_PUBKEY(bio, m_key);
    return bioText(bio);
}

TestClaims TestClaims::valid(const SimProcess &sim, const QString &address, qint64 now)
{
    TestClaims c;
    c.aud = "https://" + sim.hostPort() + "/auth/realms/EDOR";
    c.iss = c.sub = address + ".SYSTEM.TESTOWY";
    c.jti = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    c.iat = c.nbf = now - 1;
    c.exp = c.iat + 600;
    return c;
}

QByteArray TestClaims::payload() const
{
    return QStringLiteral(
               R"({"aud":"%1","exp":%2,"iat":%3,"iss":"%4","jti":"%5","nbf":%6,"sub":"%7"})")
        .arg(aud)
        .arg(exp)
        .arg(iat)
        .arg(iss, jti)
        .arg(nbf)
        .arg(sub)
        .toUtf8();
}

QByteArray base64url(const QByteArray &data)
{
    return data.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

QByteArray signAssertion(EVP_PKEY *key, const QByteArray &header, const QByteArray &payload)
{
    const QByteArray input = base64url(header) + '.' + base64url(payload);
    EVP_MD_CTX *ctx = EVP_MD_CTX_new();
    size_t len = 0;
    EVP_DigestSignInit(ctx, nullptr, EVP_sha256(), nullptr, key);
    EVP_DigestSign(ctx, nullptr, &len, reinterpret_cast<const unsigned char *>(input.constData()),
                   input.size());
    QByteArray sig(static_cast<qsizetype>(len), '\0');
    EVP_DigestSign(ctx, reinterpret_cast<unsigned char *>(sig.data()), &len,
                   reinterpret_cast<const unsigned char *>(input.constData()), input.size());
    EVP_MD_CTX_free(ctx);
    sig.truncate(static_cast<qsizetype>(len));
    return input + '.' + base64url(sig);
}

QByteArray signAssertion(EVP_PKEY *key, const TestClaims &claims)
{
    return signAssertion(key, R"({"alg":"RS256","typ":"JWT"})", claims.payload());
}

HttpAnswer httpsRequest(const SimProcess &sim, const QByteArray &method,
                        const QByteArray &pathAndQuery, const QByteArray &body,
                        const QList<QPair<QByteArray, QByteArray>> &headers, int timeoutMs)
{
    return sim.send(method, pathAndQuery, body, headers, timeoutMs);
}

HttpAnswer requestToken(const SimProcess &sim, const QString &address, const QByteArray &assertion)
{
    const QByteArray query = "?login_hint=" + QUrl::toPercentEncoding(address);
    const QByteArray body =
        "client_assertion_type=" +
        QUrl::toPercentEncoding("urn:ietf:params:oauth:client-assertion-type:jwt-bearer") +
        "&grant_type=client_credentials&client_assertion=" + assertion;
    return httpsRequest(sim, "POST", "/auth/realms/EDOR/protocol/openid-connect/token" + query,
                        body, {{"Content-Type", "application/x-www-form-urlencoded"}});
}

QByteArray obtainToken(const SimProcess &sim, const QString &address, EVP_PKEY *key,
                       qint64 clockOffset)
{
    const TestClaims c =
        TestClaims::valid(sim, address, QDateTime::currentSecsSinceEpoch() + clockOffset);
    const HttpAnswer a = requestToken(sim, address, signAssertion(key, c));
    return a.status == 200 ? a.json().object().value("access_token").toString().toLatin1()
                           : QByteArray();
}

HttpAnswer apiGet(const SimProcess &sim, const QByteArray &token, const QString &address,
                  const QByteArray &resource)
{
    return httpsRequest(sim, "GET", "/api/v3/" + address.toLatin1() + resource, {},
                        {{"Authorization", "Bearer " + token}});
}
