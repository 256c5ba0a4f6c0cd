// Measures the Applications search against ICU's string search at primary strength (case, accents
// and width ignored) over the same 1,000 names and identifiers, listed from desktop entries written
// to a temporary data home as this platform installs them: a six-letter query typed key by
// key, the whole typing repeated every round, and prints min and median with the ratio ICU / ours
// (above 1: ours is faster) headed by the medians. Both sides run in this process (ICU is a
// library, so no side is timed as a process of its own). Each application keeps its
// folded texts with it, so a key costs one fold of the query and a plain search per text; ICU searches
// the texts as they are. The model's own keystroke (filter, sort and list-model publication) is timed
// beside them for reference. The match counts of both searches are printed and must agree.
//
// Usage: qm_appsearch_bench [--apps N] [--runs R] [--query TEXT] [--dir DIR]
//   --apps   applications (default 1000)
//   --runs   rounds of typing the whole query (default 200)
//   --query  the query typed key by key (default "resume")
//   --dir    the folder the home and system root are written in, made if absent and kept (default: a
//            new folder in the system's temporary folder, removed once the entries are listed)

#include "../support/BenchSupport.h"
#include "app/models/ApplicationsViewModel.h"
#include "core/apps/DesktopAppScanner.h"
#include "core/model/TextSearch.h"
#include "platform/SystemClock.h"

#include <QCoreApplication>

#include <stdlib.h>
#include <unicode/ucol.h>
#include <unicode/usearch.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace qm::bench;

struct Options
{
    int apps = 1000;
    int runs = 200;
    QString query = QStringLiteral("resume");
    std::filesystem::path dir;
};

// Desktop entries in `applications` named by two or three words, some with accents, with
// reverse-DNS file ids, from a fixed seed; each entry's program is written to `programs`, as an entry
// whose program is gone is not listed.
void generateEntries(const std::filesystem::path& applications, const std::filesystem::path& programs,
                     int count)
{
    const char16_t* words[] = {u"Safari",   u"Café",    u"Crème",  u"Résumé", u"Studio",   u"Notes",
                               u"Photo",    u"Mail",    u"Zürich", u"Málaga", u"Office",   u"Editor",
                               u"Player",   u"Pixel",   u"Focus",  u"Señor",  u"Naïve",    u"Builder",
                               u"Terminal", u"Canvas",  u"Atlas",  u"Forêt",  u"Ångström", u"Résumer",
                               u"Writer",   u"Keynote", u"Ledger", u"Sync",   u"Crêpe",    u"Radar"};
    const int wordCount = int(std::size(words));
    std::mt19937 random(20261210);
    for (int i = 0; i < count; ++i) {
        QString name;
        const int parts = 2 + int(random() % 2);
        for (int p = 0; p < parts; ++p) {
            if (p > 0)
                name += QLatin1Char(' ');
            name += QString::fromUtf16(words[random() % unsigned(wordCount)]);
        }
        name += QLatin1Char(' ') + QString::number(i);
        const QString id = QStringLiteral("com.vendor") + QString::number(i % 97) + QLatin1Char('.') +
                           QString::fromUtf16(words[random() % unsigned(wordCount)]).toLower() +
                           QString::number(i);
        writeFile((applications / (id.toStdString() + ".desktop")).native(),
                  "[Desktop Entry]\nType=Application\nName=" + name.toStdString() + "\nExec=app" +
                      std::to_string(i) + "\n");
        writeFile((programs / ("app" + std::to_string(i))).native(), "#!/bin/sh\n");
    }
}

void check(UErrorCode status, const char* what)
{
    if (U_FAILURE(status)) {
        std::fprintf(stderr, "qm_appsearch_bench: %s: %s\n", what, u_errorName(status));
        std::exit(1);
    }
}

