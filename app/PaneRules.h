#pragma once
// The arithmetic that keeps the main window's panes in bounds, apart from the widgets so that
// it can be checked on its own. Heights are in pixels of the window's client area.

#include <algorithm>

namespace PaneRules {

// The lower pane (message view) always keeps this much below the horizontal splitter.
constexpr int lowerPaneMinHeight = 200;
constexpr int upperPaneMinHeight = 140;
constexpr int folderPaneMinWidth = 180;
constexpr int messageListMinWidth = 360;
// Room the header strip keeps right of its subject, sender and recipient fields.
constexpr int headerFieldMargin = 90;

// The highest upper pane that still leaves the lower pane its minimum; never below 0.
constexpr int upperPaneLimit(int clientHeight, int splitterHeight)
{
    return std::max(0, clientHeight - splitterHeight - lowerPaneMinHeight);
}

// The upper pane's height after it has been cut back to the limit.
constexpr int fixedUpperPaneHeight(int upperHeight, int clientHeight, int splitterHeight)
{
    const int limit = upperPaneLimit(clientHeight, splitterHeight);
    return upperHeight > limit ? limit : upperHeight;
}

// Whether a drag of the horizontal splitter to this upper-pane height is accepted.
constexpr bool splitterCanResize(int newUpperHeight, int clientHeight, int splitterHeight)
{
    return newUpperHeight <= clientHeight - splitterHeight - lowerPaneMinHeight;
}

// The lower pane's height after a window resize: no higher than what the upper pane's
// minimum leaves.
constexpr int fixedLowerPaneHeight(int lowerHeight, int clientHeight, int upperMinHeight,
                                   int splitterHeight)
{
    const int cap = clientHeight - upperMinHeight - splitterHeight;
    return lowerHeight > cap ? cap : lowerHeight;
}

constexpr int headerFieldWidth(int panelWidth)
{
    return panelWidth - headerFieldMargin;
}

} // namespace PaneRules
