// The mailbox actions of the main window's folder tree: its context menu, editing, adding
// and removing a mailbox.

#include "app/Tfm_msglist.h"
#include "browse/FolderTreeItem.h"
#include "mailboxes/keysmanager.h"
#include "storage/fvar.h"

#include <QAction>
#include <QMenu>
#include <QTreeWidget>

namespace {

const QString kEditItem = QStringLiteral("Edytuj skrzynkę");
const QString kDeleteItem = QStringLiteral("Usuń skrzynkę");
const QString kNewItem = QStringLiteral("Utwórz nową skrzynkę");

} // namespace

void Tfm_msglist::TreeView1MouseDown(const QPoint &pos)
{
    if (!tl1_popupmenu)
        tl1_popupmenu = new QMenu(this);
    QTreeWidgetItem *node = TreeView1->itemAt(pos);
    tl1_popupmenu->clear();

    auto add = [this](const QString &text, int tag, bool remove) {
        QAction *item = tl1_popupmenu->addAction(text);
        item->setData(tag);
        QObject::connect(item, &QAction::triggered, this, [this, tag, remove] {
            if (remove)
                mboxdelete(tag);
            else
                mboxedit(tag);
        });
    };

    if (!node) {
        add(kNewItem, -1, false);
        return;
    }
    const TNodeData *data = nodedata(node);
    if (node->parent() || !data)
        return; // folders and mailbox nodes without a record get no menu
    add(kEditItem, data->mboxidx, false);
    add(kDeleteItem, data->mboxidx, true);
    add(kNewItem, -1, false);
}

void Tfm_msglist::mboxedit(int tag)
{
    {
        TForm1 editor(this);
        editor.indexno = tag;
        editor.exec();
    }
    refresh_folders(false);
}

void Tfm_msglist::mboxdelete(int tag)
{
    if (tag >= 0 && tag < skrzynki.size())
        deletemailbox(skrzynki, tag);
    savemailboxes();
    refresh_folders(false);
}
