// When the program draws with Qt Quick's software renderer: only where OpenGL could only be software,
// and never against a renderer the user chose.
#include "app/platform/RendererChoice.h"

#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace qm::test {
namespace {

struct Case
{
    const char* name;
    std::vector<std::pair<QString, QString>> environment;
    std::function<void(TempTree&)> devices;
    bool graphicsDevice;
    bool software;
};

TEST(RendererChoiceTest, SoftwareOnlyWhereOpenGLCouldOnlyBeSoftwareAndTheUserChoseNothing)
{
    const auto none = [](TempTree& tree) { tree.folder("dri"); };
    const auto renderNode = [](TempTree& tree) { tree.file("dri/renderD128"); };
    const std::vector<Case> cases{
        {"no device", {}, none, false, true},
        {"no dri folder at all", {}, [](TempTree&) {}, false, true},
        {"a render node", {}, renderNode, true, false},
        {"only a primary node", {}, [](TempTree& tree) { tree.file("dri/card0"); }, true, false},
        {"NVIDIA's control node", {}, [](TempTree& tree) { tree.file("nvidiactl"); }, true, false},
        {"a render node that is a link",
         {},
         [](TempTree& tree) {
             tree.file("elsewhere");
             tree.symlink("../elsewhere", "dri/renderD128");
         },
         false,
         true},
        {"NVIDIA's control node as a link",
         {},
         [](TempTree& tree) {
             tree.file("elsewhere");
             tree.symlink("elsewhere", "nvidiactl");
         },
         false,
         true},
        {"other nodes only", {}, [](TempTree& tree) { tree.file("dri/by-path"); }, false, true},
        {"software asked", {{"LIBGL_ALWAYS_SOFTWARE", "1"}}, renderNode, true, true},
        {"software asked off", {{"LIBGL_ALWAYS_SOFTWARE", "0"}}, renderNode, true, false},
        {"llvmpipe asked", {{"GALLIUM_DRIVER", "llvmpipe"}}, renderNode, true, true},
        {"the user's Qt Quick backend", {{"QT_QUICK_BACKEND", "rhi"}}, none, false, false},
        {"the user's graphics API", {{"QSG_RHI_BACKEND", "opengl"}}, none, false, false},
        {"the user's choice over software asked",
         {{"QSG_RHI_BACKEND", "vulkan"}, {"LIBGL_ALWAYS_SOFTWARE", "1"}},
         renderNode,
         true,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempTree tree;
        c.devices(tree);
        QProcessEnvironment environment;
        for (const auto& [name, value] : c.environment)
            environment.insert(name, value);
        const RendererChoice::Machine machine =
            RendererChoice::inspect(environment, QString::fromStdString(tree.root().string()));
        EXPECT_EQ(machine.graphicsDevice, c.graphicsDevice);
        EXPECT_EQ(RendererChoice::wantsSoftware(machine), c.software);
    }
}

} // namespace
} // namespace qm::test
