#include "app/Tfm_msglist.h"

#include "app/AppInfo.h"
#include "app/Icons.h"
#include "app/PaneRules.h"

#include <QAction>
#include <QEvent>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

QVector<TFolder> movefolders;

namespace {

// Design values of the layout, in pixels.
constexpr int kClientWidth = 1092;
constexpr int kClientHeight = 452;
constexpr int kMinWidth = 700;
constexpr int kMinHeight = 400;
constexpr int kUpperHeight = 250;
constexpr int kFolderWidth = 256;
constexpr int kSplitterHeight = 3;
constexpr int kHeaderHeight = 72;
constexpr int kRightHeaderWidth = 202;
constexpr int kAttachmentWidth = 135;
constexpr int kTimer1Interval = 5000;

// Calls a function after each resize of the watched widget.
class ResizeWatcher : public QObject
{
public:
    ResizeWatcher(QObject *parent, std::function<void()> onResize)
        : QObject(parent), m_onResize(std::move(onResize))
    {
    }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Resize)
            m_onResize();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_onResize;
};

QLineEdit *readOnlyField(QWidget *parent, const QString &name)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setReadOnly(true);
    return edit;
}

QLabel *fieldLabel(QWidget *parent, const QString &text, QLineEdit *buddy)
{
    auto *label = new QLabel(text, parent);
    label->setBuddy(buddy);
    buddy->setAccessibleName(QString(text).remove(QLatin1Char(':')));
    return label;
}

QAction *toolAction(QToolBar *bar, const QString &name, ToolIcon icon, const QString &hint,
                    const QString &accessibleName)
{
    auto *action = new QAction(toolIcon(icon), hint, bar);
    action->setObjectName(name);
    action->setToolTip(hint);
    bar->addAction(action);
    if (QWidget *button = bar->widgetForAction(action))
        button->setAccessibleName(hint.isEmpty() ? accessibleName : hint);
    return action;
}

} // namespace

Tfm_msglist::Tfm_msglist(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("fm_msglist"));
    setWindowTitle(AppInfo::title);
    setWindowIcon(toolIcon(ToolIcon::Application));
    buildLayout();
    buildMenus();
    setupFolderTree();
    resizeToDesign();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kTimer1Interval);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
}

Tfm_msglist::~Tfm_msglist() = default;

