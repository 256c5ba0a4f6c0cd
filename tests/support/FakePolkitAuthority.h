#pragma once

#include "support/TempTree.h"

#include <QProcess>
#include <QString>
#include <QStringList>

#include <string>
#include <vector>

namespace qm::test {

// polkit's authority played on a test bus by a small service of its own (qm_fake_polkit_authority):
// it answers CheckAuthorization from a table of rules the test sets and may change at any time, and
// logs every call. The bus must grant it the name: put busPolicy() into the bus's configuration.
// Needs root (the policy lets root own polkit's name). Stopped when destroyed.
class FakePolkitAuthority
{
public:
    // What polkit answers: authorised; not authorised; authorised only after a password (what polkit
    // says to a user outside the active session); a polkit error; no answer at all.
    enum class Answer { yes, no, challenge, error, silent };
    // One rule: an empty action or a uid of -1 matches any. The first matching rule decides; none
    // matching answers `no`.
    struct Rule
    {
        QString action;
        long long uid = -1;
        Answer answer = Answer::no;
    };

    explicit FakePolkitAuthority(QString busAddress);
    ~FakePolkitAuthority();
    FakePolkitAuthority(const FakePolkitAuthority&) = delete;
    FakePolkitAuthority& operator=(const FakePolkitAuthority&) = delete;

    // Replaces the rules; the next call is answered by the new ones.
    void setRules(const std::vector<Rule>& rules);
    // Starts the service and waits until it owns its name; false when it did not within a minute.
    bool start();
    // Stops the service; its name goes as soon as the bus notices. Calls then find no authority.
    void stop();
    // The calls so far, one line each: "ACTION KIND uid=UID flags=FLAGS".
    QStringList calls() const;
    void clearCalls();

    // Bus configuration lines that let root own polkit's name on a test bus (and the real polkitd's
    // user, through polkit's own policy file where it is installed) and anyone call its authority.
    static std::string busPolicy();

private:
    QString m_address;
    TempTree m_folder;
    QProcess m_process;
};

} // namespace qm::test
