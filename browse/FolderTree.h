#pragma once
// How one mailbox's branch of the folder tree follows from the mailbox and its folder counts.
// No widgets: the main window turns the result into tree items.

#include "browse/TNodeData.h"

#include <QJsonValue>
#include <QVector>
#include <optional>

// Image indexes of the shared 32 x 32 image list.
enum TreeImage {
    NoImage = -1,
    ImgDrafts = 1,
    ImgOutbox = 2,
    ImgInbox = 3,
    ImgMailbox = 4,
    ImgSent = 5,
    ImgTrash = 6,
};

struct FolderNode
{
    QString text;                  // empty for a fixed folder the answer did not name
    int image = NoImage;
    std::optional<TNodeData> data; // none for such an empty folder
};

struct MailboxNode
{
    QString text;
    int image = ImgMailbox;
    TNodeData data;
    QVector<FolderNode> children;
    QVector<TNodeData> movetargets; // in movefolders order: mboxidx, name, plname, labeln
};

enum class MailboxState { NotConfigured, Failed, Answered };

// A mailbox is asked for its counts only with an address and a private key.
bool mailboxconfigured(const QString &address, const QString &keyprv);

// answer is read only for Answered; anything but a JSON array counts as a failed request.
MailboxNode buildmailboxnode(int mboxidx, const QString &mailboxName, MailboxState state,
                             const QJsonValue &answer = {});

extern const QString kMarkerNotConfigured;
extern const QString kMarkerFailed;
