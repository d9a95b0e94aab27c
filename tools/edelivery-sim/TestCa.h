#pragma once
// A throwaway certificate authority and a server certificate for 127.0.0.1 and localhost,
// made fresh at every start so that no key material lives in the repository.

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <string>

class TestCa
{
public:
    TestCa() = default;
    ~TestCa();
    TestCa(const TestCa &) = delete;
    TestCa &operator=(const TestCa &) = delete;

    bool generate(std::string *error);
    std::string caPem() const;
    X509 *serverCert() const { return m_serverCert; }
    EVP_PKEY *serverKey() const { return m_serverKey; }

private:
    EVP_PKEY *m_caKey = nullptr;
    X509 *m_caCert = nullptr;
    EVP_PKEY *m_serverKey = nullptr;
    X509 *m_serverCert = nullptr;
};
