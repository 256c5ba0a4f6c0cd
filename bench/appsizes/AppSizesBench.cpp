// Measures the Applications model's background sizing against du -s -B1 over the same generated
// applications (Flatpak deployments of the user's installation, each exported to the menu by its
// desktop entry, as this platform installs them), side by side in every round with a warm cache, and
// prints min and median with the ratio du / model (above 1: ours is faster) headed by the medians. The
// model's time runs from the moment its listing lands (sizing starts there) to the last size batch
// applied on the event loop. With --whole-process the model also runs in a process of its own that
// lists and sizes every application (start-up and listing included, as du's time includes its
// start). Totals differ by design: du counts folders and counts hard-linked files once.
//
// Usage: qm_appsizes_bench [--apps N] [--files F] [--runs R] [--dir DIR] [--whole-process]
//   --apps   applications to generate (default 300)
//   --files  files per application (default 2000)
//   --runs   rounds; each round runs both peers once (default 5)
//   --dir    the folder to build the home and system root in, made if absent and kept (default: a new
//            folder in the system's temporary folder, removed at the end)
//   --whole-process  also time listing and sizing in a process of its own

#include "../support/BenchSupport.h"
#include "app/models/ApplicationsViewModel.h"
#include "platform/ProcessRunner.h"
#include "platform/SystemClock.h"

#include <QCoreApplication>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace qm::bench;

struct Options
{
    int apps = 300;
    int files = 2000;
    int runs = 5;
    std::filesystem::path dir;
};

void makeFolder(const std::string& path)
{
    if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST)
        fail("mkdir " + path);
}

// One Flatpak of the user's installation: its deployment <flatpak>/app/<id>/current/active with
// `files` files spread over folders of 100, every tenth holding 100 bytes, and its exported entry.
void generateFlatpak(const std::string& flatpak, const std::string& id, int files)
{
    const std::string app = flatpak + "/app/" + id;
    for (const std::string& folder : {app, app + "/current", app + "/current/active",
                                      app + "/current/active/files", app + "/current/active/files/bin"})
        makeFolder(folder);
    writeFile(app + "/current/active/metadata", "[Application]\nname=" + id + "\n");
    writeFile(app + "/current/active/files/bin/" + id, std::string(4096, 'x'));
    writeFile(flatpak + "/exports/share/applications/" + id + ".desktop",
              "[Desktop Entry]\nType=Application\nName=" + id + "\nExec=/usr/bin/flatpak run " + id +
                  "\nX-Flatpak=" + id + "\n");
    const std::string payload(100, 'y');
    int folder = -1;
    for (int f = 2; f < files; ++f) {
        if ((f - 2) % 100 == 0) {
            ++folder;
            makeFolder(app + "/current/active/files/r" + std::to_string(folder));
        }
        writeFile(app + "/current/active/files/r" + std::to_string(folder) + "/f" + std::to_string(f),
                  f % 10 == 0 ? std::string_view(payload) : std::string_view());
    }
}

// Lists and sizes every application of `home` in a new model, with a running event loop; `seconds`
// from the moment its listing lands to the last size batch, `total` the bytes of all applications.
// Returns the number of applications listed.
std::size_t sizeApps(const std::filesystem::path& home, const std::filesystem::path& system, double& seconds,
                     long long& total)
{
    qm::SystemClock clock;
    qm::ApplicationsViewModel::Services services{clock};
    services.home = home;
    services.systemRoot = system;
    services.own = qm::ApplicationsViewModel::OwnIdentity{"/nowhere"};
    qm::ApplicationsViewModel model(std::move(services));
    Clock::time_point started;
    Clock::time_point lastBatch;
    QObject::connect(&model, &qm::ApplicationsViewModel::phaseChanged, [&] {
        if (model.phase() == qm::ApplicationsViewModel::Phase::loaded)
            started = Clock::now(); // the listing landed; sizing starts right after
    });
    QObject::connect(&model, &qm::ApplicationsViewModel::appsChanged, [&] { lastBatch = Clock::now(); });
    model.load();
    while (model.phase() != qm::ApplicationsViewModel::Phase::loaded || model.sizing())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    seconds = std::chrono::duration<double>(lastBatch - started).count();
    total = 0;
    for (const qm::InstalledApp& a : model.apps())
        total += a.sizeBytes;
    return model.apps().size();
}

