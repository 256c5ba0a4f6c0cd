#include "platform/AdminPrompt.h"

namespace qm {

AdminPrompt::AdminPrompt(std::shared_ptr<const ProcessRunner> runner)
    : m_runner(runner ? std::move(runner) : std::make_shared<ProcessRunner>())
{}

AdminPrompt::~AdminPrompt() = default;

ProcessRequest AdminPrompt::request(const std::string& command)
{
    ProcessRequest request;
    request.program = "/usr/bin/pkexec";
    request.arguments = {"/bin/sh", "-c", command};
    // What the command prints is only ever shown as one short sentence.
    request.outputCap = 1024 * 1024;
    return request;
}

Result<ProcessOutcome> AdminPrompt::run(const std::string& command) const
{
    return m_runner->run(request(command));
}

} // namespace qm
