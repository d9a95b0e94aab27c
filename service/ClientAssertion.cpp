#include "service/ClientAssertion.h"

#include "service/Resources.h"
#include "service/ServiceError.h"

#include <QUuid>
#include <memory>
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

namespace {

const char *const KeyUnreadableText = "Nie można odczytać klucza prywatnego skrzynki.";
const char *const SignFailedText = "Nie można podpisać żądania tokenu kluczem skrzynki.";

struct BioFree { void operator()(BIO *b) const { BIO_free(b); } };
struct PkeyFree { void operator()(EVP_PKEY *k) const { EVP_PKEY_free(k); } };
struct MdCtxFree { void operator()(EVP_MD_CTX *c) const { EVP_MD_CTX_free(c); } };

[[noreturn]] void fail(const char *text)
{
    ERR_clear_error();
    throw ServiceError(QString::fromUtf8(text));
}

} // namespace

QByteArray assertionHeader()
{
    return QByteArrayLiteral("{\"alg\":\"RS256\",\"typ\":\"JWT\"}");
}

QString assertionIssuer(const QString &address, const QString &sysname)
{
    QString upper = sysname;
    for (QChar &c : upper)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 'a' + 'A');
    return address + QStringLiteral(".SYSTEM.") + upper;
}

QByteArray assertionPayload(const QString &aud, qint64 n, const QString &iss, const QString &jti)
{
    const QString json = QStringLiteral("{\"aud\":") + jsonQuote(aud)
        + QStringLiteral(",\"exp\":") + QString::number(n + 600)
        + QStringLiteral(",\"iat\":") + QString::number(n)
        + QStringLiteral(",\"iss\":") + jsonQuote(iss)
        + QStringLiteral(",\"jti\":") + jsonQuote(jti)
        + QStringLiteral(",\"nbf\":") + QString::number(n)
        + QStringLiteral(",\"sub\":") + jsonQuote(iss) + QLatin1Char('}');
    return json.toUtf8();
}

QString newJti()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

QByteArray base64UrlNoPad(const QByteArray &bytes)
{
    return bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

QByteArray signAssertion(const QByteArray &privateKeyPem, const QByteArray &header,
                         const QByteArray &payload)
{
    std::unique_ptr<BIO, BioFree> bio(BIO_new_mem_buf(privateKeyPem.constData(),
                                                      int(privateKeyPem.size())));
    if (!bio)
        fail(KeyUnreadableText);
    // The editor writes the key encrypted under an empty pass phrase; passing it here also
    // keeps OpenSSL from ever prompting on a terminal.
    std::unique_ptr<EVP_PKEY, PkeyFree> key(
        PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, const_cast<char *>("")));
    if (!key || !EVP_PKEY_is_a(key.get(), "RSA"))
        fail(KeyUnreadableText);

    const QByteArray input = base64UrlNoPad(header) + '.' + base64UrlNoPad(payload);
    std::unique_ptr<EVP_MD_CTX, MdCtxFree> ctx(EVP_MD_CTX_new());
    size_t len = 0;
    if (!ctx || EVP_DigestSignInit(ctx.get(), nullptr, EVP_sha256(), nullptr, key.get()) != 1
        || EVP_DigestSign(ctx.get(), nullptr, &len,
                          reinterpret_cast<const unsigned char *>(input.constData()),
                          size_t(input.size())) != 1)
        fail(SignFailedText);
    QByteArray sig(qsizetype(len), '\0');
    if (EVP_DigestSign(ctx.get(), reinterpret_cast<unsigned char *>(sig.data()), &len,
                       reinterpret_cast<const unsigned char *>(input.constData()),
                       size_t(input.size())) != 1)
        fail(SignFailedText);
    sig.truncate(qsizetype(len));
    return input + '.' + base64UrlNoPad(sig);
}
