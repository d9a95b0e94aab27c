#pragma once
// What the simulator's tests need besides SimProcess: RSA keys with their CSR, client
// assertions built and signed here with OpenSSL (never with the client's code), and plain
// HTTPS requests that trust the simulator's CA.

#include "tests/support/SimProcess.h"

#include <QJsonDocument>
#include <QList>
#include <QNetworkReply>
#include <QPair>

#include <openssl/evp.h>

class TestKey
{
public:
    TestKey();
    ~TestKey();
    TestKey(const TestKey &) = delete;
    TestKey &operator=(const TestKey &) = delete;
    EVP_PKEY *key() const { return m_key; }
    QString csrPem() const;
    QString publicKeyPem() const;

private:
    EVP_PKEY *m_key = nullptr;
};

struct TestClaims
{
    QString aud, iss, sub, jti;
    qint64 iat = 0, nbf = 0, exp = 0;
    // A correct set for the address and system name at the service time `now`.
    static TestClaims valid(const SimProcess &sim, const QString &address, qint64 now);
    QByteArray payload() const; // compact, in the member order the client writes
};

QByteArray base64url(const QByteArray &data);
QByteArray signAssertion(EVP_PKEY *key, const QByteArray &header, const QByteArray &payload);
QByteArray signAssertion(EVP_PKEY *key, const TestClaims &claims);

using HttpAnswer = SimHttpAnswer;

// pathAndQuery is sent as written (already encoded).
HttpAnswer httpsRequest(const SimProcess &sim, const QByteArray &method,
                        const QByteArray &pathAndQuery, const QByteArray &body = {},
                        const QList<QPair<QByteArray, QByteArray>> &headers = {},
                        int timeoutMs = 10000);
// The token request exactly as the service expects it.
HttpAnswer requestToken(const SimProcess &sim, const QString &address, const QByteArray &assertion);
// A valid assertion for the key, exchanged for an access token; empty on failure.
QByteArray obtainToken(const SimProcess &sim, const QString &address, EVP_PKEY *key,
                       qint64 clockOffset = 0);
HttpAnswer apiGet(const SimProcess &sim, const QByteArray &token, const QString &address,
                  const QByteArray &resource);
