// The real main window on a throwaway storage folder and the real secret store.

#include "app/MojDBox.h"
#include "app/SystemBoxes.h"
#include "app/TarnvelApplication.h"
#include "app/Tfm_msglist.h"
#include "tests/fakes/FakeSecretStore.h"
#include "storage/SqlDb.h"
#include "storage/SecretStore.h"
#include "storage/UiHooks.h"
#include "storage/fvar.h"
#include "tests/support/LocalTimeServer.h"
#include "tests/support/TempStorage.h"

#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QMenuBar>
#include <QMouseEvent>
#include <QSplitter>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <memory>

Q_DECLARE_METATYPE(Twinstate)

namespace {

struct BoxSeen
{
    QString text, caption;
    SysBoxIcon icon;
};

const QString kFatalText = QStringLiteral("Nie można uruchomić aplikacji.\r\n");
const QString kFatalCaption = QStringLiteral("Tarnvel - błąd krytyczny");
const QSize kDesignClient(1092, 452);

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void firstStart();
    void savedState_data();
    void savedState();
    void panesSurviveLateMaximise();
    void undecryptableStorage_data();
    void undecryptableStorage();
    void lockedSecretStoreIsFatalWithoutReset();
    void layoutLoadErrorStillOpensWindow();
    void uncaughtErrorIsShownAndProgramGoesOn();

private:
    // Shows the window and waits for the first-run prompt, answered with No.
    void showAndDismissWelcome(Tfm_msglist &window);

    LocalTimeServer m_timeServer;
    QList<BoxSeen> m_boxes;
    QList<BoxSeen> m_questions;
    QList<MojDBoxCall> m_dialogs;
    bool m_resetAnswer = false;
};

void TestMainWindow::initTestCase()
{
    qputenv("TARNVEL_NTP_HOST", m_timeServer.hostAndPort());
}

void TestMainWindow::init()
{
    m_boxes.clear();
    m_questions.clear();
    m_dialogs.clear();
    m_resetAnswer = false;
    uiHooks().systemBox = [this](const QString &text, const QString &caption, SysBoxIcon icon) {
        m_boxes << BoxSeen{text, caption, icon};
    };
    uiHooks().systemAsk = [this](const QString &text, const QString &caption, SysBoxIcon icon) {
        m_questions << BoxSeen{text, caption, icon};
        return m_resetAnswer;
    };
    uiHooks().showMessage = [this](const QString &text) {
        m_boxes << BoxSeen{text, QStringLiteral("ShowMessage"), SysBoxIcon::Information};
    };
    setMojDBoxInterceptor([this](const MojDBoxCall &call, QMessageBox *) {
        m_dialogs << call;
        return int(mrNo);
    });
}

void TestMainWindow::cleanup()
{
    setMojDBoxInterceptor(nullptr);
    setSecretStore(nullptr);
    winstate = Twinstate();
    skrzynki.clear();
}

void TestMainWindow::showAndDismissWelcome(Tfm_msglist &window)
{
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_COMPARE_WITH_TIMEOUT(m_dialogs.size(), 1, 5000);
}

