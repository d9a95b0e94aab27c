// Start-up, shutdown, pane bounds and the shell's menu items of the main window.

#include "app/Tfm_msglist.h"

#include "app/AppInfo.h"
#include "app/MojDBox.h"
#include "app/PaneRules.h"
#include "app/SystemBoxes.h"
#include "mailboxes/mb_list.h"
#include "storage/SqlDb.h"
#include "storage/Tf1.h"
#include "storage/fvar.h"

#include <QApplication>
#include <QDesktopServices>
#include <QListWidget>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSplitter>
#include <QTimer>
#include <QUrl>

namespace {

constexpr int kWelcomeInterval = 200;

const QString &fatalStartText()
{
    static const QString text = QStringLiteral("Nie można uruchomić aplikacji.\r\n");
    return text;
}
const QString &fatalStartCaption()
{
    static const QString text = QStringLiteral("Tarnvel - błąd krytyczny");
    return text;
}

void showFatalStartError(const QString &message)
{
    showSystemBox(fatalStartText() + message, fatalStartCaption(), SysBoxIcon::Error);
}

} // namespace

int Tfm_msglist::clientHeight() const
{
    return Splitter1->height();
}

void Tfm_msglist::setUpperPaneHeight(int height)
{
    const int lower = std::max(0, clientHeight() - Splitter1->handleWidth() - height);
    Splitter1->setSizes({height, lower});
}

void Tfm_msglist::setFolderPaneWidth(int width)
{
    const int rest = std::max(0, Splitter2->width() - Splitter2->handleWidth() - width);
    Splitter2->setSizes({width, rest});
}

bool Tfm_msglist::FormCreate()
{
    appversion = getappversion();

    const auto centre = [this] {
        if (const QScreen *screen = QGuiApplication::primaryScreen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    };
    centre();
    pl_topbk->setMinimumHeight(PaneRules::upperPaneMinHeight);

    miInfo->setText(AppInfo::publisherCaption);
    RightJustifyMenuItem(menuBar(), miInfo);
    menuBar()->update();
    resizeToDesign(); // the item in the corner may have made the menu bar taller

    for (int attempt = 1;; ++attempt) {
        try {
            initstorage();
            if (!f1)
                f1 = new Tf1;
            if (f1->FDConnection1.isOpen())
                f1->FDConnection1.close();
            f1->connectmaindb();
            break;
        } catch (const SecretStoreUnavailable &error) {
            // A reset cannot help a locked store and would delete intact databases.
            showFatalStartError(error.message());
            return false;
        } catch (const std::exception &error) {
            if (attempt == 1 && askresetstorage())
                continue;
            showFatalStartError(errorMessage(error));
            return false;
        }
    }

    try {
        f1->purgecache();
        loadconfig();
        loadwinstate();
        if (winstate.wnd_width > 0) {
            if (winstate.wnd_state == 2)
                setWindowState(windowState() | Qt::WindowMaximized);
            else
                resize(winstate.wnd_width, winstate.wnd_height);
            centre(); // the desktop centre of the size the window really opens with
        }
    } catch (const std::exception &error) {
        showDefaultErrorBox(errorMessage(error));
    }
    return true;
}

void Tfm_msglist::FormShow()
{
    timeoffset = gettimeoffset();
    refresh_folders(false);

    Splitter4->setSizes({Splitter4->width(), 0});

    if (skrzynki.isEmpty() && !welcome_timer) {
        welcome_timer = new QTimer(this);
        welcome_timer->setObjectName(QStringLiteral("welcome_timer"));
        welcome_timer->setInterval(kWelcomeInterval);
        connect(welcome_timer, &QTimer::timeout, this, [this] { welcome_timerTimer(); });
        welcome_timer->start();
    }

    if (winstate.wnd_width > 0) {
        setUpperPaneHeight(winstate.spl1_pos);
        setFolderPaneWidth(winstate.spl2_pos);
        FixSplitterPosition();
    }
}

void Tfm_msglist::FormClose()
{
    int state = 0;
    if (isMaximized())
        state = 2;
    else if (isMinimized())
        state = 1;
    const QRect normal = normalGeometry();
    savewinstate(normal.width(), normal.height(), state, pl_topbk->height(), pl_folders->width());
}

void Tfm_msglist::FixSplitterPosition()
{
    const int height = PaneRules::fixedUpperPaneHeight(pl_topbk->height(), clientHeight(),
                                                       Splitter1->handleWidth());
    if (height != pl_topbk->height())
        setUpperPaneHeight(height);
}

void Tfm_msglist::FormResize()
{
    FixSplitterPosition();
    const int lower = PaneRules::fixedLowerPaneHeight(pl_msg->height(), clientHeight(),
                                                      pl_topbk->minimumHeight(),
                                                      Splitter1->handleWidth());
    if (lower != pl_msg->height())
        setUpperPaneHeight(clientHeight() - Splitter1->handleWidth() - lower);
}

bool Tfm_msglist::Splitter1CanResize(int NewSize) const
{
    return PaneRules::splitterCanResize(NewSize, clientHeight(), Splitter1->handleWidth());
}

void Tfm_msglist::Panel2Resize()
{
    const int width = PaneRules::headerFieldWidth(Panel2->width());
    for (QLineEdit *edit : {el_temat, el_od, el_do})
        edit->resize(width, edit->height());
}

void Tfm_msglist::welcome_timerTimer()
{
    welcome_timer->stop();
    welcome_timer->deleteLater();
    welcome_timer = nullptr;

    raise();
    activateWindow();
    QCoreApplication::processEvents();
    if (!skrzynki.isEmpty())
        return;

    const int answer = MojDBox(
        QStringLiteral("Brak skonfigurowanych skrzynek e-doręczeń.\r\n\r\nCzy chcesz teraz "
                       "otworzyć okno zarządzania skrzynkami,\r\naby dodać pierwszą skrzynkę?"),
        QStringLiteral("Witaj w Tarnvel"), mtInformation, mbYes | mbNo, mbYes);
    if (answer == mrYes)
        openMailboxList();
}

void Tfm_msglist::openMailboxList()
{
    {
        Tfm_mblist1 dlg(this);
        dlg.exec();
    }
    loadconfig();
    refresh_folders(false);
}

void Tfm_msglist::Timer1Timer()
{
    Timer1->stop();
    timeblock = false;
}

void Tfm_msglist::Skrzynkiedorcze1Click()
{
    openMailboxList();
}

void Tfm_msglist::PomocClick()
{
    OpenURL(AppInfo::documentationUrl);
}

void Tfm_msglist::miInfoClick()
{
    OpenURL(AppInfo::publisherUrl);
}

void Tfm_msglist::OpenURL(const QString &URL)
{
    QDesktopServices::openUrl(QUrl(URL));
}

void Tfm_msglist::memoAppend(const QString &text)
{
    Memo1->appendPlainText(text);
}

void Tfm_msglist::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    FormShow();
}

void Tfm_msglist::closeEvent(QCloseEvent *event)
{
    // A layout that cannot be saved must not keep the user from quitting.
    try {
        FormClose();
    } catch (const std::exception &error) {
        showDefaultErrorBox(errorMessage(error));
    }
    QMainWindow::closeEvent(event);
}

void Tfm_msglist::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
}
