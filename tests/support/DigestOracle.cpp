#include "support/DigestOracle.h"

#include "platform/ProcessRunner.h"

#include <string>

namespace qm::test {

QString opensslSha256(const std::filesystem::path& file, std::optional<qint64> limit)
{
    ProcessRequest request;
    request.program = "/usr/bin/openssl";
    request.arguments = {"dgst", "-sha256", "-r"};
    if (limit) {
        ProcessRequest head;
        head.program = "/usr/bin/head";
        head.arguments = {"-c", std::to_string(*limit), file.native()};
        const Result<ProcessOutcome> bytes = ProcessRunner().run(head);
        if (!bytes.ok() || !bytes->succeeded())
            return {};
        request.standardInput = bytes->standardOutput;
    } else {
        request.arguments.push_back(file.native());
    }
    const Result<ProcessOutcome> outcome = ProcessRunner().run(request);
    if (!outcome.ok() || !outcome->succeeded())
        return {};
    return QString::fromLatin1(outcome->standardOutput.left(64));
}

} // namespace qm::test
