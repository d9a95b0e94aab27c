#pragma once
// What a node of the folder tree stands for: which mailbox, which label, drawn bold or not.

#include <QString>

struct TNodeData
{
    bool bold = false;
    QString name;   // mailbox name, the label's word ("INBOX" ...) or a user folder's name
    QString plname; // Polish display name without counts; empty for a mailbox
    QString labeln; // label sent to the service when listing; empty for a mailbox
    int mboxidx = 0;
};
