// The shared text and file helpers, as tables of cases.

#include "storage/fvar.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kNbsp = QString(QChar(0x00A0));

void touch(const QString &path)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("x");
}

} // namespace

class TestTextHelpers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void extractemail_data();
    void extractemail();
    void isvalidemail_data();
    void isvalidemail();
    void isvalidemaillist_data();
    void isvalidemaillist();
    void quotedisplayname_data();
    void quotedisplayname();
    void base64url();
    void safefilename_data();
    void safefilename();
    void safefilenameEmpty();
    void randomletters();
    void deletemailbox();
    void deletedirtree();
    void getappversion();
};

void TestTextHelpers::extractemail_data()
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QTest::newRow("name and address") << "Jan Kowalski <jan@example.pl>" << "jan@example.pl";
    QTest::newRow("blanks after <") << "X < \tjan@example.pl>" << "jan@example.pl";
    QTest::newRow("blank before > stays") << "X <jan@example.pl >" << "jan@example.pl ";
    QTest::newRow("first of two") << "<a@b.pl> <c@d.pl>" << "a@b.pl";
    QTest::newRow("no brackets, trimmed") << " \t jan@example.pl \r\n" << "jan@example.pl";
    QTest::newRow("empty brackets") << "<>" << "<>";
    QTest::newRow("non-breaking space is no blank") << "<" + kNbsp + "a@b.pl>" << kNbsp + "a@b.pl";
}

void TestTextHelpers::extractemail()
{
    QFETCH(QString, in);
    QFETCH(QString, out);
    QCOMPARE(::extractemail(in), out);
}

void TestTextHelpers::isvalidemail_data()
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<bool>("valid");
    QTest::newRow("plain") << "jan@example.pl" << true;
    QTest::newRow("mixed parts") << "j.a-n_9@sub-1.ex_ample.pl" << true;
    QTest::newRow("surrounded by blanks") << "  jan@example.pl\t" << true;
    QTest::newRow("in brackets") << "Jan <jan@example.pl>" << true;
    QTest::newRow("blank before >") << "Jan <jan@example.pl >" << false;
    QTest::newRow("domain without dot") << "jan@localhost" << false;
    QTest::newRow("one-letter end") << "jan@example.p" << false;
    QTest::newRow("polish letter") << QString::fromUtf8("jaś@example.pl") << false;
    QTest::newRow("polish letter in domain") << QString::fromUtf8("jan@łódź.pl") << false;
    QTest::newRow("blank inside") << "ja n@example.pl" << false;
    QTest::newRow("non-breaking space inside") << "ja" + kNbsp + "n@example.pl" << false;
    QTest::newRow("two @") << "a@b@example.pl" << false;
    QTest::newRow("empty") << "" << false;
    // "$" alone would let a final line feed through into a mail header.
    QTest::newRow("line feed before >") << "<jan@example.pl\n>" << false;
}

void TestTextHelpers::isvalidemail()
{
    QFETCH(QString, in);
    QFETCH(bool, valid);
    QCOMPARE(::isvalidemail(in), valid);
}

void TestTextHelpers::isvalidemaillist_data()
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<bool>("valid");
    QTest::newRow("empty") << "" << true;
    QTest::newRow("blanks only") << "   " << false;
    QTest::newRow("one") << "a@example.pl" << true;
    QTest::newRow("comma and blank") << "a@example.pl, Bo <b@example.pl>" << true;
    QTest::newRow("semicolon") << "a@example.pl;b@example.pl" << false;
    QTest::newRow("final comma") << "a@example.pl," << false;
    QTest::newRow("two commas") << "a@example.pl,,b@example.pl" << false;
    QTest::newRow("second bad") << "a@example.pl, b@example" << false;
}

void TestTextHelpers::isvalidemaillist()
{
    QFETCH(QString, in);
    QFETCH(bool, valid);
    QCOMPARE(::isvalidemaillist(in), valid);
}

void TestTextHelpers::quotedisplayname_data()
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QTest::newRow("parenthesised surname") << "  Jan (Kowalski) " << "Jan Kowalski";
    QTest::newRow("comma removed") << "Kowalski, Jan" << "Kowalski Jan";
    QTest::newRow("apostrophe and hyphen") << "Anne O'Neil-Smith" << "Anne O'Neil-Smith";
    QTest::newRow("polish letter") << QString::fromUtf8("Paweł") << QString::fromUtf8("\"Paweł\"");
    QTest::newRow("exclamation") << "Hej!" << "\"Hej!\"";
    QTest::newRow("hash") << "Dział #2" << QString::fromUtf8("\"Dział #2\"");
    QTest::newRow("tab inside") << "Jan\tK" << "\"Jan\tK\"";
    QTest::newRow("non-breaking space") << "Jan" + kNbsp + "K" << "\"Jan" + kNbsp + "K\"";
    QTest::newRow("removal list") << "a()<>[]{}.,;:\\@\"b" << "ab";
    QTest::newRow("not trimmed again") << "Jan <>" << "Jan ";
}

