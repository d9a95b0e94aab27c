#pragma once
// The rules of the mailbox editor that need no window: the e-Delivery address check, the
// transliteration of Polish letters, and the checks run before generating keys and saving.

#include <QString>

bool veraddr(const QString &FullAddress);
QString rpol(const QString &Input);

// The subject fields of a certificate request, as typed.
struct CsrSubject
{
    QString country;
    QString province;
    QString locality;
    QString organisation;
    QString department;
    QString email;
    QString domain;
};

// The editor's fields as they stand when the user saves.
struct MailboxForm
{
    QString name;
    QString address;
    QString sysname;
    QString keyprv;
    QString keypub;
    QString csr;
    QString toemail;
    QString ccemail;
};

// Which field a failed check points the user to.
enum class FormField {
    None,
    Name,
    Address,
    Sysname,
    Country,
    Province,
    Locality,
    Organisation,
    Domain,
    PrivateKey,
    ToEmail,
    CcEmail,
};

struct FormCheck
{
    FormField field = FormField::None;
    QString message;
    bool ok() const { return field == FormField::None; }
};

// First failing check before key generation, or an empty result.
FormCheck checkkeyfields(const CsrSubject &subject);
// First failing check before saving; webSite is the host named in the missing-keys text.
FormCheck checkmailboxform(const MailboxForm &form, const QString &webSite);
