#pragma once

#include <QByteArrayView>
#include <QDateTime>
#include <QtGlobal>

#include <sys/types.h>

#include <filesystem>

namespace qm::test {

// A fresh folder under /tmp (mode 0755, so a process with dropped privileges can traverse it) that
// fixture builders fill with files, links and special files, and that is removed with everything in it
// when the tree goes away. Every helper takes a path relative to the root or an absolute one, creates
// missing parent folders, returns the absolute path, and throws std::system_error naming the path when
// the file system refuses. Paths are raw bytes throughout: no helper decodes or normalises a name.
class TempTree
{
public:
    // The uid and gid of "nobody", the default owner for chown() and the user privileges drop to.
    static constexpr uid_t kOtherUid = 65534;
    static constexpr gid_t kOtherGid = 65534;

    TempTree();
    // Removes the tree without following a symbolic link anywhere inside it; folders a test made
    // unreadable (mode 000) or gave to another user are opened up first, so removal still succeeds.
    ~TempTree();
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    // The absolute path of the root folder.
    const std::filesystem::path& root() const { return m_root; }
    // `path` itself when absolute, otherwise `path` below the root. Nothing is created.
    std::filesystem::path path(const std::filesystem::path& path) const;

    // A regular file of `size` bytes, every one of them `fill`, fully written (so it is allocated, not
    // sparse). Replaces an existing regular file of that name.
    std::filesystem::path file(const std::filesystem::path& path, qint64 size = 0, char fill = 'x');
    // A regular file holding exactly `content`.
    std::filesystem::path fileWithContent(const std::filesystem::path& path, QByteArrayView content);
    // A regular file of `size` bytes whose modification (and access) time is `mtime`, to the millisecond.
    std::filesystem::path fileWithMtime(const std::filesystem::path& path, const QDateTime& mtime,
                                        qint64 size = 0);
    // Sets the modification and access time of an existing entry to `mtime`; a symbolic link's own
    // times change, not its target's.
    void setMtime(const std::filesystem::path& path, const QDateTime& mtime);
    // A folder and every missing parent (mkdir -p, mode 0755). An existing folder is fine.
    std::filesystem::path folder(const std::filesystem::path& path);
    // A symbolic link at `link` whose content is `target` byte for byte (a relative target stays
    // relative to the link's folder; the target need not exist). Returns the link's path.
    std::filesystem::path symlink(const std::filesystem::path& target, const std::filesystem::path& link);
    // A second name `link` for the existing entry `existing` (never following a link at `existing`).
    // Returns the new name's path.
    std::filesystem::path hardLink(const std::filesystem::path& existing, const std::filesystem::path& link);
    // A file whose apparent size is `apparentSize` bytes with no data written, so it allocates
    // (almost) nothing.
    std::filesystem::path sparseFile(const std::filesystem::path& path, qint64 apparentSize);
    // A named pipe (mode 0644). Nothing opens it, so a reader opening it blocking would hang.
    std::filesystem::path fifo(const std::filesystem::path& path);

    // The name "a\xff": bytes that are not valid UTF-8, which a QString round trip turns into
    // another file's name.
    static std::filesystem::path nonUtf8Name();
    // A regular file named nonUtf8Name() of `size` bytes in the folder `parent` (the root by default).
    std::filesystem::path nonUtf8File(const std::filesystem::path& parent = {}, qint64 size = 0);
    // A folder named nonUtf8Name() in the folder `parent` (the root by default).
    std::filesystem::path nonUtf8Folder(const std::filesystem::path& parent = {});

    // Gives an existing entry to another owner without following a symbolic link. Needs root.
    void chown(const std::filesystem::path& path, uid_t uid = kOtherUid, gid_t gid = kOtherGid);
    // Sets the permission bits of an existing entry; refuses a symbolic link rather than change the
    // file it points to.
    void chmod(const std::filesystem::path& path, mode_t mode);

protected:
    // A tree whose root is the folder `rootName` (mode 0755) inside a fresh folder of its own under
    // /tmp, so the root's parent belongs to the tree too: a walk of the parent stays inside it. The
    // parent goes with the tree.
    explicit TempTree(const std::filesystem::path& rootName);

private:
    std::filesystem::path m_top; // what the destructor removes: the root or its own parent
    std::filesystem::path m_root;
};

} // namespace qm::test
