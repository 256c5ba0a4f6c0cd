#include "FakeTools.h"

#include <QFile>

#include <sys/stat.h>

#include <fstream>
#include <stdexcept>
#include <vector>

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

void writeLaunchctl(const std::filesystem::path& path, const std::filesystem::path& log,
                    const std::filesystem::path& state, const std::filesystem::path& root)
{
    const std::string s = quoted(state);
    const std::string text =
        "#!/bin/sh\n"
        "printf '%s\\n' \"launchctl $*\" >> " +
        quoted(log) +
        "\n"
        "label=\"${2#system/}\"\n"
        "case \"$1\" in\n"
        "print)\n"
        "  [ -f " +
        s +
        "/\"$label\" ] || { echo 'Could not find service' >&2; exit 113; }\n"
        "  printf 'system/%s = {\\n\\tactive count = 1\\n\\n\\tpath = %s\\n\\tstate = running\\n}\\n' "
        "\"$label\" \"$(cat " +
        s +
        "/\"$label\")\"\n"
        "  ;;\n"
        "bootout)\n"
        "  if [ -f " +
        s +
        "/\"$label\" ]; then\n"
        "    registered=\"$(cat " +
        s +
        "/\"$label\")\"\n"
        "    [ -e " +
        quoted(root) + "\"$registered\" ] && printf 'bootout saw %s\\n' \"$registered\" >> " + quoted(log) +
        "\n"
        "  fi\n"
        "  [ -f " +
        s + "/\"$label\".stays ] || rm -f " + s +
        "/\"$label\"\n"
        "  [ -x " +
        s + "/on-bootout ] && " + s +
        "/on-bootout\n"
        "  ;;\n"
        "esac\n"
        "exit 0\n";
    std::filesystem::create_directories(state);
    writeExecutable(path, text);
}

void registerJob(const std::filesystem::path& state, const std::string& label, const std::string& path)
{
    std::filesystem::create_directories(state);
    std::ofstream out(state / label, std::ios::binary | std::ios::trunc);
    out << path;
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

QByteArray launchPlist(const std::string& label, const std::string& program)
{
    QByteArray text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                      "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                      "<plist version=\"1.0\">\n<dict>\n";
    if (!label.empty())
        text += "  <key>Label</key>\n  <string>" + QByteArray::fromStdString(label) + "</string>\n";
    if (!program.empty())
        text += "  <key>Program</key>\n  <string>" + QByteArray::fromStdString(program) + "</string>\n";
    text += "  <key>RunAtLoad</key>\n  <true/>\n</dict>\n</plist>\n";
    return text;
}

QByteArray chainedBinaryPlist(const std::string& label, int levels, int refsPerLevel)
{
    // Three-byte references and offsets: room for 16 million objects and bytes.
    const auto bigEndian3 = [](QByteArray& out, quint32 value) {
        out.append(static_cast<char>((value >> 16) & 0xff));
        out.append(static_cast<char>((value >> 8) & 0xff));
        out.append(static_cast<char>(value & 0xff));
    };
    const auto asciiString = [](QByteArray& out, const std::string& text) {
        out.append(static_cast<char>(0x50 | text.size())); // fewer than 15 characters
        out.append(text.data(), static_cast<qsizetype>(text.size()));
    };
    QByteArray data("bplist00");
    std::vector<quint32> offsets;
    // Object 0: the dictionary {1: 2, 3: 4}; 1 "Label", 2 the label, 3 "Nested", 4... the chain.
    offsets.push_back(static_cast<quint32>(data.size()));
    data.append(static_cast<char>(0xd2));
    for (const quint32 ref : {1u, 3u, 2u, 4u})
        bigEndian3(data, ref);
    for (const std::string& text : {std::string("Label"), label, std::string("Nested")}) {
        offsets.push_back(static_cast<quint32>(data.size()));
        asciiString(data, text);
    }
    for (int level = 0; level < levels; ++level) {
        offsets.push_back(static_cast<quint32>(data.size()));
        if (level + 1 == levels) {
            data.append(static_cast<char>(0xa0));
            continue;
        }
        data.append(static_cast<char>(0xa0 | refsPerLevel));
        for (int i = 0; i < refsPerLevel; ++i)
            bigEndian3(data, static_cast<quint32>(4 + level + 1));
    }
    const auto table = static_cast<quint64>(data.size());
    for (const quint32 offset : offsets)
        bigEndian3(data, offset);
    QByteArray trailer(32, '\0');
    trailer[6] = 3; // offset size
    trailer[7] = 3; // reference size
    const auto objects = static_cast<quint64>(offsets.size());
    for (int i = 0; i < 8; ++i) {
        trailer[8 + i] = static_cast<char>((objects >> (56 - 8 * i)) & 0xff);
        trailer[24 + i] = static_cast<char>((table >> (56 - 8 * i)) & 0xff); // the root is object 0
    }
    return data + trailer;
}

} // namespace qm::test::FakeTools
