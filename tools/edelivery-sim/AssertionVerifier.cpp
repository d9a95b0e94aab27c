#include "AssertionVerifier.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <cmath>

namespace {

const qint64 allowedSkew = 120;
const qint64 assertionLifetime = 600;

bool decodeSegment(const QByteArray &in, QByteArray *out)
{
    // Only the unpadded URL-safe alphabet: '=', '+', '/' or white space mean a faulty encoder.
    static const QRegularExpression alphabet(QStringLiteral("^[A-Za-z0-9_-]*$"));
    if (!alphabet.match(QString::fromLatin1(in)).hasMatch() || in.size() % 4 == 1)
        return false;
    auto r = QByteArray::fromBase64Encoding(in, QByteArray::Base64UrlEncoding |
                                                    QByteArray::AbortOnBase64DecodingErrors);
    if (!r)
        return false;
    *out = *r;
    return true;
}

bool integerClaim(const QJsonObject &o, const char *name, qint64 *out)
{
    const QJsonValue v = o.value(QLatin1String(name));
    if (!v.isDouble())
        return false;
    const double d = v.toDouble();
    if (d != std::floor(d))
        return false;
    *out = static_cast<qint64>(d);
    return true;
}

bool signatureOk(EVP_PKEY *key, const QByteArray &input, const QByteArray &sig)
{
    EVP_MD_CTX *ctx = EVP_MD_CTX_new();
    bool ok = EVP_DigestVerifyInit(ctx, nullptr, EVP_sha256(), nullptr, key) == 1 &&
              EVP_DigestVerify(ctx, reinterpret_cast<const unsigned char *>(sig.constData()),
                               static_cast<size_t>(sig.size()),
                               reinterpret_cast<const unsigned char *>(input.constData()),
                               static_cast<size_t>(input.size())) == 1;
    EVP_MD_CTX_free(ctx);
    return ok;
}

} // namespace

QString verifyAssertion(const QByteArray &assertion, const AssertionCheck &check,
                        AssertionClaims *claims)
{
    const QList<QByteArray> parts = assertion.split('.');
    if (parts.size() != 3)
        return "the assertion is not a compact JWS of three parts";
    QByteArray header, payload, signature;
    if (!decodeSegment(parts[0], &header) || !decodeSegment(parts[1], &payload) ||
        !decodeSegment(parts[2], &signature))
        return "a part of the assertion is not unpadded base64url";
    if (header != R"({"alg":"RS256","typ":"JWT"})")
        return "unexpected header " + QString::fromUtf8(header);
    if (check.key && !signatureOk(check.key, parts[0] + '.' + parts[1], signature))
        return "the signature does not verify with the registered key";

    QJsonParseError pe;
    const QJsonDocument doc = QJsonDocument::fromJson(payload, &pe);
    if (!doc.isObject())
        return "the payload is not a JSON object: " + pe.errorString();
    const QJsonObject o = doc.object();

    const QString aud = o.value("aud").toString();
    if (aud != check.expectedAud)
        return "aud is '" + aud + "', expected '" + check.expectedAud + "'";

    const QString iss = o.value("iss").toString();
    const QString prefix = check.address + ".SYSTEM.";
    if (!iss.startsWith(prefix) || iss.size() == prefix.size())
        return "iss '" + iss + "' is not the login_hint address + .SYSTEM. + a system name";
    const QString sysname = iss.mid(prefix.size());
    static const QRegularExpression lowerAscii(QStringLiteral("[a-z]"));
    if (sysname.contains(lowerAscii))
        return "the system name in iss is not upper-cased";
    if (!check.systemName.isEmpty() && sysname != check.systemName.toUpper())
        return "unknown system name '" + sysname + "'";
    if (o.value("sub").toString() != iss)
        return "sub differs from iss";

    qint64 iat = 0, nbf = 0, exp = 0;
    if (!integerClaim(o, "iat", &iat) || !integerClaim(o, "nbf", &nbf) ||
        !integerClaim(o, "exp", &exp))
        return "iat, nbf and exp must be integers";
    if (exp - iat != assertionLifetime)
        return QStringLiteral("exp - iat is %1, expected 600").arg(exp - iat);
    if (nbf != iat)
        return "nbf differs from iat";
    if (std::llabs(iat - check.now) > allowedSkew)
        return QStringLiteral("iat %1 is too far from the service time %2").arg(iat).arg(check.now);

    const QString jti = o.value("jti").toString();
    if (jti.isEmpty())
        return "no jti";
    claims->iss = iss;
    claims->jti = jti;
    return {};
}
