#pragma once

#include "platform/FileSystem.h"

#include <QString>
#include <QStringList>
#include <QVariantList>

#include <vector>

namespace qm {

// The folders the space lens has opened, from the root of the browsing to the one shown, and the
// crumbs and addresses the page shows of them. A plain value; reads nothing from disk.
class FolderStack
{
public:
    // The stack holds `home` alone.
    explicit FolderStack(Path home);

    const std::vector<Path>& folders() const { return m_folders; }
    const Path& home() const { return m_home; }
    // The last folder; the home folder when the stack is empty.
    Path current() const;
    // The root of the browsing: the first folder; `current` when the stack is empty.
    Path root() const;
    int depth() const { return int(m_folders.size()); }

    // One crumb per folder: "Home" for the home folder, else the folder's last name ("/" for the root
    // of the file system), as display text.
    QStringList crumbLabels() const;
    // The file address of every folder, in order.
    QVariantList urls() const;
    // The current folder's last name, as a crumb shows it.
    QString currentName() const;

    // Opens `folder` below the current one.
    void push(const Path& folder);
    // Goes back to the folder at `index`; false (nothing changes) unless it lies before the current one.
    bool popTo(int index);
    // Goes back one folder; false (nothing changes) when there is none before the current one.
    bool back();
    // Starts a new browsing at `folder`.
    void reset(const Path& folder);

private:
    Path m_home;
    std::vector<Path> m_folders;
};

} // namespace qm