void TestTextHelpers::quotedisplayname()
{
    QFETCH(QString, in);
    QFETCH(QString, out);
    QCOMPARE(::quotedisplayname(in), out);
}

void TestTextHelpers::base64url()
{
    QCOMPARE(::base64url(QStringLiteral("ab+c/d\r\nef+/==")), QStringLiteral("ab-c_def-_"));
    // Agrees with Qt's own encoder for the same bytes.
    const QByteArray bytes("\xfb\xff\xbf\x00\x10\x83 tekst", 12);
    QCOMPARE(::base64url(QString::fromLatin1(bytes.toBase64())),
             QString::fromLatin1(bytes.toBase64(QByteArray::Base64UrlEncoding |
                                                QByteArray::OmitTrailingEquals)));
}

void TestTextHelpers::safefilename_data()
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QTest::newRow("colon and question mark") << "Pismo: co?.pdf" << "Pismo_ co_.pdf";
    QTest::newRow("all nine") << "a\"*/:<>?\\|b" << "a_________b";
    QTest::newRow("control chars") << QString("a") + QChar(1) + QChar(31) + "b" << "a__b";
    QTest::newRow("three dots at end") << "nazwa..." << "nazwa__";
    QTest::newRow("three dots") << "..." << "__";
    QTest::newRow("double dot inside") << "a..b" << "a__b";
    QTest::newRow("trailing dots") << "  raport.  " << "raport";
    QTest::newRow("polish kept") << QString::fromUtf8("Zażółć.txt") << QString::fromUtf8("Zażółć.txt");
    QTest::newRow("cut to 255") << QString(300, QLatin1Char('a')) << QString(255, QLatin1Char('a'));
}

void TestTextHelpers::safefilename()
{
    QFETCH(QString, in);
    QFETCH(QString, out);
    QCOMPARE(::safefilename(in, QLatin1Char('_')), out);
}

void TestTextHelpers::safefilenameEmpty()
{
    static const QRegularExpression re(QStringLiteral("^file_\\d+$"));
    for (const QString &in : {QStringLiteral("   "), QStringLiteral("."), QString()}) {
        const QString out = ::safefilename(in, QLatin1Char('_'));
        QVERIFY2(re.match(out).hasMatch(), qPrintable(out));
        QVERIFY(out.mid(5).toULongLong() <= 0xFFFFFFFFull);
    }
}

void TestTextHelpers::randomletters()
{
    QCOMPARE(::randomletters(0), QString());
    const QString s = ::randomletters(2000);
    static const QRegularExpression re(QStringLiteral("^[a-z]{2000}$"));
    QVERIFY(re.match(s).hasMatch());
    QVERIFY(s.contains(QLatin1Char('a')) && s.contains(QLatin1Char('z')));
}

void TestTextHelpers::deletemailbox()
{
    QVector<TSkrzynka> boxes(3);
    for (int i = 0; i < 3; ++i) {
        boxes[i].name = QString::number(i);
        boxes[i].token = QStringLiteral("t%1").arg(i);
    }
    ::deletemailbox(boxes, 3);
    ::deletemailbox(boxes, -1);
    QCOMPARE(boxes.size(), 3);
    ::deletemailbox(boxes, 1);
    QCOMPARE(boxes.size(), 2);
    QCOMPARE(boxes[0].name, QStringLiteral("0"));
    QCOMPARE(boxes[1].name, QStringLiteral("2"));
    QCOMPARE(boxes[1].token, QStringLiteral("t2")); // whole records move
}

void TestTextHelpers::deletedirtree()
{
    QTemporaryDir tmp;
    const QString root = tmp.path() + QStringLiteral("/drzewo");
    QVERIFY(QDir().mkpath(root + QStringLiteral("/a/b")));
    QVERIFY(QDir().mkpath(root + QStringLiteral("/.ukryty")));
    touch(root + QStringLiteral("/plik.txt"));
    touch(root + QStringLiteral("/.ukryty/.plik"));
    touch(root + QStringLiteral("/a/b/c.pdf"));
    // A link to a folder outside the tree: removed, never followed.
    const QString outside = tmp.path() + QStringLiteral("/poza");
    QVERIFY(QDir().mkpath(outside));
    touch(outside + QStringLiteral("/cenny.txt"));
    QVERIFY(QFile::link(outside, root + QStringLiteral("/a/link")));

    ::deletedirtree(root);
    QVERIFY(!QFileInfo::exists(root));
    QVERIFY(QFile::exists(outside + QStringLiteral("/cenny.txt")));
    ::deletedirtree(root); // missing folder: nothing happens
}

void TestTextHelpers::getappversion()
{
    const QString v = ::getappversion();
    QCOMPARE(v, QStringLiteral("%1.%2").arg(TARNVEL_VERSION_MAJOR).arg(TARNVEL_VERSION_MINOR));
    QCOMPARE(v.count(QLatin1Char('.')), 1);
}

QTEST_GUILESS_MAIN(TestTextHelpers)
#include "test_texthelpers.moc"
