// Building and signing one client assertion, as each token request does (key read from its
// encrypted PEM, payload, RS256 signature). Prints the mean time per assertion.

#include "service/ClientAssertion.h"

#include <QElapsedTimer>
#include <cstdio>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>

int main()
{
    EVP_PKEY *key = EVP_RSA_gen(2048);
    BIO *bio = BIO_new(BIO_s_mem());
    if (!key || !bio
        || PEM_write_bio_PKCS8PrivateKey(bio, key, EVP_aes_256_cbc(), const_cast<char *>(""), 0,
                                         nullptr, nullptr) != 1) {
        std::fprintf(stderr, "key generation failed\n");
        return 1;
    }
    char *data = nullptr;
    const long len = BIO_get_mem_data(bio, &data);
    const QByteArray pem(data, int(len));
    BIO_free(bio);
    EVP_PKEY_free(key);

    const int rounds = 200;
    QElapsedTimer t;
    t.start();
    qsizetype total = 0;
    for (int i = 0; i < rounds; ++i) {
        const QByteArray payload = assertionPayload(
            "https://ow.edoreczenia.gov.pl/auth/realms/EDOR", 1714996986 + i,
            assertionIssuer("AE:PL-12345-67890-ABCDE-25", "tarnvel"), newJti());
        total += signAssertion(pem, assertionHeader(), payload).size();
    }
    const double ms = double(t.nsecsElapsed()) / 1e6 / rounds;
    std::printf("client assertion (read key, build, sign): %.3f ms each over %d rounds (%lld bytes)\n",
                ms, rounds, static_cast<long long>(total / rounds));
    return 0;
}
