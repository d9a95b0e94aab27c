// The editor's rules without the window: address check digits, transliteration, and the order
// and texts of the checks before generating keys and saving.

#include "mailboxes/KeyMaterial.h"
#include "mailboxes/MailboxRules.h"

#include <QTest>

Q_DECLARE_METATYPE(FormField)

class TestVeraddr : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void veraddrTable_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("valid");
        QTest::newRow("worked example") << "AE:PL-12345-67890-ABCDE-25" << true;
        QTest::newRow("wrong check digits") << "AE:PL-12345-67890-ABCDE-24" << false;
        QTest::newRow("lower-case prefix") << "ae:pl-12345-67890-ABCDE-25" << false;
        QTest::newRow("four-digit group") << "AE:PL-1234-67890-ABCDE-25" << false;
        QTest::newRow("blanks around") << "  AE:PL-12345-67890-ABCDE-25\t " << true;
        QTest::newRow("lower-case letters") << "AE:PL-12345-67890-abcde-25" << false;
        // ZZZZZ = 450, 00000 + 00443 = 443: D = 7, written 07; a single 7 fails the pattern.
        QTest::newRow("digit sum 7 as 07") << "AE:PL-00000-00443-ZZZZZ-07" << true;
        QTest::newRow("digit sum 7 as 7") << "AE:PL-00000-00443-ZZZZZ-7" << false;
        // S > N1 + N2: |450 - 0| = 450, digit sum 9.
        QTest::newRow("letters outweigh groups") << "AE:PL-00000-00000-ZZZZZ-09" << true;
        // 99999 + 99999 - 325 (AAAAA) = 199673: digit sum 35.
        QTest::newRow("largest groups") << "AE:PL-99999-99999-AAAAA-35" << true;
        QTest::newRow("trailing text") << "AE:PL-12345-67890-ABCDE-25x" << false;
        QTest::newRow("line feed inside") << "AE:PL-12345-67890-ABCDE-2\n5" << false;
        QTest::newRow("non-ASCII digits") << QString::fromUtf8("AE:PL-１2345-67890-ABCDE-25")
                                          << false;
        QTest::newRow("empty") << "" << false;
    }
    void veraddrTable()
    {
        QFETCH(QString, address);
        QFETCH(bool, valid);
        QCOMPARE(veraddr(address), valid);
    }

    void rpolTable_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("output");
        QTest::newRow("all 18") << QString::fromUtf8("ąćęłńóśźżĄĆĘŁŃÓŚŹŻ")
                                << "acelnoszzACELNOSZZ";
        QTest::newRow("Łódź") << QString::fromUtf8("Łódź") << "Lodz";
        QTest::newRow("others unchanged") << QString::fromUtf8("Zürich ß é @*")
                                          << QString::fromUtf8("Zürich ß é @*");
        QTest::newRow("every occurrence") << QString::fromUtf8("żżż") << "zzz";
    }
    void rpolTable()
    {
        QFETCH(QString, input);
        QFETCH(QString, output);
        QCOMPARE(rpol(input), output);
    }

    void keyFieldChecks_data()
    {
        QTest::addColumn<QString>("country");
        QTest::addColumn<QString>("province");
        QTest::addColumn<QString>("locality");
        QTest::addColumn<QString>("organisation");
        QTest::addColumn<QString>("domain");
        QTest::addColumn<FormField>("field");
        QTest::addColumn<QString>("message");
        const QString country = QString::fromUtf8(
            "Pole \"Kraj\" musi składać się z dwóch liter - kod kraju w formacie ISO-3166");
        QTest::newRow("all filled") << "PL" << "x" << "x" << "x" << "x" << FormField::None << "";
        QTest::newRow("letter and digit") << "P1" << "x" << "x" << "x" << "x" << FormField::Country
                                          << country;
        QTest::newRow("single letter") << "P" << "x" << "x" << "x" << "x" << FormField::Country
                                       << country;
        QTest::newRow("lower case") << "pl" << "x" << "x" << "x" << "x" << FormField::Country
                                    << country;
        QTest::newRow("country not trimmed") << " PL" << "x" << "x" << "x" << "x"
                                             << FormField::Country << country;
        QTest::newRow("country before others") << "" << "" << "" << "" << "" << FormField::Country
                                               << country;
        QTest::newRow("blank province") << "PL" << "  " << "" << "" << "" << FormField::Province
                                        << QString::fromUtf8(
                                               "Pole \"Województwo\" nie może być puste.");
        QTest::newRow("locality") << "PL" << "x" << " " << "" << "" << FormField::Locality
                                  << QString::fromUtf8("Pole \"Miejscowość\" nie może być puste.");
        QTest::newRow("organisation") << "PL" << "x" << "x" << "" << "" << FormField::Organisation
                                      << QString::fromUtf8(
                                             "Pole \"Firma/Organizacja\" nie może być puste.");
        QTest::newRow("domain") << "PL" << "x" << "x" << "x" << " " << FormField::Domain
                                << QString::fromUtf8("Pole \"Domena\" nie może być puste.");
    }
    void keyFieldChecks()
    {
        QFETCH(QString, country);
        QFETCH(QString, province);
        QFETCH(QString, locality);
        QFETCH(QString, organisation);
        QFETCH(QString, domain);
        QFETCH(FormField, field);
        QFETCH(QString, message);
        CsrSubject s{country, province, locality, organisation, "", "", domain};
        const FormCheck check = checkkeyfields(s);
        QCOMPARE(check.field, field);
        QCOMPARE(check.message, message);
    }

    void saveChecks()
    {
        const KeyMaterial keys = generatekeys({"PL", "x", "x", "x", "", "", "*.example.pl"});
        const MailboxForm good{"Biuro", " AE:PL-12345-67890-ABCDE-25 ", "tarnvel", keys.privatePem,
                               keys.publicPem, keys.csrPem, "", ""};
        QVERIFY(checkmailboxform(good, "web.example").ok());

        struct Case
        {
            const char *what;
            std::function<void(MailboxForm &)> change;
            FormField field;
            QString message;
        };
        const QString noKeys = QString::fromUtf8(
            "Brak certyfikatów.\r\nDo prawidłowego działania, nalezy wygenerować certyfikaty,\r\n"
            "oraz umieścić plik CSR w systemie web.example");
        const Case cases[] = {
            {"name", [](MailboxForm &f) { f.name = " "; f.address.clear(); }, FormField::Name,
             QString::fromUtf8("Pole \"Nazwa skrzynki\" nie może być puste.\r\nPowinna to być "
                               "unikalna, łatwa nazwa identyfikująca skrzynkę w programie.")},
            {"address", [](MailboxForm &f) { f.address = "AE:PL-12345-67890-ABCDE-24"; },
             FormField::Address,
             QString::fromUtf8("Błedny adres e-doręczeń.\r\nSprawdź poprawność adresu.")},
            {"sysname", [](MailboxForm &f) { f.sysname = "\t"; f.csr.clear(); }, FormField::Sysname,
             QString::fromUtf8("Pole \"Nazwa systemu\" nie może być puste.\r\nNazwa ta musi być "
                               "identyczna, co w stemie e-doręczeń")},
            {"private key", [](MailboxForm &f) { f.keyprv = " \n"; }, FormField::Sysname, noKeys},
            {"public key", [](MailboxForm &f) { f.keypub.clear(); }, FormField::Sysname, noKeys},
            {"csr", [](MailboxForm &f) { f.csr = "  "; }, FormField::Sysname, noKeys},
            {"unreadable key", [](MailboxForm &f) { f.keyprv = "not a key"; },
             FormField::PrivateKey, QString()},
            {"to", [](MailboxForm &f) { f.toemail = "a@b.pl, nie-adres"; }, FormField::ToEmail,
             QString::fromUtf8("Niepoprawna składnia adresu email w polu \"Do:\".")},
            {"cc", [](MailboxForm &f) { f.ccemail = "@"; }, FormField::CcEmail,
             QString::fromUtf8("Niepoprawna składnia adresu email w polu \"Kopa dla\".")},
        };
        for (const Case &c : cases) {
            MailboxForm f = good;
            c.change(f);
            const FormCheck check = checkmailboxform(f, "web.example");
            QVERIFY2(check.field == c.field, c.what);
            if (!c.message.isEmpty())
                QVERIFY2(check.message == c.message, c.what);
            else
                QVERIFY2(!check.message.isEmpty(), c.what);
        }
    }
};

QTEST_GUILESS_MAIN(TestVeraddr)
#include "test_veraddr.moc"
