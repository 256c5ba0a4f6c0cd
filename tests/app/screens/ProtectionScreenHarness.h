#pragma once

#include "MalwareScreenHarness.h"
#include "app/models/PrivacyViewModel.h"
#include "app/navigation/FocusedValues.h"
#include "support/FakeWorkspace.h"
#include "support/StepGate.h"

#include <filesystem>
#include <memory>

namespace qm::test {

// The Protection page in a window of this process, with the menu bar's focused values: the real privacy
// model over the fixture home (the real browser scanner, whose listings pass through a gate, and the real
// Trash under the home, whose moves pass through another) with a fake desktop of running applications,
// and the malware model with the scripted engine and fakes of MalwareScreenHarness, whose fixture home it
// shares. The page is created as the root view creates it: on its Privacy tab.
class ProtectionScreenHarness
{
public:
    ProtectionScreenHarness() = default;
    // Lets held work go and waits for every job before the fixtures go.
    ~ProtectionScreenHarness();
    ProtectionScreenHarness(const ProtectionScreenHarness&) = delete;
    ProtectionScreenHarness& operator=(const ProtectionScreenHarness&) = delete;

    FixtureHome& home() { return m_malware.home(); }
    MalwareScreenHarness& malwareFixture() { return m_malware; }
    ScreenHarness& screen() { return m_malware.screen(); }
    FocusedValues& focused() { return m_focused; }
    FakeWorkspace& workspace() { return *m_workspace; }
    PrivacyViewModel& privacy();
    MalwareViewModel& malware() { return m_malware.model(); }
    // The privacy scanner's listings pass through this gate.
    StepGate& scanGate() { return *m_scanGate; }
    // The privacy model's Trash moves pass through this gate.
    StepGate& trashGate() { return *m_trashGate; }

    // Makes both models unless they exist (a test may use them before the page appears).
    void makeModels();
    // Makes the models and shows the page in a window of `size` on the Protection backdrop and tint;
    // false, with the QML errors, when it did not load.
    bool open(QSize size);

    // The fixture home's config and cache homes.
    std::filesystem::path config();
    std::filesystem::path caches();
    // A Chromium-family profile folder `profile` of the browser whose data lives in `dataFolder` (below
    // the config home), with a history and a cookie database of the given sizes.
    void chromiumProfile(const std::filesystem::path& dataFolder, const std::filesystem::path& profile,
                         qint64 historyBytes, qint64 cookieBytes);
    // A cache folder `folder` (below the cache home) holding one file of `bytes` (none for 0).
    void cacheFolder(const std::filesystem::path& folder, qint64 bytes);

    // Runs a privacy scan to its results.
    bool scanPrivacy();
    // Selects the item of `browser` whose kind is `kind` through the model; false when there is none.
    bool select(const QString& browser, const QString& kind);

private:
    MalwareScreenHarness m_malware;
    FocusedValues m_focused;
    std::shared_ptr<FakeWorkspace> m_workspace = std::make_shared<FakeWorkspace>();
    std::shared_ptr<StepGate> m_scanGate = std::make_shared<StepGate>();
    std::shared_ptr<StepGate> m_trashGate = std::make_shared<StepGate>();
    std::unique_ptr<PrivacyViewModel> m_privacy;
};

} // namespace qm::test