// The model in a process of its own: `--ours-once HOME SYSTEM_ROOT` prints the applications listed
// and their bytes.
int oursOnce(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: qm_appsizes_bench --ours-once HOME SYSTEM_ROOT\n");
        return 2;
    }
    QCoreApplication app(argc, argv);
    double seconds = 0;
    long long total = 0;
    const std::size_t listed = sizeApps(argv[2], argv[3], seconds, total);
    std::printf("%zu %lld\n", listed, total);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (isOursOnce(argc, argv))
        return oursOnce(argc, argv);
    const bool wholeProcess = takeFlag(argc, argv, kWholeProcess);
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string flag = argv[i];
        if (flag == "--apps")
            options.apps = std::max(1, std::atoi(argv[i + 1]));
        else if (flag == "--files")
            options.files = std::max(3, std::atoi(argv[i + 1]));
        else if (flag == "--runs")
            options.runs = std::max(1, std::atoi(argv[i + 1]));
        else if (flag == "--dir")
            options.dir = argv[i + 1];
    }
    QCoreApplication app(argc, argv);

    const WorkDir work(options.dir, "appsizes");
    options.dir = work.path();
    const std::filesystem::path system = options.dir / "system";
    const std::filesystem::path home = options.dir / "home";
    makeFolder(options.dir.native());
    makeFolder(system.native());
    makeFolder(home.native());
    const std::string flatpak = (home / ".local/share/flatpak").native();
    for (const std::filesystem::path& folder :
         {home / ".local", home / ".local/share", home / ".local/share/flatpak",
          home / ".local/share/flatpak/app", home / ".local/share/flatpak/exports",
          home / ".local/share/flatpak/exports/share",
          home / ".local/share/flatpak/exports/share/applications"})
        makeFolder(folder.native());

    std::printf("generating %d applications of %d files in %s ...\n", options.apps, options.files,
                options.dir.c_str());
    std::vector<std::string> bundles; // the deployments du measures
    for (int i = 0; i < options.apps; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "com.example.App%04d", i);
        generateFlatpak(flatpak, name, options.files);
        bundles.push_back(flatpak + "/app/" + name);
    }

    // One model per round, so each round lists and measures everything afresh.
    const auto sizeOnce = [&](double& seconds, long long& total) {
        const std::size_t listed = sizeApps(home, system, seconds, total);
        if (int(listed) != options.apps) {
            std::fprintf(stderr, "qm_appsizes_bench: listed %zu of %d applications\n", listed, options.apps);
            std::exit(1);
        }
    };
    const auto sizeAsProcess = [&](long long expected) {
        const ChildRun child = runOursOnce({home.native(), system.native()});
        std::size_t listed = 0;
        long long total = 0;
        if (std::sscanf(child.output.c_str(), "%zu %lld", &listed, &total) != 2 ||
            int(listed) != options.apps || total != expected)
            fail("the model as a process found other applications");
        return child.seconds;
    };

    qm::ProcessRequest du;
    du.program = "/usr/bin/du";
    du.arguments = {"-s", "-B1"};
    for (const std::string& bundle : bundles)
        du.arguments.push_back(bundle);
    const auto duOnce = [&](double& seconds, long long& total) {
        const auto start = Clock::now();
        const auto outcome = qm::ProcessRunner().run(du);
        seconds = std::chrono::duration<double>(Clock::now() - start).count();
        if (!outcome || !outcome->succeeded()) {
            std::fprintf(stderr, "qm_appsizes_bench: du failed\n");
            std::exit(1);
        }
        total = 0;
        for (const QByteArray& line : outcome->standardOutput.split('\n')) {
            if (!line.isEmpty())
                total += std::atoll(line.constData());
        }
    };

    // Warm the cache once with both.
    double s = 0;
    long long modelTotal = 0;
    long long duTotal = 0;
    sizeOnce(s, modelTotal);
    duOnce(s, duTotal);
    if (wholeProcess)
        sizeAsProcess(modelTotal);

    std::vector<double> modelSeconds;
    std::vector<double> processSeconds;
    std::vector<double> duSeconds;
    for (int round = 0; round < options.runs; ++round) {
        sizeOnce(s, modelTotal);
        modelSeconds.push_back(s);
        if (wholeProcess)
            processSeconds.push_back(sizeAsProcess(modelTotal));
        duOnce(s, duTotal);
        duSeconds.push_back(s);
    }

    std::printf("\ntotal bytes: model %lld, du -s -B1 %lld (same folders)\n", modelTotal, duTotal);
    printComparison("quiet", "model: sizing to last batch", modelSeconds, "du -s -B1", duSeconds);
    std::printf("  (goal: du / model at least 0.91)\n");
    if (wholeProcess) {
        printSide("model as a process: list + size", processSeconds);
        printRatio("du -s -B1", duSeconds, "model as a process", processSeconds);
    }

    return 0;
}
