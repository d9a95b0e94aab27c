// The main window's service members against the simulator: the clock offset measured when
// the window is first shown, the service time its token and requests use, and what the user
// sees of each kind of answer.

#include "../support/SimProcess.h"
#include "../support/TempStorage.h"
#include "../support/TestMailbox.h"
#include "app/MojDBox.h"
#include "app/SystemBoxes.h"
#include "app/Tfm_msglist.h"
#include "mailboxes/KeyMaterial.h"
#include "service/Clock.h"
#include "service/Resources.h"
#include "service/ServiceConfig.h"
#include "service/ServiceError.h"
#include "storage/fvar.h"

#include <QElapsedTimer>
#include <QJsonObject>
#include <QPlainTextEdit>
#include <QTcpServer>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QUdpSocket>

namespace {

const QString kAddress = QStringLiteral("AE:PL-12345-67890-ABCDE-25");

// The simulator the service hosts name; SimProcess::start points them at the newest one.
void pointAt(const SimProcess &sim)
{
    qputenv("TARNVEL_TOKEN_HOST", sim.hostPort().toUtf8());
    qputenv("TARNVEL_API_HOST", sim.hostPort().toUtf8());
    qputenv("TARNVEL_NTP_HOST", QByteArray("127.0.0.1:") + QByteArray::number(sim.ntpPort()));
    qputenv("TARNVEL_CA_FILE", sim.caFile().toUtf8());
    reloadServiceHosts();
}

int closedTcpPort()
{
    QTcpServer s;
    s.listen(QHostAddress::LocalHost, 0);
    return s.serverPort(); // closed again when s goes
}

} // namespace

