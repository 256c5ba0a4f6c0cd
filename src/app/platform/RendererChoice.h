#pragma once

#include <QProcessEnvironment>
#include <QString>

namespace qm {

// Which renderer Qt Quick draws the program's windows with. Where OpenGL could only be Mesa's software
// rasteriser (no graphics device this user can open, or software rendering asked for in the
// environment), Qt Quick's own software renderer draws the same scene without loading an OpenGL driver
// and its shader compiler: the first frame comes sooner and the process holds less memory. Everywhere
// else, and wherever the user chose a renderer (QT_QUICK_BACKEND, QSG_RHI_BACKEND), nothing changes.
// Does not ask the display server: behind a remote or virtual X server with a graphics device on the
// machine, OpenGL stays the choice, as before.
class RendererChoice
{
public:
    // What the choice depends on.
    struct Machine
    {
        bool userChose = false;      // the environment names a Qt Quick renderer
        bool softwareAsked = false;  // the environment asks OpenGL for software rendering
        bool graphicsDevice = false; // this user may use a graphics device under the device folder
    };

    // Reads `environment` and the device nodes under `deviceRoot` (/dev): the DRM nodes in dri/ and
    // NVIDIA's control node, each counted when this process may read and write it. Opens none of them
    // and takes no link for a node. Never fails: what cannot be read counts as absent.
    static Machine inspect(const QProcessEnvironment& environment, const QString& deviceRoot);

    // True when Qt Quick should draw with its software renderer on `machine`.
    static bool wantsSoftware(const Machine& machine);

    // Makes the choice for this process from its environment and /dev. Call before the first window
    // exists.
    static void apply();

    // True when Qt Quick will draw this process's windows with OpenGL: no renderer of its own (software,
    // OpenVG) was chosen, by `apply` or by the user, and the graphics API is OpenGL.
    static bool drawsWithOpenGL();
};

} // namespace qm
