// The mailbox list dialog: grid, editor opened for the right slot, deletion with confirmation,
// all against the real configuration database.

#include "../support/TempStorage.h"
#include "../support/TestMailbox.h"
#include "app/MojDBox.h"
#include "mailboxes/KeyMaterial.h"
#include "mailboxes/keysmanager.h"
#include "mailboxes/mb_list.h"
#include "storage/fvar.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {

KeyMaterial &keys()
{
    static KeyMaterial k = generatekeys({"PL", "a", "b", "c", "", "", "*.d.pl"});
    return k;
}

TSkrzynka mailbox(const QString &name, const QString &address)
{
    return testMailbox(name, address, keys());
}

// Runs the action once the next modal editor is open; closes any other modal window so a
// failing test cannot hang. Reports whether an editor was seen.
class OnEditor
{
public:
    explicit OnEditor(std::function<void(TForm1 *)> action) : m_action(std::move(action))
    {
        m_timer.setSingleShot(true);
        m_timer.setInterval(0);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            QWidget *w = QApplication::activeModalWidget();
            if (auto *editor = dynamic_cast<TForm1 *>(w)) {
                m_seen = true;
                m_indexno = editor->indexno;
                m_action(editor);
                if (editor->isVisible())
                    editor->reject();
            } else if (w) {
                w->close();
            }
        });
        m_timer.start();
    }
    ~OnEditor() { m_timer.stop(); }
    bool seen() const { return m_seen; }
    int indexno() const { return m_indexno; }

private:
    std::function<void(TForm1 *)> m_action;
    QTimer m_timer;
    bool m_seen = false;
    int m_indexno = -2;
};

QStringList column(const QTableWidget *g, int c)
{
    QStringList out;
    for (int r = 0; r < g->rowCount(); ++r)
        out << (g->item(r, c) ? g->item(r, c)->text() : QString());
    return out;
}

} // namespace

class TestMbList : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempStorage> m_storage;
    QVector<MojDBoxCall> m_boxes;
    int m_answer = mrYes;

