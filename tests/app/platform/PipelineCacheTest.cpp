// Where Qt Quick's pipeline cache goes, and when the program leaves it alone.
#include "app/platform/PipelineCache.h"

#include "support/TempTree.h"

#include <QByteArray>
#include <QtGlobal>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>

namespace qm::test {
namespace {

namespace fs = std::filesystem;

constexpr char kLoad[] = "QSG_RHI_PIPELINE_CACHE_LOAD";
constexpr char kSave[] = "QSG_RHI_PIPELINE_CACHE_SAVE";

// The two variables cleared for the test and put back as they were afterwards.
class PipelineCacheTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* name : {kLoad, kSave}) {
            if (qEnvironmentVariableIsSet(name))
                m_saved.emplace_back(name, qgetenv(name));
            qunsetenv(name);
        }
    }
    void TearDown() override
    {
        qunsetenv(kLoad);
        qunsetenv(kSave);
        for (const auto& [name, value] : m_saved)
            qputenv(name, value);
    }

    static std::optional<std::string> variable(const char* name)
    {
        if (!qEnvironmentVariableIsSet(name))
            return std::nullopt;
        return qgetenv(name).toStdString();
    }

    TempTree tree;

private:
    std::vector<std::pair<const char*, QByteArray>> m_saved;
};

void writeBytes(const fs::path& path, std::size_t count)
{
    std::ofstream out(path, std::ios::binary);
    out << std::string(count, 'x');
}

TEST_F(PipelineCacheTest, TheFileLivesInTheProgramsStateFolderAndIsReadOnceItExists)
{
    const fs::path folder = PipelineCache::folderIn(tree.path("state"));
    EXPECT_EQ(folder, tree.path("state/Vellora/Quillmere"));

    // First run: the folder is made, the file is only to be written.
    const fs::path file = PipelineCache::use(folder);
    EXPECT_EQ(file, folder / "pipelines.bin");
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(variable(kSave), file.native());
    EXPECT_EQ(variable(kLoad), std::nullopt);

    // Later runs read what the earlier one wrote.
    writeBytes(file, 1000);
    qunsetenv(kSave);
    EXPECT_EQ(PipelineCache::use(folder), file);
    EXPECT_EQ(variable(kSave), file.native());
    EXPECT_EQ(variable(kLoad), file.native());
}

TEST_F(PipelineCacheTest, AFileAboveTheLimitIsNotReadButWrittenOver)
{
    const fs::path folder = tree.path("cache");
    fs::create_directories(folder);
    writeBytes(folder / "pipelines.bin", 1);
    fs::resize_file(folder / "pipelines.bin", PipelineCache::kLoadLimit + 1);
    EXPECT_EQ(PipelineCache::use(folder), folder / "pipelines.bin");
    EXPECT_EQ(variable(kSave), (folder / "pipelines.bin").native());
    EXPECT_EQ(variable(kLoad), std::nullopt);
}

TEST_F(PipelineCacheTest, NothingIsSetThroughALinkOrOverSomethingElse)
{
    const fs::path elsewhere = tree.path("elsewhere");
    fs::create_directories(elsewhere);
    writeBytes(elsewhere / "target.bin", 10);

    struct Case
    {
        const char* what;
        std::function<fs::path(const fs::path&)> make; // returns the folder to use
    };
    const std::vector<Case> cases{
        {"the file is a link",
         [&](const fs::path& root) {
             fs::create_directories(root);
             fs::create_symlink(elsewhere / "target.bin", root / "pipelines.bin");
             return root;
         }},
        {"the file is a dangling link",
         [&](const fs::path& root) {
             fs::create_directories(root);
             fs::create_symlink(elsewhere / "missing.bin", root / "pipelines.bin");
             return root;
         }},
        {"the folder is a link",
         [&](const fs::path& root) {
             fs::create_directories(root.parent_path());
             fs::create_symlink(elsewhere, root);
             return root;
         }},
        {"the file is a folder",
         [&](const fs::path& root) {
             fs::create_directories(root / "pipelines.bin");
             return root;
         }},
        {"the folder is a file",
         [&](const fs::path& root) {
             fs::create_directories(root.parent_path());
             writeBytes(root, 10);
             return root;
         }},
        {"the folder is relative", [&](const fs::path&) { return fs::path("relative/folder"); }},
    };
    int index = 0;
    for (const Case& c : cases) {
        const fs::path folder = c.make(tree.path("case" + std::to_string(index++) + "/Quillmere"));
        EXPECT_EQ(PipelineCache::use(folder), fs::path()) << c.what;
        EXPECT_EQ(variable(kSave), std::nullopt) << c.what;
        EXPECT_EQ(variable(kLoad), std::nullopt) << c.what;
    }
    EXPECT_FALSE(fs::exists("relative"));
    // The link's target was not touched.
    EXPECT_EQ(fs::file_size(elsewhere / "target.bin"), 10u);
}

TEST_F(PipelineCacheTest, TheUsersOwnChoiceStays)
{
    const fs::path folder = tree.path("state");
    for (const char* name : {kLoad, kSave}) {
        qputenv(name, "/somewhere/else.bin");
        EXPECT_EQ(PipelineCache::use(folder), fs::path()) << name;
        EXPECT_EQ(variable(name), "/somewhere/else.bin") << name;
        EXPECT_EQ(variable(name == kLoad ? kSave : kLoad), std::nullopt) << name;
        EXPECT_FALSE(fs::exists(folder)) << name;
        qunsetenv(name);
    }
}

} // namespace
} // namespace qm::test
