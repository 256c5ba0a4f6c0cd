#pragma once

// Malware definitions in a file, for the benchmarks whose side also runs as a process of its own
// (`--whole-process`): the parent writes them, the child loads them as the program would.
// Benchmarks only.

#include "BenchSupport.h"
#include "core/malware/MalwareDefinitions.h"

#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>

namespace qm::bench {

// Writes `definitions` as their JSON document to `path`, or fails.
inline void writeDefinitions(const std::string& path, const MalwareDefinitions& definitions)
{
    writeFile(path, definitions.toJson().dump());
}

// Reads and decodes the definitions document at `path`; exits 1 when it cannot.
inline MalwareDefinitions readDefinitions(const std::string& path)
{
    const std::string json = readFile(path);
    const Decoded<MalwareDefinitions> definitions =
        MalwareDefinitions::fromJsonText(QByteArrayView(json.data(), qsizetype(json.size())));
    if (!definitions.ok()) {
        std::fprintf(stderr, "%s: %s does not decode\n", program_invocation_short_name, path.c_str());
        std::exit(1);
    }
    return *definitions;
}

} // namespace qm::bench
