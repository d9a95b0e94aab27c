#pragma once
// A node of the folder tree that owns its TNodeData.

#include "browse/TNodeData.h"

#include <QTreeWidgetItem>
#include <memory>

class FolderTreeItem : public QTreeWidgetItem
{
public:
    static constexpr int Type = QTreeWidgetItem::UserType + 51;
    FolderTreeItem() : QTreeWidgetItem(Type) {}

    TNodeData *nodeData() const { return m_data.get(); }
    void setNodeData(const TNodeData &data) { m_data = std::make_unique<TNodeData>(data); }
    void freeNodeData() { m_data.reset(); }

private:
    std::unique_ptr<TNodeData> m_data;
};

// The record of a tree node, or none for a node without one (or no node).
inline TNodeData *nodedata(QTreeWidgetItem *item)
{
    if (!item || item->type() != FolderTreeItem::Type)
        return nullptr;
    return static_cast<FolderTreeItem *>(item)->nodeData();
}
