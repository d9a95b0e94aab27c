#pragma once
// The tool bar's pictures, drawn at run time so that they scale and need no image files.

#include <QIcon>

enum class ToolIcon { Refresh, Forward, Receive, Move, Trash, Contacts, Application };

QIcon toolIcon(ToolIcon which);
