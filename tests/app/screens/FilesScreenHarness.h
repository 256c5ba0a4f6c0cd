#pragma once

#include "ScreenHarness.h"
#include "app/models/DuplicatesViewModel.h"
#include "app/models/LargeFilesViewModel.h"
#include "app/models/RestoreTracker.h"
#include "app/navigation/FocusedValues.h"
#include "support/FakeAppActivity.h"
#include "support/FakeClock.h"
#include "support/FakeFolderPicker.h"
#include "support/FixtureHome.h"
#include "support/StepGate.h"

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>

namespace qm::test {

// The Files page in a window of this process, on the module's backdrop and tint, drawn from the real
// Large & Old and Duplicates models over a fixture home: the real finder, search, cleaner and Trash
// (whose file access passes a gate; names starting with "link" share their storage), with a fake clock,
// activity source, folder picker and Full Disk Access probe, and one restore tracker. The default locale is
// en_US while it lives. Build the files first, then `open`; finding, clicking and waiting are the screen
// harness's.
class FilesScreenHarness : public ScreenHarness
{
public:
    FilesScreenHarness();
    // Lets held work go and waits for every pool job before the fixture goes.
    ~FilesScreenHarness();
    FilesScreenHarness(const FilesScreenHarness&) = delete;
    FilesScreenHarness& operator=(const FilesScreenHarness&) = delete;

    FixtureHome& home() { return m_home; }
    FakeClock& clock() { return m_clock; }
    FakeAppActivity& activity() { return m_activity; }
    FakeFolderPicker& picker() { return *m_picker; }
    RestoreTracker& tracker() { return m_tracker; }
    FocusedValues& focused() { return m_focused; }
    // The Trash's file access passes this gate.
    StepGate& gate() { return *m_gate; }
    // What the Full Disk Access probe answers from now on.
    void setFullDiskAccess(bool granted) { m_fullDiskAccess = granted; }
    // How often the probe was asked.
    int probes() const { return m_probes; }

    // A file of `size` bytes of `fill` in the home's "Docs" folder.
    std::filesystem::path file(const std::string& name, qint64 size, char fill = 'x');
    // Before `open`: what both models' scanners are made with (the fixture home; files whose names start
    // with "link" share their storage with each other); a test sets its caps here.
    FileScanner::Services& scanning() { return m_scanning; }
    // Before `open`: the Large & Old search answers with `search` instead of walking the home.
    void useLargeFileSearch(decltype(LargeFilesViewModel::Services::search) search)
    {
        m_search = std::move(search);
    }

    // Makes the models (on first use) and shows the page in a window of `size` logical pixels; false,
    // with the QML errors in `errors()`, when it did not load.
    bool open(QSize size);
    LargeFilesViewModel& largeFiles() { return *m_largeFiles; }
    DuplicatesViewModel& duplicates() { return *m_duplicates; }
    // The tool screen on show (LargeFilesView or DuplicatesView).
    QQuickItem* toolScreen() const;
    // The object name of what the tool screen's "content" loader shows now.
    QString toolContentName() const;
    // The tool screen's bottom bar, or null when it shows none.
    QQuickItem* bar() const;
    // Shows the tool named `raw` by clicking its segment; false when there is no such segment.
    bool switchTo(const QString& raw);

private:
    FixtureHome m_home;
    FakeClock m_clock;
    FakeAppActivity m_activity;
    std::shared_ptr<FakeFolderPicker> m_picker = std::make_shared<FakeFolderPicker>();
    std::shared_ptr<StepGate> m_gate = std::make_shared<StepGate>();
    RestoreTracker m_tracker;
    FocusedValues m_focused;
    std::atomic<bool> m_fullDiskAccess{true};
    std::atomic<int> m_probes{0};
    FileScanner::Services m_scanning;
    decltype(LargeFilesViewModel::Services::search) m_search;
    QLocale m_savedLocale;
    std::unique_ptr<LargeFilesViewModel> m_largeFiles;
    std::unique_ptr<DuplicatesViewModel> m_duplicates;
};

} // namespace qm::test
