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

// Writes a fake launchctl at `path`. `print system/<label>` answers like launchctl when the file
// `state/<label>` exists, with a "path = " line holding that file's content, and fails (113) otherwise.
// `bootout system/<label>` logs "bootout saw <path>" when the job's registered file still exists under
// `root`, then unloads the job (removes `state/<label>`) unless `state/<label>.stays` exists, and runs
// `state/on-bootout` when that script exists.
void writeLaunchctl(const std::filesystem::path& path, const std::filesystem::path& log,
                    const std::filesystem::path& state, const std::filesystem::path& root);

// Registers the system job `label` with the fake launchctl as loaded from the system path `path`.
void registerJob(const std::filesystem::path& state, const std::string& label, const std::string& path);

// The lines of `log`, or none when it does not exist.
QStringList calls(const std::filesystem::path& log);

// An XML property list dictionary with the given string keys (an empty value leaves the key out).
QByteArray launchPlist(const std::string& label, const std::string& program = {});

// A binary property list dictionary with "Label" = `label` and "Nested" = a chain of `levels` arrays,
// each holding `refsPerLevel` references to the next one and the last one empty: one reference per
// level nests `levels` deep, two double the values libplist would build at every level.
QByteArray chainedBinaryPlist(const std::string& label, int levels, int refsPerLevel);

} // namespace qm::test::FakeTools
