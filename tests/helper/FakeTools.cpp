#include "FakeTools.h"

#include <QFile>

#include <sys/stat.h>

#include <fstream>
#include <stdexcept>

namespace qm::test::FakeTools {
namespace {

// Single-quoted for the shell; paths of the fixture hold no single quote.
std::string quoted(const std::filesystem::path& path)
{
    if (path.native().find('\'') != std::string::npos)
        throw std::invalid_argument("fixture path holds a single quote");
    return "'" + path.native() + "'";
}

void writeExecutable(const std::filesystem::path& path, const std::string& text)
{
    std::filesystem::create_directories(path.parent_path());
    const std::filesystem::path temporary = path.native() + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out)
            throw std::runtime_error("cannot write " + temporary.native());
    }
    ::chmod(temporary.c_str(), 0755);
    // Replaced in one step, so a running helper never starts a half-written script.
    std::filesystem::rename(temporary, path);
}

} // namespace

void writeTool(const std::filesystem::path& path, const std::string& name, const std::filesystem::path& log,
               const std::string& body)
{
    writeExecutable(path,
                    "#!/bin/sh\nprintf '%s\\n' \"" + name + " $*\" >> " + quoted(log) + "\n" + body + "\n");
}

void writeSystemdRun(const std::filesystem::path& path, const std::filesystem::path& log,
                     const std::optional<std::filesystem::path>& overlapMark)
{
    std::string body = "while [ \"${1#--}\" != \"$1\" ]; do shift; done\n";
    if (overlapMark)
        body += "mkdir " + quoted(*overlapMark) + " 2>/dev/null || echo overlap >> " + quoted(log) + "\n";
    body += "\"$@\"\nstatus=$?\n";
    if (overlapMark)
        body += "rmdir " + quoted(*overlapMark) + " 2>/dev/null\n";
    body += "exit $status";
    writeTool(path, "systemd-run", log, body);
}

QStringList calls(const std::filesystem::path& log)
{
    QFile file(QString::fromStdString(log.native()));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace qm::test::FakeTools
