#pragma once
// Checks a client assertion the way the token service does, on its own reading of the
// format: exact header, RS256 signature, audience, issuer and subject, the time claims.

#include <QString>

#include <openssl/evp.h>

struct AssertionClaims
{
    QString iss, jti;
};

struct AssertionCheck
{
    QString expectedAud;     // "https://" + host the client used + "/auth/realms/EDOR"
    QString address;         // login_hint
    QString systemName;      // empty: any upper-case system name
    qint64 now = 0;          // the service's clock, Unix seconds
    EVP_PKEY *key = nullptr; // nullptr: the signature is not checked (demo trust on first use)
};

// Returns an empty string when the assertion is acceptable, else why not.
QString verifyAssertion(const QByteArray &assertion, const AssertionCheck &check,
                        AssertionClaims *claims);
