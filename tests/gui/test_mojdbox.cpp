#include "app/FileDialogs.h"
#include "app/MojDBox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

QStringList buttonTexts(const QMessageBox *box)
{
    QStringList texts;
    for (QAbstractButton *button : box->buttons())
        texts << button->text();
    texts.sort();
    return texts;
}

// Arms a timer that acts on the box MojDBox is about to show. Anything else that turns up
// modal is closed, so a wrong turn fails the test instead of hanging it.
void whenBoxShows(std::function<void(QMessageBox *)> act, QString *seenTitle = nullptr)
{
    auto attempt = std::make_shared<std::function<void(int)>>();
    *attempt = [=](int left) {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal) {
            if (left > 0)
                QTimer::singleShot(10, [=] { (*attempt)(left - 1); });
            return;
        }
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (!box) {
            modal->close();
            return;
        }
        if (seenTitle)
            *seenTitle = box->windowTitle();
        act(box);
        // Whatever act did, the box must be gone soon; close it if it is not.
        QTimer::singleShot(500, [] {
            if (QWidget *still = QApplication::activeModalWidget())
                still->close();
        });
    };
    QTimer::singleShot(0, [=] { (*attempt)(300); });
}

} // namespace

class TestMojDBox : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { setMojDBoxInterceptor(nullptr); }
    void captionsAndLook_data();
    void captionsAndLook();
    void keysAndCloseBox_data();
    void keysAndCloseBox();
    void showMessageIsPlainWindow();
    void saveFileFilters();
};

void TestMojDBox::captionsAndLook_data()
{
    QTest::addColumn<unsigned>("buttons");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("only OK") << unsigned(mbOK) << QStringList{"OK"};
    QTest::newRow("Yes No") << unsigned(mbYes | mbNo) << QStringList{"Nie", "Tak"};
    QTest::newRow("every button")
        << unsigned(mbYes | mbNo | mbOK | mbCancel | mbAbort | mbRetry | mbIgnore | mbAll | mbHelp |
                    mbClose)
        << QStringList{"Anuluj", "Ignoruj", "Nie", "OK", "Pomoc", "Ponów", "Przerwij", "Tak",
                       "Wszystko", "Zamknij"};
}

void TestMojDBox::captionsAndLook()
{
    QFETCH(unsigned, buttons);
    QFETCH(QStringList, texts);
    QStringList seen;
    QString title;
    bool onTop = false;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString shownText;
    setMojDBoxInterceptor([&](const MojDBoxCall &, QMessageBox *box) {
        seen = buttonTexts(box);
        title = box->windowTitle();
        onTop = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        icon = box->icon();
        shownText = box->text();
        return int(mrOk);
    });
    QCOMPARE(MojDBox("Pierwsza linia\r\nDruga", "Potwierdzenie", mtConfirmation, buttons, mbOK),
             int(mrOk));
    QCOMPARE(seen, texts);
    QCOMPARE(title, QStringLiteral("Potwierdzenie"));
    QVERIFY(onTop);
    QCOMPARE(icon, QMessageBox::Question);
    QCOMPARE(shownText, QStringLiteral("Pierwsza linia\nDruga"));
}

void TestMojDBox::keysAndCloseBox_data()
{
    QTest::addColumn<unsigned>("buttons");
    QTest::addColumn<int>("defaultButton");
    QTest::addColumn<QString>("action"); // "enter", "escape", "close" or a button caption
    QTest::addColumn<int>("expected");
    const unsigned yesNo = mbYes | mbNo;
    QTest::newRow("Enter, default No") << yesNo << int(mbNo) << "enter" << int(mrNo);
    QTest::newRow("Enter, default Yes") << yesNo << int(mbYes) << "enter" << int(mrYes);
    QTest::newRow("Escape, default Yes") << yesNo << int(mbYes) << "escape" << int(mrNo);
    QTest::newRow("close box, default Yes") << yesNo << int(mbYes) << "close" << int(mrNo);
    QTest::newRow("Escape with only Yes") << unsigned(mbYes) << int(mbYes) << "escape"
                                          << int(mrCancel);
    QTest::newRow("close box with only Yes") << unsigned(mbYes) << int(mbYes) << "close"
                                             << int(mrCancel);
    QTest::newRow("Escape, OK and Cancel") << unsigned(mbOK | mbCancel) << int(mbOK) << "escape"
                                           << int(mrCancel);
    QTest::newRow("Escape with only OK") << unsigned(mbOK) << int(mbOK) << "escape" << int(mrOk);
    QTest::newRow("All pressed") << unsigned(mbAll | mbCancel) << int(mbCancel) << "Wszystko"
                                 << int(mrAll);
    QTest::newRow("Retry pressed") << unsigned(mbRetry | mbAbort) << int(mbAbort) << "Ponów"
                                   << int(mrRetry);
}

void TestMojDBox::keysAndCloseBox()
{
    QFETCH(unsigned, buttons);
    QFETCH(int, defaultButton);
    QFETCH(QString, action);
    QFETCH(int, expected);
    QString title;
    whenBoxShows(
        [action](QMessageBox *box) {
            if (action == "enter")
                QTest::keyClick(box, Qt::Key_Return);
            else if (action == "escape")
                QTest::keyClick(box, Qt::Key_Escape);
            else if (action == "close")
                box->close();
            else
                for (QAbstractButton *button : box->buttons())
                    if (button->text() == action)
                        button->click();
        },
        &title);
    const int result = MojDBox("Czy na pewno?", "Potwierdzenie", mtConfirmation, buttons,
                               static_cast<TMsgDlgBtn>(defaultButton));
    QCOMPARE(title, QStringLiteral("Potwierdzenie"));
    QCOMPARE(result, expected);
}

void TestMojDBox::showMessageIsPlainWindow()
{
    MojDBoxCall seen;
    QStringList texts;
    setMojDBoxInterceptor([&](const MojDBoxCall &call, QMessageBox *box) {
        seen = call;
        texts = buttonTexts(box);
        return int(mrOk);
    });
    ShowMessage("Config not found: x");
    QCOMPARE(seen.caption, QStringLiteral("Tarnvel"));
    QCOMPARE(seen.msg, QStringLiteral("Config not found: x"));
    QCOMPARE(texts, QStringList{"OK"});
}

void TestMojDBox::saveFileFilters()
{
    QCOMPARE(qtNameFilters("Plik CSR (*.csr)|*.csr|Wszystkie pliki|*.*"),
             (QStringList{"Plik CSR (*.csr)", "Wszystkie pliki (*.*)"}));
    QCOMPARE(qtNameFilters("Obrazy|*.png;*.jpg"), QStringList{"Obrazy (*.png *.jpg)"});

    SaveDialogOptions options;
    options.defaultExt = "csr";
    setNextFileName("/tmp/wniosek");
    QCOMPARE(askSaveFileName(nullptr, options), QStringLiteral("/tmp/wniosek.csr"));
    setNextFileName("/tmp/wniosek.txt");
    QCOMPARE(askSaveFileName(nullptr, options), QStringLiteral("/tmp/wniosek.txt"));
    setNextFileName(QString());
    QCOMPARE(askSaveFileName(nullptr, options), QString());
}

QTEST_MAIN(TestMojDBox)
#include "test_mojdbox.moc"
