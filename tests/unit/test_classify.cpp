#include "service/AnswerClass.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QTest>

Q_DECLARE_METATYPE(AnswerKind)

class TestClassify : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void classes_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<AnswerKind>("kind");
        QTest::addColumn<QString>("text");

        const QString busy = QString::fromUtf8(
            "Serwer e-doręczeń jest w tej chwili zajęty.\r\nSystem zwrócił komunikat: PREPARING\r\n"
            "Z tych względów odczyt wiadomości będzie możliwy za chwilę.");
        const QString same = QString::fromUtf8("Nie można przenieść wiadomości do tego samego folderu.");
        QTest::newRow("202 Accepted array") << 202 << "Accepted"
            << QByteArray(R"([{"status":"PREPARING"}])") << AnswerKind::Busy << busy;
        // The text decides, not the code.
        QTest::newRow("Accepted text on 200") << 200 << "Accepted"
            << QByteArray(R"([{"status":"PREPARING","x":1}])") << AnswerKind::Busy << busy;
        QTest::newRow("202 object") << 202 << "Accepted" << QByteArray(R"({"status":"x"})")
            << AnswerKind::Diagnostic << QString("Accepted (202)\r\n{\"status\":\"x\"}");
        QTest::newRow("202 without status") << 202 << "Accepted" << QByteArray(R"([{"s":1}])")
            << AnswerKind::Diagnostic << QString("Accepted (202)\r\n[{\"s\":1}]");
        QTest::newRow("202 empty array") << 202 << "Accepted" << QByteArray("[]")
            << AnswerKind::Diagnostic << QString("Accepted (202)\r\n[]");
        QTest::newRow("400 UAAPI0091") << 400 << "Bad Request"
            << QByteArray(R"([{"error":"UAAPI0091","message":"already there"}])")
            << AnswerKind::SameFolder << same;
        QTest::newRow("400 other error") << 400 << "Bad Request"
            << QByteArray(R"([{"error":"UAAPI0001"}])") << AnswerKind::Diagnostic
            << QString("Bad Request (400)\r\n[{\"error\":\"UAAPI0001\"}]");
        QTest::newRow("400 without error member") << 400 << "Bad Request" << QByteArray(R"([{}])")
            << AnswerKind::Diagnostic << QString("Bad Request (400)\r\n[{}]");
        QTest::newRow("400 error not a string") << 400 << "Bad Request"
            << QByteArray(R"([{"error":91}])") << AnswerKind::Diagnostic
            << QString("Bad Request (400)\r\n[{\"error\":91}]");
        QTest::newRow("404") << 404 << "Not Found" << QByteArray("no such thing")
            << AnswerKind::Diagnostic << QString("Not Found (404)\r\nno such thing");
        QTest::newRow("200 not JSON") << 200 << "OK" << QByteArray("<html>")
            << AnswerKind::Diagnostic << QString("OK (200)\r\n<html>");
        QTest::newRow("200 empty") << 200 << "OK" << QByteArray() << AnswerKind::Diagnostic
            << QString("OK (200)\r\n");
        QTest::newRow("200 Polish body kept as UTF-8") << 500 << "Internal Server Error"
            << QString::fromUtf8("Błąd łącza").toUtf8() << AnswerKind::Diagnostic
            << QString::fromUtf8("Internal Server Error (500)\r\nBłąd łącza");
        QTest::newRow("200 array") << 200 << "OK" << QByteArray(R"([{"a":1}])") << AnswerKind::Json
            << QString();
    }
    void classes()
    {
        QFETCH(int, status);
        QFETCH(QString, reason);
        QFETCH(QByteArray, body);
        QFETCH(AnswerKind, kind);
        QFETCH(QString, text);
        const AnswerClass c = classifyAnswer(status, reason, body);
        QCOMPARE(c.kind, kind);
        QCOMPARE(c.text, text);
        QCOMPARE(c.value.isUndefined(), kind != AnswerKind::Json);
    }

    void jsonValueIsTheBody()
    {
        const AnswerClass a = classifyAnswer(200, "OK", R"([{"label":"INBOX","total":3}])");
        QVERIFY(a.value.isArray());
        QCOMPARE(a.value.toArray().at(0).toObject().value("total").toInt(), 3);
        const AnswerClass o = classifyAnswer(200, "OK", R"({"messages":[]})");
        QVERIFY(o.value.isObject());
        QVERIFY(o.value.toObject().value("messages").isArray());
    }

    void deepNestingIsNoCrash()
    {
        const QByteArray deep = QByteArray(100000, '[') + QByteArray(100000, ']');
        QCOMPARE(classifyAnswer(200, "OK", deep).kind, AnswerKind::Diagnostic);
    }
};

QTEST_GUILESS_MAIN(TestClassify)
#include "test_classify.moc"
