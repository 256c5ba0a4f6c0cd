#pragma once

#include "core/apps/ProgramIdentity.h"
#include "platform/FileSystem.h"
#include "platform/Places.h"

#include <QString>

#include <string>
#include <vector>

namespace qm {

// The web browsers Quillmere knows, in their fixed order (Google Chrome, Brave, Microsoft Edge, Arc,
// Vivaldi, Chromium, Firefox, Safari), with where each keeps its profiles and caches on this platform
// and how its running processes are recognised. Arc and Safari have no place and no program here: their
// rows find nothing. Only answers where things would be; reads nothing.
class BrowserTable
{
public:
    enum class Family {
        chromium, // profile folders inside a data folder, one cache folder for the whole browser
        firefox,  // "profiles.ini" names the profile; a cache folder per profile
        absent,   // nothing of it lives on this platform
    };

    struct Row
    {
        QString name; // the display name, e.g. "Google Chrome"
        Family family;
        std::string folder; // Chromium family: the folder's name in the config and cache homes
        QString flatpakId;  // the Flatpak application id; empty when it has none
        std::vector<std::string> executables; // base names of the executables its processes run
    };

    // One installation's places, native or Flatpak; whether they exist is the caller's question.
    struct Install
    {
        // Chromium family: the folder whose subfolders are profiles. Firefox: the folder holding
        // "profiles.ini" and, by default, the profiles themselves.
        Path dataFolder;
        // Chromium family: the browser's cache folder. Firefox: the folder that holds one cache folder
        // per profile, named as the profile's folder.
        Path cacheFolder;
    };

    // The eight rows in table order.
    static const std::vector<Row>& rows();
    // The row named `name`, or nothing.
    static const Row* find(const QString& name);

    // The processes of the browser: its executables' names and its Flatpak id.
    static ProgramIdentity program(const Row& row);

    // Where the browser keeps its data under `places`: the native installation first, then the Flatpak
    // one under ~/.var/app/<id>/ (which keeps the same layout in its own config and cache folders);
    // none for a browser with no place here.
    static std::vector<Install> installs(const Row& row, const Places& places);

    // The folders privacy items may be trashed from and restored to under `places`, in table order
    // without repeats: per installation, its data folder and the folder its cache item lies in.
    static std::vector<Path> allowedRoots(const Places& places);
};

} // namespace qm
