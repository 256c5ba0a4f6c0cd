#pragma once

#include <QByteArray>
#include <QStringList>

#include <filesystem>
#include <optional>
#include <string>

// Stand-ins for the helper's system commands: small shell scripts that append one line per call to a
// log ("<name> <arguments>") and then do what the test asked. Shared by the in-process and the bus tests.
namespace qm::test::FakeTools {

// Writes an executable script at `path` that logs its call to `log` under `name` and then runs `body`
// (shell text; without an explicit exit the script exits 0).
void writeTool(const std::filesystem::path& path, const std::string& name, const std::filesystem::path& log,
               const std::string& body = "exit 0");

// Writes a fake systemd-run at `path` that logs its call to `log` under "systemd-run", then runs the
// command after its options in the foreground (a transient unit that is the caller's child) and exits
// with its status. With `overlapMark`, the fake holds that folder while the command runs and logs
// "overlap" when another call already holds it.
void writeSystemdRun(const std::filesystem::path& path, const std::filesystem::path& log,
                     const std::optional<std::filesystem::path>& overlapMark = std::nullopt);

// The lines of `log`, or none when it does not exist.
QStringList calls(const std::filesystem::path& log);

} // namespace qm::test::FakeTools