void TestMainWindow::firstStart()
{
    TempStorage storage;
    Tfm_msglist window;
    QVERIFY(window.FormCreate());
    QVERIFY(m_boxes.isEmpty());
    QVERIFY(QFile::exists(storage.configFile()));
    QVERIFY(QFile::exists(storage.dataFile()));
    const SecretReadResult key = secretStore().read(QStringLiteral("Tarnvel/DbKey"));
    QCOMPARE(key.status, SecretStatus::Ok);
    QCOMPARE(key.secret.size(), 64);

    window.show();
    QElapsedTimer sinceShown;
    sinceShown.start();
    QTRY_COMPARE_WITH_TIMEOUT(m_dialogs.size(), 1, 5000);
    QVERIFY2(sinceShown.elapsed() >= 150, qPrintable(QString::number(sinceShown.elapsed())));
    const MojDBoxCall &welcome = m_dialogs.first();
    QCOMPARE(welcome.msg,
             QStringLiteral("Brak skonfigurowanych skrzynek e-doręczeń.\r\n\r\nCzy chcesz teraz "
                            "otworzyć okno zarządzania skrzynkami,\r\naby dodać pierwszą "
                            "skrzynkę?"));
    QCOMPARE(welcome.caption, QStringLiteral("Witaj w Tarnvel"));
    QCOMPARE(welcome.type, mtInformation);
    QCOMPARE(welcome.buttons, TMsgDlgButtons(mbYes | mbNo));
    QCOMPARE(welcome.defaultButton, mbYes);

    // Design size, with the upper pane cut back so that 200 pixels stay below it.
    QCOMPARE(window.Splitter1->size(), kDesignClient);
    QCOMPARE(window.pl_folders->width(), 256);
    QCOMPARE(window.pl_topbk->height(), 452 - 3 - 200);
    QCOMPARE(window.ListView1->width(), 0);
    QCOMPARE(window.windowTitle(), QStringLiteral("Tarnvel"));
    for (QAction *action : window.ToolBar1->actions())
        QVERIFY2(!window.ToolBar1->widgetForAction(action)->accessibleName().isEmpty(),
                 qPrintable(action->objectName()));
    auto *info = qobject_cast<QToolButton *>(window.menuBar()->cornerWidget(Qt::TopRightCorner));
    QVERIFY(info);
    QCOMPARE(info->defaultAction(), window.miInfo);
    QVERIFY(info->font().bold());

    // Dragging the splitter so that less than 200 pixels would stay below is refused.
    QWidget *handle = window.Splitter1->handle(1);
    const QPoint start = handle->rect().center();
    const QPoint startGlobal = handle->mapToGlobal(start);
    QMouseEvent press(QEvent::MouseButtonPress, start, startGlobal, Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(handle, &press);
    const QPoint end = start + QPoint(0, 150);
    QMouseEvent move(QEvent::MouseMove, end, handle->mapToGlobal(end), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(handle, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, end, handle->mapToGlobal(end), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(handle, &release);
    QVERIFY(window.pl_msg->height() >= 200);
    QVERIFY(window.pl_topbk->height() + 3 + window.pl_msg->height() <= kDesignClient.height());

    // The prompt does not come back during this run.
    QTest::qWait(600);
    QCOMPARE(m_dialogs.size(), 1);
    QVERIFY(!window.welcome_timer);

    // Closing saves the layout.
    window.resize(1000, 640);
    window.Splitter2->setSizes({300, 700});
    QTRY_COMPARE(window.Splitter1->width(), 1000);
    const int upper = window.pl_topbk->height();
    const int folders = window.pl_folders->width();
    window.close();
    winstate = Twinstate();
    loadwinstate();
    QCOMPARE(winstate.wnd_width, 1000);
    QCOMPARE(winstate.wnd_height, 640);
    QCOMPARE(winstate.wnd_state, 0);
    QCOMPARE(winstate.spl1_pos, upper);
    QCOMPARE(winstate.spl2_pos, folders);
}

void TestMainWindow::savedState_data()
{
    QTest::addColumn<Twinstate>("saved");
    QTest::addColumn<QSize>("expectedSize"); // of the window, or of the client area at 0
    QTest::addColumn<int>("expectedUpper"); // -1: as high as leaves 200 for the lower pane
    QTest::addColumn<int>("expectedFolders");
    QTest::newRow("width 0 keeps the design") << Twinstate{0, 0, 0, 400, 400} << kDesignClient
                                              << 249 << 256;
    QTest::newRow("normal") << Twinstate{900, 600, 0, 300, 220} << QSize(900, 600) << 300 << 220;
    QTest::newRow("minimised opens normal")
        << Twinstate{900, 600, 1, 300, 220} << QSize(900, 600) << 300 << 220;
    QTest::newRow("maximised") << Twinstate{900, 600, 2, 300, 220} << QSize() << 300 << 220;
    QTest::newRow("upper pane too high") << Twinstate{800, 450, 0, 400, 200} << QSize(800, 450)
                                         << -1 << 200;
}

void TestMainWindow::savedState()
{
    QFETCH(Twinstate, saved);
    QFETCH(QSize, expectedSize);
    QFETCH(int, expectedUpper);
    QFETCH(int, expectedFolders);
    TempStorage storage;
    initstorage();
    savewinstate(saved.wnd_width, saved.wnd_height, saved.wnd_state, saved.spl1_pos,
                 saved.spl2_pos);

    Tfm_msglist window;
    QVERIFY(window.FormCreate());
    const QSize designWindow = window.size();
    showAndDismissWelcome(window);
    if (!expectedSize.isValid()) {
        QVERIFY(window.isMaximized());
        QCOMPARE(window.normalGeometry().size(), designWindow);
    } else if (saved.wnd_width == 0) {
        QCOMPARE(window.Splitter1->size(), expectedSize);
    } else {
        QCOMPARE(window.size(), expectedSize);
        QVERIFY(!window.isMaximized());
    }
    if (expectedUpper < 0)
        expectedUpper = window.Splitter1->height() - 3 - 200;
    QCOMPARE(window.pl_topbk->height(), expectedUpper);
    QCOMPARE(window.pl_msg->height(), window.Splitter1->height() - 3 - expectedUpper);
    QCOMPARE(window.pl_folders->width(), expectedFolders);
}

// A window manager maximises a window only after it was shown; the saved upper pane, too high
// for the design size, must come back once the window has grown, not stay cut back.
void TestMainWindow::panesSurviveLateMaximise()
{
    TempStorage storage;
    initstorage();
    savewinstate(900, 500, 0, 600, 220);

    Tfm_msglist window;
    QVERIFY(window.FormCreate());
    window.show(); // FormShow has run; nothing has been painted yet
    QVERIFY(window.pl_topbk->height() < 600);
    window.resize(1200, 1000);
    QCOMPARE(window.pl_topbk->height(), 600);
    QCOMPARE(window.pl_folders->width(), 220);
    QTRY_COMPARE_WITH_TIMEOUT(m_dialogs.size(), 1, 5000); // the first-run prompt, answered

    // Once painted, a shrinking window cuts the pane back by the usual rule.
    window.resize(900, 600);
    QCOMPARE(window.pl_topbk->height(), window.Splitter1->height() - 3 - 200);
}

void TestMainWindow::undecryptableStorage_data()
{
    QTest::addColumn<bool>("acceptReset");
    QTest::newRow("reset declined") << false;
    QTest::newRow("reset accepted") << true;
}

void TestMainWindow::undecryptableStorage()
{
    QFETCH(bool, acceptReset);
    TempStorage storage;
    initstorage();
    QFile config(storage.configFile());
    QVERIFY(config.open(QIODevice::WriteOnly | QIODevice::Truncate));
    const QByteArray garbage(8192, 'x');
    config.write(garbage);
    config.close();
    m_resetAnswer = acceptReset;

    Tfm_msglist window;
    const bool started = window.FormCreate();
    QCOMPARE(m_questions.size(), 1);
    QCOMPARE(m_questions.first().caption, QStringLiteral("Tarnvel - blad deszyfrowania"));
    if (acceptReset) {
        QVERIFY(started);
        QVERIFY(m_boxes.isEmpty());
        QVERIFY(QFile::exists(storage.dataFile()));
        QFile fresh(storage.configFile());
        QVERIFY(fresh.open(QIODevice::ReadOnly));
        QVERIFY(fresh.readAll() != garbage);
        return;
    }
    QVERIFY(!started);
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes.first().caption, kFatalCaption);
    QCOMPARE(m_boxes.first().icon, SysBoxIcon::Error);
    QVERIFY2(m_boxes.first().text.startsWith(kFatalText + "file is encrypted or is not a database"),
             qPrintable(m_boxes.first().text));
    // Declining leaves the files as they were.
    QVERIFY(config.open(QIODevice::ReadOnly));
    QCOMPARE(config.readAll(), garbage);
}

void TestMainWindow::lockedSecretStoreIsFatalWithoutReset()
{
    TempStorage storage;
    initstorage(); // intact files under the real key
    auto locked = std::make_unique<FakeSecretStore>();
    locked->locked = true;
    setSecretStore(std::move(locked));

    Tfm_msglist window;
    QVERIFY(!window.FormCreate());
    QVERIFY(m_questions.isEmpty());
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes.first().caption, kFatalCaption);
    QVERIFY2(m_boxes.first().text.startsWith(kFatalText + "Systemowy magazyn haseł"),
             qPrintable(m_boxes.first().text));
    QVERIFY(QFile::exists(storage.configFile()));
}

void TestMainWindow::layoutLoadErrorStillOpensWindow()
{
    TempStorage storage;
    initstorage();
    savewinstate(900, 600, 0, 300, 220);
    {
        SqlDb db;
        db.open(configfile, getdbkey());
        db.exec(QStringLiteral("UPDATE config SET config_value = 'szeroko' "
                               "WHERE config_type = 'winstate'"));
    }

    Tfm_msglist window;
    QVERIFY(window.FormCreate());
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes.first().caption, QStringLiteral("Tarnvel"));
    QCOMPARE(m_boxes.first().icon, SysBoxIcon::Error);
    QVERIFY(m_boxes.first().text.contains(QStringLiteral("szeroko")));
    showAndDismissWelcome(window);
    QCOMPARE(window.Splitter1->size(), kDesignClient);
}

void TestMainWindow::uncaughtErrorIsShownAndProgramGoesOn()
{
    bool after = false;
    QTimer::singleShot(0, [] { throw StorageError(QStringLiteral("Dysk pełny")); });
    QTimer::singleShot(20, [&after] { after = true; });
    QTRY_VERIFY(after);
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes.first().text, QStringLiteral("Dysk pełny"));
    QCOMPARE(m_boxes.first().caption, QStringLiteral("Tarnvel"));
}

int main(int argc, char **argv)
{
    TarnvelApplication app(argc, argv);
    TestMainWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_mainwindow.moc"