void Tfm_msglist::buildLayout()
{
    // Splitter1 is the whole client area: the upper pane above it, the message below.
    Splitter1 = new QSplitter(Qt::Vertical, this);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(kSplitterHeight);
    Splitter1->setChildrenCollapsible(false);
    setCentralWidget(Splitter1);

    pl_topbk = new QWidget(Splitter1);
    pl_topbk->setObjectName(QStringLiteral("pl_topbk"));
    pl_topbk->setMinimumHeight(PaneRules::upperPaneMinHeight);
    auto *topLayout = new QVBoxLayout(pl_topbk);
    topLayout->setContentsMargins(0, 0, 0, 0);

    Splitter2 = new QSplitter(Qt::Horizontal, pl_topbk);
    Splitter2->setObjectName(QStringLiteral("Splitter2"));
    Splitter2->setChildrenCollapsible(false);
    topLayout->addWidget(Splitter2);

    pl_folders = new QWidget(Splitter2);
    pl_folders->setObjectName(QStringLiteral("pl_folders"));
    pl_folders->setMinimumWidth(PaneRules::folderPaneMinWidth);
    auto *folderLayout = new QVBoxLayout(pl_folders);
    folderLayout->setContentsMargins(0, 0, 0, 0);
    TreeView1 = new QTreeWidget(pl_folders);
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setHeaderHidden(true);
    TreeView1->setIconSize(QSize(32, 32));
    TreeView1->setAccessibleName(QStringLiteral("Skrzynki i foldery"));
    folderLayout->addWidget(TreeView1);

    pl_msglist = new QWidget(Splitter2);
    pl_msglist->setObjectName(QStringLiteral("pl_msglist"));
    pl_msglist->setMinimumWidth(PaneRules::messageListMinWidth);
    auto *listLayout = new QVBoxLayout(pl_msglist);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->setSpacing(0);
    ToolBar1 = new QToolBar(pl_msglist);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setIconSize(QSize(32, 32));
    ToolBar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    ToolBar1->setAccessibleName(QStringLiteral("Pasek narzędzi"));
    listLayout->addWidget(ToolBar1);
    btn_refresh = toolAction(ToolBar1, QStringLiteral("btn_refresh"), ToolIcon::Refresh,
                             QStringLiteral("Odświerz listę wiadomości"), QString());
    btn_forwardsel = toolAction(ToolBar1, QStringLiteral("btn_forwardsel"), ToolIcon::Forward,
                                QStringLiteral("Przekaż zaznaczone wiadomości"), QString());
    btn_odbierzsel = toolAction(ToolBar1, QStringLiteral("btn_odbierzsel"), ToolIcon::Receive,
                                QStringLiteral("Odbierz zaznaczone wiadomości"), QString());
    // These two have no hint; a screen reader still needs a name for them.
    btn_movesel = toolAction(ToolBar1, QStringLiteral("btn_movesel"), ToolIcon::Move, QString(),
                             QStringLiteral("Przenieś zaznaczone wiadomości do folderu"));
    btn_deletesel = toolAction(ToolBar1, QStringLiteral("btn_deletesel"), ToolIcon::Trash,
                               QStringLiteral("Przenieś do kosza"), QString());
    btn_contacts = toolAction(ToolBar1, QStringLiteral("btn_contacts"), ToolIcon::Contacts,
                              QString(), QStringLiteral("Książka adresowa"));
    btn_contacts->setEnabled(false); // the address book is not part of the program yet
    sg1 = new QTableView(pl_msglist);
    sg1->setObjectName(QStringLiteral("sg1"));
    sg1->setAccessibleName(QStringLiteral("Lista wiadomości"));
    listLayout->addWidget(sg1);

    Splitter2->addWidget(pl_folders);
    Splitter2->addWidget(pl_msglist);
    Splitter2->setStretchFactor(0, 0);
    Splitter2->setStretchFactor(1, 1);

    pl_msg = new QWidget(Splitter1);
    pl_msg->setObjectName(QStringLiteral("pl_msg"));
    pl_msg->setMinimumHeight(PaneRules::lowerPaneMinHeight);
    auto *msgLayout = new QVBoxLayout(pl_msg);
    msgLayout->setContentsMargins(0, 0, 0, 0);
    msgLayout->setSpacing(0);

    pl_msg_headers = new QWidget(pl_msg);
    pl_msg_headers->setObjectName(QStringLiteral("pl_msg_headers"));
    pl_msg_headers->setFixedHeight(kHeaderHeight);
    auto *headerLayout = new QHBoxLayout(pl_msg_headers);
    headerLayout->setContentsMargins(0, 0, 0, 0);
    headerLayout->setSpacing(0);
    msgLayout->addWidget(pl_msg_headers);

    // Panel2 places its fields itself: their width follows the panel (Panel2Resize).
    Panel2 = new QWidget(pl_msg_headers);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    headerLayout->addWidget(Panel2, 1);
    el_temat = readOnlyField(Panel2, QStringLiteral("el_temat"));
    el_od = readOnlyField(Panel2, QStringLiteral("el_od"));
    el_do = readOnlyField(Panel2, QStringLiteral("el_do"));
    const QList<QPair<QString, QLineEdit *>> leftFields = {
        {QStringLiteral("Temat:"), el_temat}, {QStringLiteral("Od:"), el_od},
        {QStringLiteral("Do:"), el_do}};
    int y = 2;
    for (const auto &[text, edit] : leftFields) {
        QLabel *label = fieldLabel(Panel2, text, edit);
        label->setGeometry(6, y, 48, 22);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        edit->setGeometry(58, y, 200, 22);
        y += 23;
    }
    Panel2->installEventFilter(new ResizeWatcher(Panel2, [this] { Panel2Resize(); }));

    Panel1 = new QWidget(pl_msg_headers);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setMinimumWidth(kRightHeaderWidth);
    headerLayout->addWidget(Panel1, 0);
    auto *rightForm = new QFormLayout(Panel1);
    rightForm->setContentsMargins(4, 2, 4, 2);
    rightForm->setVerticalSpacing(1);
    rightForm->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    el_dwplyw = readOnlyField(Panel1, QStringLiteral("el_dwplyw"));
    el_ddor = readOnlyField(Panel1, QStringLiteral("el_ddor"));
    el_timeleft = readOnlyField(Panel1, QStringLiteral("el_timeleft"));
    const QList<QPair<QString, QLineEdit *>> rightFields = {
        {QStringLiteral("Data wpływu:"), el_dwplyw},
        {QStringLiteral("Data doręczenia:"), el_ddor},
        {QStringLiteral("Pozostało (dni):"), el_timeleft}};
    for (const auto &[text, edit] : rightFields) {
        edit->setMinimumWidth(120);
        rightForm->addRow(fieldLabel(Panel1, text, edit), edit);
    }

    Splitter4 = new QSplitter(Qt::Horizontal, pl_msg);
    Splitter4->setObjectName(QStringLiteral("Splitter4"));
    msgLayout->addWidget(Splitter4, 1);
    Memo1 = new QPlainTextEdit(Splitter4);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setAccessibleName(QStringLiteral("Treść wiadomości"));
    ListView1 = new QListWidget(Splitter4);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setAccessibleName(QStringLiteral("Załączniki"));
    ListView1->setIconSize(QSize(32, 32));
    Splitter4->addWidget(Memo1);
    Splitter4->addWidget(ListView1);
    Splitter4->setStretchFactor(0, 1);
    Splitter4->setStretchFactor(1, 0);
    Splitter4->setSizes({kClientWidth - kAttachmentWidth, kAttachmentWidth});

    Splitter1->addWidget(pl_topbk);
    Splitter1->addWidget(pl_msg);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({kUpperHeight, kClientHeight - kUpperHeight - kSplitterHeight});
    Splitter2->setSizes({kFolderWidth, kClientWidth - kFolderWidth});
    connect(Splitter1, &QSplitter::splitterMoved, this, [this](int pos, int) {
        if (!Splitter1CanResize(pos))
            FixSplitterPosition();
    });

    setMinimumSize(kMinWidth, kMinHeight);
}

