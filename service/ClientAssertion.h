#pragma once
// The client assertion that authenticates a mailbox at the token endpoint: a JWS (RS256)
// signed with the mailbox's own private key. The builders take the time and the jti as
// arguments, so the exact bytes can be checked for a fixed clock.

#include <QByteArray>
#include <QString>

QByteArray assertionHeader(); // {"alg":"RS256","typ":"JWT"}

// address + ".SYSTEM." + sysname with a-z upper-cased (other characters unchanged).
QString assertionIssuer(const QString &address, const QString &sysname);

// One line, no white space, members aud, exp, iat, iss, jti, nbf, sub in that order; n is the
// assertion time. Strings are valid JSON: ", \ and control characters are escaped.
QByteArray assertionPayload(const QString &aud, qint64 n, const QString &iss, const QString &jti);

// A fresh random GUID: 8-4-4-4-12 upper-case hexadecimal digits, no braces.
QString newJti();

QByteArray base64UrlNoPad(const QByteArray &bytes);

// header.payload.signature. Throws ServiceError when the key cannot be read (not PEM, not RSA,
// needs another pass phrase) or signing fails.
QByteArray signAssertion(const QByteArray &privateKeyPem, const QByteArray &header,
                         const QByteArray &payload);
