#include "mailboxes/MailboxRules.h"

#include "mailboxes/KeyMaterial.h"
#include "storage/fvar.h"

#include <QRegularExpression>

namespace {

const QString kCountryText = QStringLiteral(
    "Pole \"Kraj\" musi składać się z dwóch liter - kod kraju w formacie ISO-3166");
const QString kProvinceText = QStringLiteral("Pole \"Województwo\" nie może być puste.");
const QString kLocalityText = QStringLiteral("Pole \"Miejscowość\" nie może być puste.");
const QString kOrganisationText = QStringLiteral("Pole \"Firma/Organizacja\" nie może być puste.");
const QString kDomainText = QStringLiteral("Pole \"Domena\" nie może być puste.");

const QString kNameText = QStringLiteral(
    "Pole \"Nazwa skrzynki\" nie może być puste.\r\n"
    "Powinna to być unikalna, łatwa nazwa identyfikująca skrzynkę w programie.");
const QString kAddressText =
    QStringLiteral("Błedny adres e-doręczeń.\r\nSprawdź poprawność adresu.");
const QString kSysnameText = QStringLiteral(
    "Pole \"Nazwa systemu\" nie może być puste.\r\n"
    "Nazwa ta musi być identyczna, co w stemie e-doręczeń");
const QString kNoKeysText = QStringLiteral(
    "Brak certyfikatów.\r\nDo prawidłowego działania, nalezy wygenerować certyfikaty,\r\n"
    "oraz umieścić plik CSR w systemie ");
const QString kBadPrivateKeyText = QStringLiteral(
    "Klucz prywatny nie jest czytelnym kluczem w formacie PEM.\r\n"
    "Wygeneruj nowe klucze albo wklej poprawny klucz.");
const QString kToText = QStringLiteral("Niepoprawna składnia adresu email w polu \"Do:\".");
const QString kCcText = QStringLiteral("Niepoprawna składnia adresu email w polu \"Kopa dla\".");

int digitSum(qint32 value)
{
    int sum = 0;
    for (const QChar c : QString::number(value))
        if (c.isDigit())
            sum += c.digitValue();
    return sum;
}

} // namespace

bool veraddr(const QString &FullAddress)
{
    static const QRegularExpression pattern(QStringLiteral(
        "^(AE\\:PL)\\-([0-9]{1}[0-9]{4})\\-([0-9]{1}[0-9]{4})\\-([A-Z]{5})\\-([0-9]{1}[0-9]{1})$"));
    const QRegularExpressionMatch m = pattern.match(FullAddress.trimmed());
    if (!m.hasMatch())
        return false;
    const qint32 n1 = m.captured(2).toInt();
    const qint32 n2 = m.captured(3).toInt();
    qint32 letters = 0;
    for (const QChar c : m.captured(4))
        letters += c.unicode();
    const qint32 check = m.captured(5).toInt();
    const qint32 difference = letters - (n1 + n2);
    return digitSum(difference < 0 ? -difference : difference) == check;
}

QString rpol(const QString &Input)
{
    static const char16_t pairs[18][2] = {
        {u'ą', u'a'}, {u'ć', u'c'}, {u'ę', u'e'}, {u'ł', u'l'}, {u'ń', u'n'}, {u'ó', u'o'},
        {u'ś', u's'}, {u'ź', u'z'}, {u'ż', u'z'}, {u'Ą', u'A'}, {u'Ć', u'C'}, {u'Ę', u'E'},
        {u'Ł', u'L'}, {u'Ń', u'N'}, {u'Ó', u'O'}, {u'Ś', u'S'}, {u'Ź', u'Z'}, {u'Ż', u'Z'},
    };
    QString out = Input;
    for (const auto &p : pairs)
        out.replace(QChar(p[0]), QChar(p[1]));
    return out;
}

FormCheck checkkeyfields(const CsrSubject &subject)
{
    static const QRegularExpression country(QStringLiteral("^[A-Z]{2}$"));
    // "$" would also accept a trailing line feed; the country code must be exactly two letters.
    if (!country.match(subject.country).hasMatch() || subject.country.size() != 2)
        return {FormField::Country, kCountryText};
    if (subject.province.trimmed().isEmpty())
        return {FormField::Province, kProvinceText};
    if (subject.locality.trimmed().isEmpty())
        return {FormField::Locality, kLocalityText};
    if (subject.organisation.trimmed().isEmpty())
        return {FormField::Organisation, kOrganisationText};
    if (subject.domain.trimmed().isEmpty())
        return {FormField::Domain, kDomainText};
    return {};
}

FormCheck checkmailboxform(const MailboxForm &form, const QString &webSite)
{
    if (form.name.trimmed().isEmpty())
        return {FormField::Name, kNameText};
    if (!veraddr(form.address))
        return {FormField::Address, kAddressText};
    if (form.sysname.trimmed().isEmpty())
        return {FormField::Sysname, kSysnameText};
    if (form.keyprv.trimmed().isEmpty() || form.keypub.trimmed().isEmpty()
        || form.csr.trimmed().isEmpty())
        return {FormField::Sysname, kNoKeysText + webSite};
    // A key that cannot be read would only fail later, at every token request of the mailbox.
    if (!isreadableprivatekey(form.keyprv))
        return {FormField::PrivateKey, kBadPrivateKeyText};
    if (!isvalidemaillist(form.toemail))
        return {FormField::ToEmail, kToText};
    if (!isvalidemaillist(form.ccemail))
        return {FormField::CcEmail, kCcText};
    return {};
}