private Q_SLOTS:
    void init()
    {
        m_storage = std::make_unique<TempStorage>();
        initstorage();
        skrzynki.clear();
        m_boxes.clear();
        setMojDBoxInterceptor([this](const MojDBoxCall &call, QMessageBox *) {
            m_boxes.append(call);
            return m_answer;
        });
    }
    void cleanup()
    {
        setMojDBoxInterceptor(nullptr);
        skrzynki.clear();
        m_storage.reset();
    }

    void emptyList()
    {
        Tfm_mblist1 d;
        d.show();
        QCOMPARE(d.windowTitle(), QString("Tarnvel - lista skrzynek"));
        QCOMPARE(d.width(), 650);
        QVERIFY(d.minimumSize() == QSize(450, 200));
        QCOMPARE(d.sg1->rowCount(), 1);
        QCOMPARE(column(d.sg1, 3), QStringList({QString()}));
        QCOMPARE(d.sg1->horizontalHeaderItem(2)->text(), QString("Nazwa"));
        QCOMPARE(d.sg1->horizontalHeaderItem(3)->text(), QString("Adres e-skrzynki"));
        QCOMPARE(d.sg1->columnWidth(0), 50);
        QVERIFY(d.sg1->isColumnHidden(1));
        QCOMPARE(d.sg1->columnWidth(2), (d.sg1->width() - 60) / 2);
        QCOMPARE(d.sg1->columnWidth(3), (d.sg1->width() - 60) / 2);
        d.resize(900, 400);
        QCOMPARE(d.sg1->columnWidth(3), (d.sg1->width() - 60) / 2);

        {
            OnEditor editor([](TForm1 *) {});
            QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
            d.sg1DblClick(1);
            QVERIFY(!editor.seen());
        }
        {
            OnEditor editor([](TForm1 *e) { QVERIFY(e->Edit10->text().isEmpty()); });
            QTest::mouseClick(d.BitBtn3, Qt::LeftButton);
            QVERIFY(editor.seen());
            QCOMPARE(editor.indexno(), -1);
        }
        QCOMPARE(d.sg1->rowCount(), 1);

        // Deleting from the empty list asks about an empty name and changes nothing.
        QTest::mouseClick(d.BitBtn4, Qt::LeftButton);
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].msg, QString::fromUtf8("Czy na pewno chcesz usunąć skrzynkę \"\"?"));
        QVERIFY(skrzynki.isEmpty());
    }

    void addEditDelete()
    {
        Tfm_mblist1 d;
        d.show();
        const char *addresses[] = {"AE:PL-12345-67890-ABCDE-25", "AE:PL-11111-22222-KLMNO-26",
                                   "AE:PL-00000-00443-ZZZZZ-07"};
        const char *names[] = {"Pierwsza", "Druga", "Trzecia"};
        for (int i = 0; i < 3; ++i) {
            OnEditor editor([&](TForm1 *e) {
                e->Edit10->setText(names[i]);
                e->Edit1->setText(addresses[i]);
                e->Memo1->setPlainText(keys().privatePem);
                e->Memo2->setPlainText(keys().publicPem);
                e->Memo3->setPlainText(keys().csrPem);
                QTest::mouseClick(e->BitBtn3, Qt::LeftButton);
            });
            QTest::mouseClick(d.BitBtn3, Qt::LeftButton);
            QVERIFY(editor.seen());
        }
        QVERIFY2(m_boxes.isEmpty(), m_boxes.isEmpty() ? "" : qPrintable(m_boxes[0].msg));
        QCOMPARE(column(d.sg1, 0), QStringList({"1", "2", "3"}));
        QCOMPARE(column(d.sg1, 2), QStringList({"Pierwsza", "Druga", "Trzecia"}));
        QCOMPARE(column(d.sg1, 3).at(1), QString(addresses[1]));

        // Edytuj on the second row edits mailbox 1; the grid shows the stored result.
        d.sg1->setCurrentCell(1, 2);
        {
            OnEditor editor([](TForm1 *e) {
                QCOMPARE(e->Edit10->text(), QString("Druga"));
                e->Edit10->setText("Druga nowa");
                QTest::mouseClick(e->BitBtn3, Qt::LeftButton);
            });
            QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
            QCOMPARE(editor.indexno(), 1);
        }
        QCOMPARE(column(d.sg1, 2), QStringList({"Pierwsza", "Druga nowa", "Trzecia"}));

        // A double-click on a row opens that row's mailbox.
        {
            OnEditor editor([](TForm1 *) {});
            const QRect cell = d.sg1->visualItemRect(d.sg1->item(2, 2));
            // A double-click is a press and release followed by the double-click event.
            QTest::mouseClick(d.sg1->viewport(), Qt::LeftButton, {}, cell.center());
            QTest::mouseDClick(d.sg1->viewport(), Qt::LeftButton, {}, cell.center());
            QVERIFY(editor.seen());
            QCOMPARE(editor.indexno(), 2);
        }

        // Declining the question changes nothing.
        d.sg1->setCurrentCell(1, 2);
        m_answer = mrNo;
        QTest::mouseClick(d.BitBtn4, Qt::LeftButton);
        QCOMPARE(skrzynki.size(), 3);
        QCOMPARE(m_boxes.last().msg,
                 QString::fromUtf8("Czy na pewno chcesz usunąć skrzynkę \"Druga nowa\"?"));
        QCOMPARE(m_boxes.last().caption, QString("Potwierdzenie"));
        QCOMPARE(m_boxes.last().type, mtConfirmation);
        QCOMPARE(m_boxes.last().buttons, TMsgDlgButtons(mbYes | mbNo));
        QCOMPARE(m_boxes.last().defaultButton, mbNo);

        m_answer = mrYes;
        QTest::mouseClick(d.BitBtn4, Qt::LeftButton);
        QCOMPARE(column(d.sg1, 0), QStringList({"1", "2"}));
        QCOMPARE(column(d.sg1, 2), QStringList({"Pierwsza", "Trzecia"}));
        loadconfig();
        QCOMPARE(skrzynki.size(), 2);
        QCOMPARE(skrzynki[1].name, QString("Trzecia"));
        QCOMPARE(skrzynki[1].address, QString(addresses[2]));
    }

    void cancelledEditShowsStoredState()
    {
        skrzynki = {mailbox("Zapisana", "AE:PL-12345-67890-ABCDE-25")};
        savemailboxes();
        Tfm_mblist1 d;
        d.show();
        skrzynki[0].name = "Tylko w pamięci";
        d.fillgrid();
        QCOMPARE(column(d.sg1, 2), QStringList({QString::fromUtf8("Tylko w pamięci")}));
        OnEditor editor([](TForm1 *e) { QTest::mouseClick(e->BitBtn1, Qt::LeftButton); });
        QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
        QVERIFY(editor.seen());
        QCOMPARE(column(d.sg1, 2), QStringList({"Zapisana"}));
    }
};

QTEST_MAIN(TestMbList)
#include "test_mblist.moc"
