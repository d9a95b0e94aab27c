#pragma once
// The 32 x 32 images of the folder tree (and of the tool bar that shares the list), drawn
// here rather than shipped as files.

#include <QIcon>

// Index 1 drafts, 2 outbox and other folders, 3 inbox, 4 mailbox, 5 sent, 6 trash; any other
// index gives a null icon.
QIcon treeimage(int index);
