// The folder tree of the main window: rebuilt as a whole from one folder-count request per
// configured mailbox.

#include "app/Tfm_msglist.h"
#include "browse/FolderTree.h"
#include "browse/FolderTreeItem.h"
#include "browse/TreeImages.h"
#include "service/Resources.h"
#include "storage/fvar.h"

#include <QAbstractItemView>
#include <QHeaderView>
#include <QMenu>
#include <QPalette>
#include <QTreeWidget>


namespace {

const char *const kSetUpProperty = "tarnvelFolderTreeSetUp";

void setImages(QTreeWidgetItem *item, int image)
{
    // Expanded and selected images equal the image: one icon serves every state.
    item->setIcon(0, treeimage(image));
}

void setBold(QTreeWidgetItem *item)
{
    const TNodeData *data = nodedata(item);
    if (!data)
        return; // nodes without data keep the default drawing
    QFont font = item->font(0);
    font.setBold(data->bold);
    item->setFont(0, font);
}

void applyNode(FolderTreeItem *top, const MailboxNode &node)
{
    for (const FolderNode &f : node.children) {
        auto *child = new FolderTreeItem;
        child->setText(0, f.text);
        if (f.data)
            child->setNodeData(*f.data);
        setImages(child, f.image);
        setBold(child);
        top->addChild(child);
    }
    top->setText(0, node.text);
    top->setNodeData(node.data);
    setImages(top, node.image);
    setBold(top);
}

void freeAll(Tfm_msglist *w, QTreeWidgetItem *item)
{
    for (int i = 0; i < item->childCount(); ++i)
        freeAll(w, item->child(i));
    w->TreeView1Deletion(item);
}

} // namespace

void Tfm_msglist::setupFolderTree()
{
    if (!TreeView1 || TreeView1->property(kSetUpProperty).toBool())
        return;
    TreeView1->setProperty(kSetUpProperty, true);
    TreeView1->setHeaderHidden(true);
    TreeView1->setColumnCount(1);
    TreeView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeView1->setIndentation(35);
    TreeView1->setIconSize(QSize(32, 32));
    // Long folder names scroll sideways instead of being cut off with an ellipsis.
    TreeView1->header()->setStretchLastSection(false);
    TreeView1->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    TreeView1->setTextElideMode(Qt::ElideNone);
    if (TreeView1->accessibleName().isEmpty())
        TreeView1->setAccessibleName(QStringLiteral("Skrzynki i foldery"));
    // The selection stays visible when the tree loses the focus.
    QPalette pal = TreeView1->palette();
    for (const QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        pal.setColor(QPalette::Inactive, role, pal.color(QPalette::Active, role));
    TreeView1->setPalette(pal);

    if (!tl1_popupmenu)
        tl1_popupmenu = new QMenu(this);
    TreeView1->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(TreeView1, &QWidget::customContextMenuRequested, this,
                     [this](const QPoint &pos) {
                         TreeView1MouseDown(pos);
                         if (!tl1_popupmenu->actions().isEmpty())
                             tl1_popupmenu->popup(TreeView1->viewport()->mapToGlobal(pos));
                     });
}

void Tfm_msglist::TreeView1Deletion(QTreeWidgetItem *Node)
{
    if (Node && Node->type() == FolderTreeItem::Type)
        static_cast<FolderTreeItem *>(Node)->freeNodeData();
}

void Tfm_msglist::refresh_folders(bool keepstate)
{
    // Saving and restoring the expanded nodes, selection and scroll positions around the
    // rebuild is not built yet: with keepstate the tree also starts collapsed.
    Q_UNUSED(keepstate);
    setupFolderTree();

    for (int i = 0; i < TreeView1->topLevelItemCount(); ++i)
        freeAll(this, TreeView1->topLevelItem(i));
    TreeView1->clear();
    movefolders.clear();

    for (int i = 0; i < skrzynki.size(); ++i) {
        // Copy: a request may show a box whose event loop could let the list change.
        const TSkrzynka mb = skrzynki.at(i);
        auto *top = new FolderTreeItem;
        TreeView1->addTopLevelItem(top);

        MailboxNode node;
        if (!mailboxconfigured(mb.address, mb.keyprv)) {
            node = buildmailboxnode(i, mb.name, MailboxState::NotConfigured);
        } else {
            // A transport error raised here ends the rebuild at this mailbox: the nodes built
            // so far stay, the error goes to the default error box.
            const QJsonValue answer =
                getrequest(resourceNumberMessages(mb.address), i, {}, QStringLiteral("get"), {});
            node = buildmailboxnode(i, mb.name,
                                    answer.isArray() ? MailboxState::Answered
                                                     : MailboxState::Failed,
                                    answer);
        }
        applyNode(top, node);
        for (const TNodeData &d : node.movetargets) {
            TFolder f;
            f.mbox_idx = d.mboxidx;
            f.name = d.name;
            f.plname = d.plname;
            f.labeln = d.labeln;
            movefolders.append(f);
        }
    }
}
