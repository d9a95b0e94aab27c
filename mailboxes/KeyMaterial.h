#pragma once
// Key pair and certificate request of a mailbox, as PEM texts.

#include "mailboxes/MailboxRules.h"

#include <QString>
#include <stdexcept>

class KeyError : public std::runtime_error
{
public:
    explicit KeyError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }
    QString message() const { return m_message; }

private:
    QString m_message;
};

struct KeyMaterial
{
    QString privatePem; // PKCS #8, AES-256-CBC under an empty pass phrase
    QString publicPem;  // SubjectPublicKeyInfo
    QString csrPem;     // PKCS #10, signed with SHA-256
};

// A fresh RSA-2048 key pair and a request for the subject. Each subject value is trimmed and
// transliterated; empty values are left out. Raises KeyError when the library fails or a value
// cannot be encoded.
KeyMaterial generatekeys(const CsrSubject &subject);

// True when the text is a PEM private key that reads with an empty pass phrase (or none).
bool isreadableprivatekey(const QString &pem);

// True when every character is in the ASN.1 PrintableString set.
bool isprintablestring(const QString &value);