const UChar* units(const QString& text)
{
    return reinterpret_cast<const UChar*>(text.utf16());
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string flag = argv[i];
        if (flag == "--apps")
            options.apps = std::max(1, std::atoi(argv[i + 1]));
        else if (flag == "--runs")
            options.runs = std::max(1, std::atoi(argv[i + 1]));
        else if (flag == "--query")
            options.query = QString::fromUtf8(argv[i + 1]);
        else if (flag == "--dir")
            options.dir = argv[i + 1];
    }
    QCoreApplication app(argc, argv);

    std::vector<qm::InstalledApp> apps;
    {
        const WorkDir work(options.dir, "appsearch");
        const std::filesystem::path& root = work.path();
        std::filesystem::create_directories(root / "home/.local/share/applications");
        std::filesystem::create_directories(root / "system/usr/bin");
        generateEntries(root / "home/.local/share/applications", root / "system/usr/bin", options.apps);
        apps = qm::DesktopAppScanner(qm::Places::resolve(root / "home", {}, root / "system")).listApps().apps;
    }
    if (int(apps.size()) != options.apps) {
        std::fprintf(stderr, "qm_appsearch_bench: listed %zu of %d entries\n", apps.size(), options.apps);
        return 1;
    }
    std::vector<QString> prefixes;
    for (qsizetype n = 1; n <= options.query.size(); ++n)
        prefixes.push_back(options.query.left(n));

    // Each application with its folded texts, as the model keeps them.
    struct Folded
    {
        QString name;
        QString bundleID;
    };
    std::vector<Folded> folded;
    for (const qm::InstalledApp& a : apps)
        folded.push_back({qm::TextSearch::fold(a.name), qm::TextSearch::fold(a.bundleID)});

    const auto typeOurs = [&](std::vector<int>& matches) {
        matches.clear();
        for (const QString& prefix : prefixes) {
            const QString query = qm::TextSearch::fold(prefix);
            int found = 0;
            for (const Folded& f : folded) {
                if (qm::TextSearch::containsFolded(f.name, query) ||
                    qm::TextSearch::containsFolded(f.bundleID, query))
                    ++found;
            }
            matches.push_back(found);
        }
    };

    UErrorCode status = U_ZERO_ERROR;
    UCollator* collator = ucol_open("", &status);
    check(status, "ucol_open");
    ucol_setStrength(collator, UCOL_PRIMARY);
    const UChar placeholder[] = {u' '};
    const auto typeIcu = [&](std::vector<int>& matches) {
        matches.clear();
        for (const QString& prefix : prefixes) {
            UErrorCode s = U_ZERO_ERROR;
            UStringSearch* search = usearch_openFromCollator(units(prefix), int32_t(prefix.size()),
                                                             placeholder, 1, collator, nullptr, &s);
            check(s, "usearch_openFromCollator");
            int found = 0;
            for (const qm::InstalledApp& a : apps) {
                usearch_setText(search, units(a.name), int32_t(a.name.size()), &s);
                bool hit = usearch_first(search, &s) != USEARCH_DONE;
                if (!hit) {
                    usearch_setText(search, units(a.bundleID), int32_t(a.bundleID.size()), &s);
                    hit = usearch_first(search, &s) != USEARCH_DONE;
                }
                check(s, "usearch");
                if (hit)
                    ++found;
            }
            usearch_close(search);
            matches.push_back(found);
        }
    };

    // The model over the same applications, listed at once and never measured.
    qm::SystemClock clock;
    qm::ApplicationsViewModel::Services services{clock};
    services.lister = [&apps](qm::ApplicationsViewModel::ListingDone done) {
        done(qm::AppScanner::Listing{apps, true});
    };
    services.sizer = [](const qm::Path&, const std::vector<qm::Path>&, qint64, bool, double,
                        qm::CoverageFlag*, std::stop_token) { return qint64(0); };
    services.own = qm::ApplicationsViewModel::OwnIdentity{"/nowhere"};
    qm::ApplicationsViewModel model(std::move(services));
    model.load();
    while (model.phase() != qm::ApplicationsViewModel::Phase::loaded || model.sizing())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const auto typeModel = [&](std::vector<int>& matches) {
        matches.clear();
        for (const QString& prefix : prefixes) {
            model.setQuery(prefix);
            matches.push_back(model.filteredAppsModel()->count());
        }
        model.setQuery(QString());
    };

    std::vector<int> oursMatches, icuMatches, modelMatches;
    typeOurs(oursMatches);
    typeIcu(icuMatches);
    typeModel(modelMatches);

    std::vector<double> ours, icu, viaModel;
    for (int round = 0; round < options.runs; ++round) {
        std::vector<int> ignored;
        auto start = Clock::now();
        typeOurs(ignored);
        ours.push_back(seconds(Clock::now() - start));
        start = Clock::now();
        typeIcu(ignored);
        icu.push_back(seconds(Clock::now() - start));
        start = Clock::now();
        typeModel(ignored);
        viaModel.push_back(seconds(Clock::now() - start));
    }
    ucol_close(collator);

    std::printf("%d applications, query \"%s\" typed key by key, %d rounds\n", options.apps,
                options.query.toUtf8().constData(), options.runs);
    std::printf("matches per key (ours / ICU / model):");
    for (std::size_t i = 0; i < prefixes.size(); ++i)
        std::printf(" %d/%d/%d", oursMatches[i], icuMatches[i], modelMatches[i]);
    std::printf("\n");
    printComparison("quiet, all keys", "ours: folded texts + plain search", ours,
                    "ICU usearch, primary strength", icu);
    std::printf("  (goal: ICU / ours at least 1.00)\n");
    printSide("model keystroke (filter + publish), for reference", viaModel);
    if (oursMatches != icuMatches || oursMatches != modelMatches) {
        std::fprintf(stderr, "qm_appsearch_bench: the searches disagree\n");
        return 1;
    }
    return 0;
}
