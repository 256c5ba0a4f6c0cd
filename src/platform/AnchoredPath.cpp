#include "platform/AnchoredPath.h"

namespace qm {

Path AnchoredPath::path() const
{
    Path whole = anchor;
    if (!folder.empty())
        whole /= folder;
    return whole / name;
}

std::optional<AnchoredPath> AnchoredPath::beneath(const Path& anchor, const Path& item)
{
    if (!anchor.is_absolute() || !item.is_absolute() || !item.has_filename())
        return std::nullopt;
    const std::string& anchorText = anchor.native();
    const std::string prefix = anchorText.ends_with('/') ? anchorText : anchorText + '/';
    const std::string& itemText = item.native();
    if (!itemText.starts_with(prefix) || itemText.size() == prefix.size())
        return std::nullopt;
    const Path relative(itemText.substr(prefix.size()));
    for (const Path& component : relative) {
        if (component == "." || component == ".." || component.empty())
            return std::nullopt;
    }
    AnchoredPath place;
    place.anchor = anchor;
    place.folder = relative.parent_path();
    place.name = relative.filename();
    if (place.name.empty())
        return std::nullopt;
    return place;
}

} // namespace qm
