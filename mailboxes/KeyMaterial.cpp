#include "mailboxes/KeyMaterial.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <memory>

namespace {

const QString kNonAsciiEmailText =
    QStringLiteral("Pole \"e-mail\" może zawierać wyłącznie znaki ASCII.");

template<typename T, void (*F)(T *)>
struct Deleter
{
    void operator()(T *p) const { F(p); }
};
using PKey = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY, EVP_PKEY_free>>;
using Req = std::unique_ptr<X509_REQ, Deleter<X509_REQ, X509_REQ_free>>;
void freeBio(BIO *b) { BIO_free(b); }
using Bio = std::unique_ptr<BIO, Deleter<BIO, freeBio>>;

[[noreturn]] void fail(const char *step)
{
    QString detail;
    if (const unsigned long code = ERR_get_error()) {
        char buf[256];
        ERR_error_string_n(code, buf, sizeof buf);
        detail = QStringLiteral(": ") + QString::fromLatin1(buf);
    }
    ERR_clear_error();
    throw KeyError(QString::fromLatin1(step) + detail);
}

QString bioText(BIO *bio)
{
    char *data = nullptr;
    const long len = BIO_get_mem_data(bio, &data);
    return QString::fromLatin1(data, int(len));
}

Bio memBio()
{
    Bio bio(BIO_new(BIO_s_mem()));
    if (!bio)
        fail("BIO_new");
    return bio;
}

bool isAscii(const QString &value)
{
    for (const QChar c : value)
        if (c.unicode() > 0x7f)
            return false;
    return true;
}

void addEntry(X509_NAME *name, int nid, const QString &value, int type)
{
    if (value.isEmpty())
        return;
    const QByteArray bytes = value.toUtf8();
    if (!X509_NAME_add_entry_by_NID(name, nid, type,
                                    reinterpret_cast<const unsigned char *>(bytes.constData()),
                                    int(bytes.size()), -1, 0))
        fail("X509_NAME_add_entry_by_NID");
}

void addNamed(X509_NAME *name, int nid, const QString &value)
{
    // The library would write any bytes under PrintableString without complaint; a value with
    // '@', '*', '_' and the like must go as UTF8String to stay a valid encoding.
    addEntry(name, nid, value,
             isprintablestring(value) ? V_ASN1_PRINTABLESTRING : V_ASN1_UTF8STRING);
}

QString prepared(const QString &value) { return rpol(value.trimmed()); }

} // namespace

bool isprintablestring(const QString &value)
{
    for (const QChar c : value) {
        const char16_t u = c.unicode();
        const bool ok = (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9')
                        || QStringView(u" '()+,-./:=?").contains(c);
        if (!ok)
            return false;
    }
    return true;
}

KeyMaterial generatekeys(const CsrSubject &subject)
{
    const QString email = prepared(subject.email);
    if (!isAscii(email))
        throw KeyError(kNonAsciiEmailText);

    ERR_clear_error();
    PKey key(EVP_RSA_gen(2048));
    if (!key)
        fail("EVP_RSA_gen");

    KeyMaterial out;
    {
        Bio bio = memBio();
        if (!PEM_write_bio_PKCS8PrivateKey(bio.get(), key.get(), EVP_aes_256_cbc(),
                                           const_cast<char *>(""), 0, nullptr, nullptr))
            fail("PEM_write_bio_PKCS8PrivateKey");
        out.privatePem = bioText(bio.get());
    }
    {
        Bio bio = memBio();
        if (!PEM_write_bio_PUBKEY(bio.get(), key.get()))
            fail("PEM_write_bio_PUBKEY");
        out.publicPem = bioText(bio.get());
    }

    Req req(X509_REQ_new());
    if (!req || !X509_REQ_set_version(req.get(), 0))
        fail("X509_REQ_new");
    X509_NAME *name = X509_REQ_get_subject_name(req.get());
    addNamed(name, NID_commonName, prepared(subject.domain));
    addNamed(name, NID_organizationalUnitName, prepared(subject.department));
    addNamed(name, NID_stateOrProvinceName, prepared(subject.province));
    addNamed(name, NID_organizationName, prepared(subject.organisation));
    addNamed(name, NID_countryName, prepared(subject.country));
    addNamed(name, NID_localityName, prepared(subject.locality));
    addEntry(name, NID_pkcs9_emailAddress, email, V_ASN1_IA5STRING);
    if (!X509_REQ_set_pubkey(req.get(), key.get()))
        fail("X509_REQ_set_pubkey");
    if (X509_REQ_sign(req.get(), key.get(), EVP_sha256()) <= 0)
        fail("X509_REQ_sign");
    {
        Bio bio = memBio();
        if (!PEM_write_bio_X509_REQ(bio.get(), req.get()))
            fail("PEM_write_bio_X509_REQ");
        out.csrPem = bioText(bio.get());
    }
    return out;
}

bool isreadableprivatekey(const QString &pem)
{
    const QByteArray bytes = pem.toUtf8();
    Bio bio(BIO_new_mem_buf(bytes.constData(), int(bytes.size())));
    if (!bio)
        return false;
    PKey key(PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, const_cast<char *>("")));
    ERR_clear_error();
    // The assertion is signed RS256: any other kind of key would fail at the first request.
    return key != nullptr && EVP_PKEY_is_a(key.get(), "RSA");
}
