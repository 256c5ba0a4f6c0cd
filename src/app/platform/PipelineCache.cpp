#include "app/platform/PipelineCache.h"

#include <QByteArray>
#include <QtGlobal>

#include <system_error>

namespace qm {
namespace {

constexpr char kLoadVariable[] = "QSG_RHI_PIPELINE_CACHE_LOAD";
constexpr char kSaveVariable[] = "QSG_RHI_PIPELINE_CACHE_SAVE";

} // namespace

std::filesystem::path PipelineCache::folderIn(const std::filesystem::path& stateHome)
{
    return stateHome / "Vellora" / "Quillmere";
}

std::filesystem::path PipelineCache::use(const std::filesystem::path& folder)
{
    namespace fs = std::filesystem;
    if (qEnvironmentVariableIsSet(kLoadVariable) || qEnvironmentVariableIsSet(kSaveVariable) ||
        !folder.is_absolute())
        return {};
    std::error_code error;
    fs::create_directories(folder, error);
    if (error || !fs::is_directory(fs::symlink_status(folder, error)))
        return {};
    const fs::path file = folder / "pipelines.bin";
    const fs::file_status status = fs::symlink_status(file, error);
    const bool exists = fs::exists(status);
    if (exists && !fs::is_regular_file(status))
        return {};
    const QByteArray name = QByteArray::fromStdString(file.native());
    qputenv(kSaveVariable, name);
    if (exists && fs::file_size(file, error) <= kLoadLimit && !error)
        qputenv(kLoadVariable, name);
    return file;
}

} // namespace qm
