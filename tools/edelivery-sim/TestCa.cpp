#include "TestCa.h"

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/ec.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509v3.h>

namespace {

// EC keys: generated in microseconds, where RSA-2048 takes up to half a second here.
EVP_PKEY *newKey()
{
    return EVP_EC_gen("P-256");
}

bool addExt(X509 *cert, X509 *issuer, int nid, const char *value)
{
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION *ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    if (!ext)
        return false;
    const bool ok = X509_add_ext(cert, ext, -1) == 1;
    X509_EXTENSION_free(ext);
    return ok;
}

bool setSerial(X509 *cert)
{
    unsigned char bytes[16];
    if (RAND_bytes(bytes, sizeof bytes) != 1)
        return false;
    bytes[0] &= 0x7f;
    BIGNUM *bn = BN_bin2bn(bytes, sizeof bytes, nullptr);
    const bool ok = bn && BN_to_ASN1_INTEGER(bn, X509_get_serialNumber(cert));
    BN_free(bn);
    return ok;
}

X509 *newCert(EVP_PKEY *key, const char *commonName, X509 *issuer)
{
    X509 *cert = X509_new();
    X509_set_version(cert, 2);
    setSerial(cert);
    // Back-dated by an hour so that a slightly different clock in the client still accepts it.
    X509_gmtime_adj(X509_getm_notBefore(cert), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert), 7L * 24 * 3600);
    X509_set_pubkey(cert, key);
    X509_NAME *name = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char *>("edelivery-sim"), -1, -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char *>(commonName), -1, -1, 0);
    X509_set_issuer_name(cert, issuer ? X509_get_subject_name(issuer) : name);
    return cert;
}

} // namespace

TestCa::~TestCa()
{
    X509_free(m_serverCert);
    EVP_PKEY_free(m_serverKey);
    X509_free(m_caCert);
    EVP_PKEY_free(m_caKey);
}

bool TestCa::generate(std::string *error)
{
    m_caKey = newKey();
    m_serverKey = newKey();
    if (!m_caKey || !m_serverKey) {
        *error = "key generation failed";
        return false;
    }

    m_caCert = newCert(m_caKey, "edelivery-sim test CA", nullptr);
    bool ok = addExt(m_caCert, m_caCert, NID_basic_constraints, "critical,CA:TRUE") &&
              addExt(m_caCert, m_caCert, NID_key_usage, "critical,keyCertSign,cRLSign") &&
              addExt(m_caCert, m_caCert, NID_subject_key_identifier, "hash") &&
              X509_sign(m_caCert, m_caKey, EVP_sha256()) > 0;

    m_serverCert = newCert(m_serverKey, "127.0.0.1", m_caCert);
    ok = ok && addExt(m_serverCert, m_caCert, NID_basic_constraints, "critical,CA:FALSE") &&
         addExt(m_serverCert, m_caCert, NID_key_usage, "critical,digitalSignature") &&
         addExt(m_serverCert, m_caCert, NID_ext_key_usage, "serverAuth") &&
         addExt(m_serverCert, m_caCert, NID_subject_alt_name, "IP:127.0.0.1,DNS:localhost") &&
         addExt(m_serverCert, m_caCert, NID_authority_key_identifier, "keyid:always") &&
         X509_sign(m_serverCert, m_caKey, EVP_sha256()) > 0;
    if (!ok)
        *error = "certificate generation failed";
    return ok;
}

std::string TestCa::caPem() const
{
    BIO *bio = BIO_new(BIO_s_mem());
    PEM_write_bio_X509(bio, m_caCert);
    char *data = nullptr;
    const long len = BIO_get_mem_data(bio, &data);
    std::string pem(data, static_cast<size_t>(len));
    BIO_free(bio);
    return pem;
}