class TestWindowService : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempStorage> m_storage;
    SimProcess m_sim;
    KeyMaterial m_keys;
    QVector<MojDBoxCall> m_boxes;

    TSkrzynka mailbox() const { return testMailbox(QStringLiteral("Biuro"), kAddress, m_keys); }
    QJsonArray requestsTo(const QString &pathPart)
    {
        QJsonArray out;
        for (const QJsonValue &r : m_sim.requests())
            if (r.toObject().value("path").toString().contains(pathPart))
                out.append(r);
        return out;
    }
    static QString authorization(const QJsonValue &request)
    {
        return request.toObject().value("headers").toObject().value("Authorization").toString();
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_storage = std::make_unique<TempStorage>();
        initstorage();
        QVERIFY2(m_sim.start(), qPrintable(m_sim.errorString()));
        m_keys = generatekeys({"PL", "a", "b", "c", "", "", "*.d.pl"});
        QVERIFY(m_sim.registerCsr(kAddress, m_keys.csrPem));
        // The program's own wiring: a refused token shows its window through MojDBox too.
        installSystemBoxes();
        setMojDBoxInterceptor([this](const MojDBoxCall &call, QMessageBox *) {
            m_boxes.append(call);
            return int(mrOk);
        });
    }
    void init()
    {
        m_boxes.clear();
        pointAt(m_sim);
        m_sim.clearFaults();
        m_sim.clearRequests();
        setClockForTest(nullptr);
        skrzynki = {mailbox()};
    }
    void cleanup() { pointAt(m_sim); } // the next rows' URLs are built before their init
    void cleanupTestCase()
    {
        setClockForTest(nullptr);
        setMojDBoxInterceptor(nullptr);
        skrzynki.clear();
    }

    // A service clock 300 s ahead is past what the token service tolerates: the tree gets its
    // counts only if the offset was stored before the tree asked for them.
    void offsetMeasuredAtShow_data()
    {
        QTest::addColumn<int>("offset");
        QTest::newRow("90 s ahead") << 90;
        QTest::newRow("30 s behind") << -30;
        QTest::newRow("300 s ahead") << 300;
    }
    void offsetMeasuredAtShow()
    {
        QFETCH(int, offset);
        SimProcess sim;
        SimProcess::Options o;
        o.ntpOffset = offset;
        QVERIFY2(sim.start(o), qPrintable(sim.errorString()));
        QVERIFY(sim.registerCsr(kAddress, m_keys.csrPem));
        pointAt(sim);

        Tfm_msglist w;
        w.resize(1000, 800);
        w.show();
        // Whole seconds on both sides: a second boundary between the answer and the local
        // reading makes it one less.
        QVERIFY2(w.timeoffset == offset || w.timeoffset == offset - 1,
                 qPrintable(QString::number(w.timeoffset)));
        QCOMPARE(w.TreeView1->topLevelItemCount(), 1);
        QCOMPARE(w.TreeView1->topLevelItem(0)->text(0), QString("Biuro (3/5)"));
        QVERIFY(m_boxes.isEmpty());
        QCOMPARE(w.Memo1->toPlainText(), QString());

        if (offset == 300) { // the same tree without the offset: the token is refused
            w.timeoffset = 0;
            skrzynki[0].token.clear();
            w.refresh_folders(false);
            QCOMPARE(w.TreeView1->topLevelItem(0)->text(0), QString::fromUtf8("[BŁĄD] Biuro (0/0)"));
            QCOMPARE(m_boxes.size(), 1);
            QVERIFY2(m_boxes[0].msg.startsWith("Unauthorized\r\n"), qPrintable(m_boxes[0].msg));
        }
    }

    void silentTimeServerGivesZero_data()
    {
        QTest::addColumn<bool>("startable");
        QTest::newRow("server never answers") << true;
        QTest::newRow("request cannot start") << false;
    }
    void silentTimeServerGivesZero()
    {
        QFETCH(bool, startable);
        QUdpSocket silent; // receives the request and never answers it
        QVERIFY(silent.bind(QHostAddress::LocalHost, 0));
        qputenv("TARNVEL_NTP_HOST", startable ? "127.0.0.1:" + QByteArray::number(silent.localPort())
                                              : QByteArray("["));
        reloadServiceHosts();

        Tfm_msglist w;
        bool firedWhileWaiting = false;
        QTimer::singleShot(1000, &w, [&] { firedWhileWaiting = w.timeblock; });
        QElapsedTimer elapsed;
        elapsed.start();
        QCOMPARE(w.gettimeoffset(), 0);
        // Ended by the window's own 5 s timer, not earlier; QTimer may be up to 5 % early.
        QVERIFY2(elapsed.elapsed() >= 4700, qPrintable(QString::number(elapsed.elapsed())));
        QVERIFY(firedWhileWaiting);
        QVERIFY(!w.timeblock);
        QCOMPARE(w.ntptime, 0);
        QCOMPARE(w.Memo1->toPlainText(), startable ? QString() : QString("Time request failed"));
        QVERIFY(m_boxes.isEmpty());
    }

    // The service time is the local clock plus the window's offset, both for the test of the
    // held token and for the times of a new one.
    void tokenTimesFollowTheWindowOffset()
    {
        const QDateTime now = QDateTime::currentDateTimeUtc();
        setClockForTest([now] { return now; });
        const qint64 t = now.toSecsSinceEpoch();
        Tfm_msglist w;
        w.timeoffset = 90;

        skrzynki[0].token = "held";
        skrzynki[0].token_exp = t + 90; // equals the service time: still valid
        w.getrequest(resourceNumberMessages(kAddress), 0, {}, "get", QString());
        QCOMPARE(requestsTo("/openid-connect/token").size(), 0);
        QCOMPARE(authorization(requestsTo("/numberMessages").last()), QString("Bearer held"));
        QVERIFY(w.Memo1->toPlainText().contains("(401)")); // the simulator never issued it

        skrzynki[0].token_exp = t + 89;
        const QJsonValue v = w.getrequest(resourceNumberMessages(kAddress), 0, {}, "get", QString());
        QVERIFY(v.isArray());
        QCOMPARE(requestsTo("/openid-connect/token").size(), 1);
        QVERIFY(skrzynki[0].token != "held");
        QCOMPARE(authorization(requestsTo("/numberMessages").last()), "Bearer " + skrzynki[0].token);
        // N = t + 90 - 1; the simulator's default lifetime is 300 s, kept 10 s short.
        QCOMPARE(skrzynki[0].token_exp, t + 89 + 300 - 10);
        QVERIFY(m_boxes.isEmpty());
    }

    void answersAsTheUserSeesThem_data()
    {
        QTest::addColumn<QString>("postget");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QJsonObject>("fault");
        QTest::addColumn<QString>("caption"); // empty: no box
        QTest::addColumn<QString>("boxText");
        QTest::addColumn<QString>("memo");
        QTest::addColumn<bool>("json");

        const QString counts = resourceNumberMessages(kAddress);
        QTest::newRow("busy") << "get" << counts << QString()
            << QJsonObject{{"path", ".*/numberMessages$"}, {"status", 202}, {"reason", "Accepted"},
                           {"body", QString::fromUtf8(R"([{"status":"Trwa indeksowanie skrzynki"}])")}}
            << QString::fromUtf8("Serwer zajęty")
            << QString::fromUtf8("Serwer e-doręczeń jest w tej chwili zajęty.\r\nSystem zwrócił "
                                 "komunikat: Trwa indeksowanie skrzynki\r\nZ tych względów odczyt "
                                 "wiadomości będzie możliwy za chwilę.")
            << QString() << false;
        QTest::newRow("move into its own folder")
            << "patch" << resourceControlData(kAddress, "MSG-0001") << bodyMoveToLabel("INBOX")
            << QJsonObject() << QString::fromUtf8("Błąd")
            << QString::fromUtf8("Nie można przenieść wiadomości do tego samego folderu.")
            << QString() << false;
        QTest::newRow("not found") << "get" << counts << QString()
            << QJsonObject{{"path", ".*/numberMessages$"}, {"status", 404},
                           {"body", QString::fromUtf8("Nie znaleziono skrzynki\r\nźródło: test")},
                           {"contentType", "text/plain; charset=utf-8"}}
            << QString() << QString()
            << QString::fromUtf8("Not Found (404)\nNie znaleziono skrzynki\nźródło: test") << false;
        QTest::newRow("move elsewhere")
            << "patch" << resourceControlData(kAddress, "MSG-0002") << bodyMoveToLabel("LBL-FAKTURY")
            << QJsonObject() << QString() << QString() << QString() << true;
    }
    void answersAsTheUserSeesThem()
    {
        QFETCH(QString, postget);
        QFETCH(QString, url);
        QFETCH(QString, body);
        QFETCH(QJsonObject, fault);
        QFETCH(QString, caption);
        QFETCH(QString, boxText);
        QFETCH(QString, memo);
        QFETCH(bool, json);
        if (!fault.isEmpty())
            m_sim.fault(fault);
        Tfm_msglist w;

        const QJsonValue v = w.getrequest(url, 0, {}, postget, body);
        QCOMPARE(v.isObject() || v.isArray(), json);
        if (caption.isEmpty()) {
            QVERIFY(m_boxes.isEmpty());
        } else {
            QCOMPARE(m_boxes.size(), 1);
            QCOMPARE(m_boxes[0].caption, caption);
            QCOMPARE(m_boxes[0].msg, boxText);
            QCOMPARE(m_boxes[0].type, mtInformation);
            QCOMPARE(m_boxes[0].buttons, TMsgDlgButtons(mbOK));
        }
        // The memo shows the CR LF of an entry as one line break.
        QCOMPARE(w.Memo1->toPlainText(), memo);
        if (!memo.isEmpty())
            QCOMPARE(w.Memo1->document()->blockCount(), int(memo.count('\n')) + 1);
    }

    void transportErrorNamesTheHost()
    {
        Tfm_msglist w;
        QVERIFY(w.getrequest(resourceNumberMessages(kAddress), 0, {}, "get", QString()).isArray());
        const QString dead = "127.0.0.1:" + QString::number(closedTcpPort());
        qputenv("TARNVEL_API_HOST", dead.toUtf8());
        reloadServiceHosts();
        try {
            w.getrequest(resourceNumberMessages(kAddress), 0, {}, "get", QString());
            QFAIL("a refused connection must end the action");
        } catch (const ServiceError &e) {
            QVERIFY2(e.message().contains(dead), qPrintable(e.message()));
        }
        QVERIFY(m_boxes.isEmpty());
        QCOMPARE(w.Memo1->toPlainText(), QString());
    }
};

QTEST_MAIN(TestWindowService)
#include "test_window_service.moc"
