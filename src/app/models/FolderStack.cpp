#include "app/models/FolderStack.h"

#include "platform/Workspace.h"

#include <utility>

namespace qm {
namespace {

// The last name of a folder as shown; "/" for the root itself.
QString lastName(const Path& folder)
{
    const Path name = FileSystem::standardize(folder).filename();
    return name.empty() ? QStringLiteral("/") : FileSystem::displayName(name);
}

} // namespace

FolderStack::FolderStack(Path home) : m_home(std::move(home)), m_folders{m_home} {}

Path FolderStack::current() const
{
    return m_folders.empty() ? m_home : m_folders.back();
}

Path FolderStack::root() const
{
    return m_folders.empty() ? current() : m_folders.front();
}

QStringList FolderStack::crumbLabels() const
{
    const Path home = FileSystem::standardize(m_home);
    QStringList labels;
    for (const Path& folder : m_folders)
        labels.append(FileSystem::standardize(folder).native() == home.native() ? QStringLiteral("Home")
                                                                                : lastName(folder));
    return labels;
}

QVariantList FolderStack::urls() const
{
    QVariantList urls;
    for (const Path& folder : m_folders)
        urls.append(Workspace::fileUrl(folder));
    return urls;
}

QString FolderStack::currentName() const
{
    return lastName(current());
}

void FolderStack::push(const Path& folder)
{
    m_folders.push_back(folder);
}

bool FolderStack::popTo(int index)
{
    if (index < 0 || qint64(index) >= qint64(m_folders.size()) - 1)
        return false;
    m_folders.resize(std::size_t(index) + 1);
    return true;
}

bool FolderStack::back()
{
    if (m_folders.size() < 2)
        return false;
    m_folders.pop_back();
    return true;
}

void FolderStack::reset(const Path& folder)
{
    m_folders = {folder};
}

} // namespace qm
