// One mailbox's branch of the folder tree, from its folder-count answer.

#include "browse/FolderTree.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

namespace {

QJsonValue json(const char *text)
{
    const QJsonDocument doc = QJsonDocument::fromJson(text);
    return doc.isArray() ? QJsonValue(doc.array()) : QJsonValue(doc.object());
}

QStringList texts(const MailboxNode &n)
{
    QStringList out;
    for (const FolderNode &f : n.children)
        out << f.text;
    return out;
}

QStringList bolds(const MailboxNode &n)
{
    QStringList out;
    for (const FolderNode &f : n.children)
        if (f.data && f.data->bold)
            out << f.data->name;
    return out;
}

} // namespace

class TestFolderTree : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void workedExample()
    {
        // Labels in an order unlike the tree's, the drafts known by name only.
        const MailboxNode n = buildmailboxnode(1, "Biuro", MailboxState::Answered, json(R"([
            {"label":"LBL-F","name":"Faktury","type":"defined","numberOfUnreadMessages":2,"total":7},
            {"label":"TRASH","name":"TRASH","type":"system","numberOfUnreadMessages":1,"total":2},
            {"label":"SENT","name":"SENT","type":"system","numberOfUnreadMessages":0,"total":5},
            {"label":"X-DRAFTS","name":"DRAFT","type":"system","numberOfUnreadMessages":0,"total":1},
            {"label":"OUTBOX","name":"OUTBOX","type":"system","numberOfUnreadMessages":0,"total":0},
            {"label":"INBOX","name":"INBOX","type":"system","numberOfUnreadMessages":3,"total":10}
        ])"));
        QCOMPARE(texts(n), QStringList({QString::fromUtf8("Przychodzące (3/10)"), "Wysłane (0/5)",
                                        "Wersje robocze (0/1)",
                                        QString::fromUtf8("W trakcie wysyłania (0/0)"),
                                        "Kosz (1/2)", "Faktury (2/7)"}));
        QCOMPARE(n.text, QString("Biuro (6/25)"));
        QCOMPARE(n.image, int(ImgMailbox));
        QVERIFY(n.data.bold);
        QCOMPARE(n.data.mboxidx, 1);
        QCOMPARE(n.data.name, QString("Biuro"));
        QVERIFY(n.data.plname.isEmpty() && n.data.labeln.isEmpty());
        QCOMPARE(bolds(n), QStringList({"INBOX", "TRASH", "Faktury"}));

        const int images[] = {ImgInbox, ImgSent, ImgDrafts, ImgOutbox, ImgTrash, ImgOutbox};
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(n.children[i].image, images[i]);
            QCOMPARE(n.children[i].data->mboxidx, 1);
        }
        // The drafts record names the folder by its word, not by the answer's label.
        QCOMPARE(n.children[2].data->labeln, QString("DRAFT"));
        QCOMPARE(n.children[5].data->name, QString("Faktury"));
        QCOMPARE(n.children[5].data->plname, QString("Faktury"));
        QCOMPARE(n.children[5].data->labeln, QString("LBL-F"));

        // Faktury comes first in the answer, so it is the first move target.
        QCOMPARE(n.movetargets.size(), 2);
        QCOMPARE(n.movetargets[0].labeln, QString("LBL-F"));
        QCOMPARE(n.movetargets[1].name, QString("INBOX"));
        QCOMPARE(n.movetargets[1].plname, QString::fromUtf8("Przychodzące"));
        QCOMPARE(n.movetargets[1].labeln, QString("INBOX"));
        QCOMPARE(n.movetargets[1].mboxidx, 1);
    }

    void missingFixedFolderStaysEmpty()
    {
        const MailboxNode n = buildmailboxnode(0, "A", MailboxState::Answered, json(R"([
            {"label":"INBOX","name":"INBOX","numberOfUnreadMessages":0,"total":1},
            {"label":"TRASH","name":"TRASH","numberOfUnreadMessages":0,"total":1},
            {"label":"L1","name":"Sprawy","type":"system","numberOfUnreadMessages":0,"total":4}
        ])"));
        QCOMPARE(n.children.size(), 6);
        for (int i : {1, 2, 3}) {
            QVERIFY(n.children[i].text.isEmpty());
            QVERIFY(!n.children[i].data);
        }
        QCOMPARE(n.children[4].text, QString("Kosz (0/1)"));
        QCOMPARE(n.children[5].text, QString("Sprawy (0/4)"));
        QCOMPARE(n.text, QString("A (0/6)"));
        QVERIFY(!n.data.bold);
        QCOMPARE(n.movetargets.size(), 1); // only the inbox: Sprawy is not "defined"
    }

    void emptyArray()
    {
        const MailboxNode n = buildmailboxnode(2, "Pusta", MailboxState::Answered, QJsonArray());
        QCOMPARE(n.children.size(), 5);
        QCOMPARE(texts(n), QStringList(5, QString()));
        QCOMPARE(n.text, QString("Pusta (0/0)"));
        QVERIFY(!n.data.bold);
        QVERIFY(n.movetargets.isEmpty());
    }

    void markers_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<QJsonValue>("answer");
        QTest::addColumn<QString>("text");
        QTest::newRow("not configured") << int(MailboxState::NotConfigured) << QJsonValue()
                                        << "[NIESKONFIGUROWANA] Konto (0/0)";
        QTest::newRow("failed") << int(MailboxState::Failed) << QJsonValue()
                                << QString::fromUtf8("[BŁĄD] Konto (0/0)");
        QTest::newRow("object, not array") << int(MailboxState::Answered)
                                           << json(R"({"label":"INBOX"})")
                                           << QString::fromUtf8("[BŁĄD] Konto (0/0)");
        QTest::newRow("undefined") << int(MailboxState::Answered) << QJsonValue(QJsonValue::Undefined)
                                   << QString::fromUtf8("[BŁĄD] Konto (0/0)");
    }
    void markers()
    {
        QFETCH(int, state);
        QFETCH(QJsonValue, answer);
        QFETCH(QString, text);
        const MailboxNode n = buildmailboxnode(3, "Konto", MailboxState(state), answer);
        QCOMPARE(n.text, text);
        QVERIFY(n.children.isEmpty());
        QVERIFY(n.movetargets.isEmpty());
        QVERIFY(!n.data.bold);
        QCOMPARE(n.data.mboxidx, 3);
        QCOMPARE(n.data.name, QString("Konto"));
    }

    void configuredNeedsAddressAndKey()
    {
        QVERIFY(mailboxconfigured("AE:PL-1", "key"));
        QVERIFY(!mailboxconfigured("  ", "key"));
        QVERIFY(!mailboxconfigured("AE:PL-1", " \r\n"));
    }

    void secondMatchOverwrites()
    {
        const MailboxNode n = buildmailboxnode(0, "A", MailboxState::Answered, json(R"([
            {"label":"INBOX","name":"INBOX","numberOfUnreadMessages":1,"total":1},
            {"label":"INBOX","name":"INBOX","numberOfUnreadMessages":0,"total":4}
        ])"));
        QCOMPARE(n.children[0].text, QString::fromUtf8("Przychodzące (0/4)"));
        QVERIFY(!n.children[0].data->bold);
        QCOMPARE(n.text, QString("A (1/5)")); // both still count
        QVERIFY(n.data.bold);
    }

    void illTypedMembers()
    {
        // Each member on its own: a bad count is 0, a missing text is empty, a non-object is
        // skipped; the rest of the branch is built as usual.
        const MailboxNode n = buildmailboxnode(0, "A", MailboxState::Answered, json(R"([
            "INBOX", 7, null, [],
            {"label":"INBOX","name":"INBOX","numberOfUnreadMessages":"3","total":2.5},
            {"label":"SENT","numberOfUnreadMessages":-4,"total":1e300},
            {"label":42,"name":"Bez etykiety","type":"defined","numberOfUnreadMessages":1,"total":true},
            {"label":"L2","numberOfUnreadMessages":9007199254740992,"total":9007199254740992},
            {"label":"L3","name":"Big","numberOfUnreadMessages":9007199254740992,"total":9007199254740992}
        ])"));
        QCOMPARE(n.children.size(), 8);
        QCOMPARE(n.children[0].text, QString::fromUtf8("Przychodzące (0/0)"));
        QCOMPARE(n.children[1].text, QString::fromUtf8("Wysłane (0/0)"));
        QCOMPARE(n.children[5].text, QString("Bez etykiety (1/0)"));
        QCOMPARE(n.children[5].data->labeln, QString());
        QCOMPARE(n.children[6].text, QString(" (9007199254740992/9007199254740992)"));
        QCOMPARE(n.text, QString("A (18014398509481985/18014398509481984)"));
        QCOMPARE(n.movetargets.size(), 2);
        QCOMPARE(n.movetargets[1].name, QString("Bez etykiety"));
    }

    void sumsSaturate()
    {
        QJsonArray many;
        for (int i = 0; i < 2000; ++i)
            many.append(QJsonObject{{"label", QString("L%1").arg(i)}, {"name", "x"},
                                    {"numberOfUnreadMessages", 9007199254740992.0},
                                    {"total", 1}});
        const MailboxNode n = buildmailboxnode(0, "A", MailboxState::Answered, many);
        QCOMPARE(n.children.size(), 2005);
        QCOMPARE(n.text, QString("A (9223372036854775807/2000)"));
    }
};

QTEST_GUILESS_MAIN(TestFolderTree)
#include "test_foldertree.moc"
