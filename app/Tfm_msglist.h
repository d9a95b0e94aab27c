#pragma once
// The main window. One class, because so much of the program is its methods; the members
// of each area are defined in that area's folder (one file per area) and stay short: read
// the widgets, call a unit that can be tested without widgets, apply the result.
//
// Members are plain functions connected with lambdas (no slots), so a member declared for a
// later area costs nothing until it is defined.

#include <QJsonValue>
#include <QMainWindow>
#include <QPair>
#include <QStringList>
#include <QVector>

class QAction;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QSplitter;
class QTableView;
class QTimer;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;
class SntpClient;

struct TFolder
{
    int mbox_idx = 0;
    QString name;
    QString plname;
    QString labeln;
    int mboxidx = 0; // declared but never filled; readers use mbox_idx
};

extern QVector<TFolder> movefolders;

using TQueryParams = QVector<QPair<QString, QString>>;

class Tfm_msglist : public QMainWindow
{
public:
    explicit Tfm_msglist(QWidget *parent = nullptr);
    ~Tfm_msglist() override;

    // ---- app/: start-up, layout, shutdown, menus -------------------------------------
    // FormCreate returns false after a fatal start-up error: the window must not be shown.
    bool FormCreate();
    void FormShow();
    void FormClose();
    void FormResize();
    bool Splitter1CanResize(int NewSize) const;
    void Panel2Resize();
    void FixSplitterPosition();
    void welcome_timerTimer();
    void Timer1Timer();
    void Skrzynkiedorcze1Click();
    void Serwerpocztyemail1Click();
    void oprogramie1Click();
    void PomocClick();
    void miInfoClick();
    void btn_contactsClick();
    void OpenURL(const QString &URL);
    // Places the item at the right end of the menu bar (see the definition for how).
    void RightJustifyMenuItem(QMenuBar *AMainMenu, QAction *AItem);
    // Appends one entry to the message text area (diagnostics of failed requests).
    void memoAppend(const QString &text);

    QWidget *pl_topbk = nullptr;
    QWidget *pl_folders = nullptr;
    QTreeWidget *TreeView1 = nullptr;
    QSplitter *Splitter2 = nullptr;
    QWidget *pl_msglist = nullptr;
    QToolBar *ToolBar1 = nullptr;
    QTableView *sg1 = nullptr;
    QSplitter *Splitter1 = nullptr;
    QWidget *pl_msg = nullptr;
    QWidget *pl_msg_headers = nullptr;
    QWidget *Panel2 = nullptr;
    QWidget *Panel1 = nullptr;
    QLineEdit *el_temat = nullptr;
    QLineEdit *el_od = nullptr;
    QLineEdit *el_do = nullptr;
    QLineEdit *el_dwplyw = nullptr;
    QLineEdit *el_ddor = nullptr;
    QLineEdit *el_timeleft = nullptr;
    QPlainTextEdit *Memo1 = nullptr;
    QSplitter *Splitter4 = nullptr;
    QListWidget *ListView1 = nullptr;
    QAction *btn_refresh = nullptr;
    QAction *btn_forwardsel = nullptr;
    QAction *btn_odbierzsel = nullptr;
    QAction *btn_movesel = nullptr;
    QAction *btn_deletesel = nullptr;
    QAction *btn_contacts = nullptr;
    QMenu *Ustawienia1 = nullptr;
    QAction *Skrzynkiedorcze1 = nullptr;
    QAction *Serwerpocztyemail1 = nullptr;
    QAction *oprogramie1 = nullptr;
    QAction *Pomoc = nullptr;
    QAction *miInfo = nullptr;
    QTimer *welcome_timer = nullptr;
    QTimer *Timer1 = nullptr;
    QMenu *tl1_popupmenu = nullptr;

    // ---- service/: clock offset, token, request executor -------------------------------
    int gettimeoffset();
    void IcsTimeClient1Time(qint64 unixSecondsOrZero);
    void get_mboxtoken(int mbox_idx);
    // Returns the parsed answer, or an empty (undefined) value after the failure was shown.
    QJsonValue getrequest(const QString &url, int mbox_idx, const TQueryParams &params,
                          const QString &postget, const QString &body);

    int timeoffset = 0;
    qint64 ntptime = 0;
    bool timeblock = false;
    SntpClient *IcsTimeClient1 = nullptr;

    // ---- browse/: folder tree ----------------------------------------------------------
    void refresh_folders(bool keepstate);
    void TreeView1Deletion(QTreeWidgetItem *Node);
    // Tree settings, images and the mailbox context menu; call once after buildLayout
    // (refresh_folders also calls it, so forgetting it costs only the menu until then).
    void setupFolderTree();

    // ---- mailboxes/: mailbox actions on the tree ---------------------------------------
    void TreeView1MouseDown(const QPoint &pos); // right button only
    void mboxedit(int tag);
    void mboxdelete(int tag);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildLayout();
    void buildMenus();
    void openMailboxList();
    void resizeToDesign();
    int clientHeight() const;
    void setUpperPaneHeight(int height);
    void setFolderPaneWidth(int width);
    bool m_shown = false;
};