void Tfm_msglist::resizeToDesign()
{
    // The design size is that of the client area, below the menu bar.
    resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
    layout()->activate();
    resize(kClientWidth, kClientHeight + height() - Splitter1->height());
}

void Tfm_msglist::buildMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    Ustawienia1 = bar->addMenu(QStringLiteral("Ustawienia"));
    Ustawienia1->setObjectName(QStringLiteral("Ustawienia1"));
    Skrzynkiedorcze1 = Ustawienia1->addAction(QStringLiteral("Skrzynki e-doręczeń"));
    Skrzynkiedorcze1->setObjectName(QStringLiteral("Skrzynkiedorcze1"));
    connect(Skrzynkiedorcze1, &QAction::triggered, this, [this] { Skrzynkiedorcze1Click(); });
    // Their dialogs are not part of the program yet.
    Serwerpocztyemail1 = Ustawienia1->addAction(QStringLiteral("Serwer poczty email"));
    Serwerpocztyemail1->setObjectName(QStringLiteral("Serwerpocztyemail1"));
    Serwerpocztyemail1->setEnabled(false);
    Ustawienia1->addSeparator()->setObjectName(QStringLiteral("N1"));
    oprogramie1 = Ustawienia1->addAction(QStringLiteral("O programie..."));
    oprogramie1->setObjectName(QStringLiteral("oprogramie1"));
    oprogramie1->setEnabled(false);

    Pomoc = bar->addAction(QStringLiteral("Pomoc"));
    Pomoc->setObjectName(QStringLiteral("Pomoc"));
    connect(Pomoc, &QAction::triggered, this, [this] { PomocClick(); });

    miInfo = new QAction(this);
    miInfo->setObjectName(QStringLiteral("miInfo"));
    connect(miInfo, &QAction::triggered, this, [this] { miInfoClick(); });
}

void Tfm_msglist::RightJustifyMenuItem(QMenuBar *AMainMenu, QAction *AItem)
{
    // A menu bar cannot place one of its own items at the right end everywhere, so the item
    // is shown there as a flat button in the bar's corner, bold as the default item.
    auto *button = new QToolButton(AMainMenu);
    button->setObjectName(QStringLiteral("miInfoButton"));
    button->setDefaultAction(AItem);
    button->setAutoRaise(true);
    button->setCursor(Qt::PointingHandCursor);
    QFont font = button->font();
    font.setBold(true);
    button->setFont(font);
    AItem->setFont(font);
    AMainMenu->setCornerWidget(button, Qt::TopRightCorner);
}
