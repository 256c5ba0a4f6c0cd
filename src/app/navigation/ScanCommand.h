#pragma once

#include <QString>

#include <functional>

namespace qm {

// The visible screen's scan action, published for the menu bar's Scan command.
struct ScanCommand
{
    // What the command scans, shown in the menu after "Scan "; module screens use the module's title.
    QString target;
    // Starts the visible screen's scan or refresh; called on the GUI thread. May be empty, in which
    // case running the command does nothing.
    std::function<void()> run;

    // Two commands are equal when their targets are; the action takes no part, so a screen that
    // republishes its command with the same target does not count as a change.
    friend bool operator==(const ScanCommand& a, const ScanCommand& b) { return a.target == b.target; }
};

} // namespace qm
