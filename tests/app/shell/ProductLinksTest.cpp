#include "app/shell/ProductLinks.h"

#include "TextPrinter.h"
#include "app/platform/ReleasePageUpdater.h"
#include "app/shell/QuillmereApp.h"
#include "support/FakeAppActivity.h"
#include "support/FakeClock.h"
#include "support/FakeSoftwareUpdater.h"

#include <gtest/gtest.h>

#include <functional>

namespace qm {
namespace {

TEST(ProductLinks, AddressesAreValidWebPagesAndTheCreditsNameThemInOrder)
{
    for (const QUrl& url :
         {ProductLinks::supportURL(), ProductLinks::guideURL(), ProductLinks::releasesURL()}) {
        EXPECT_TRUE(url.isValid()) << url.toString().toStdString();
        EXPECT_EQ(url.scheme(), QStringLiteral("https"));
    }
    EXPECT_EQ(ProductLinks::aboutCredits(),
              QStringLiteral("Support: ") + ProductLinks::supportURL().toString() +
                  QStringLiteral("\nUser guide: ") + ProductLinks::guideURL().toString());
    const QString html = ProductLinks::aboutCreditsHtml();
    const QString support = ProductLinks::supportURL().toString();
    const QString guide = ProductLinks::guideURL().toString();
    EXPECT_EQ(html, QStringLiteral("Support: <a href=\"") + support + QStringLiteral("\">") + support +
                        QStringLiteral("</a><br>User guide: <a href=\"") + guide + QStringLiteral("\">") +
                        guide + QStringLiteral("</a>"));
}

TEST(ReleasePageUpdater, ACheckOpensTheReleasePageAndStartingSchedulesNothing)
{
    QList<QUrl> opened;
    ReleasePageUpdater updater(ProductLinks::releasesURL(), [&opened](const QUrl& url) {
        opened.append(url);
        return true;
    });
    updater.start();
    EXPECT_TRUE(updater.isStarted());
    EXPECT_TRUE(opened.isEmpty());
    updater.checkForUpdates();
    updater.checkForUpdates();
    EXPECT_EQ(opened, QList<QUrl>({ProductLinks::releasesURL(), ProductLinks::releasesURL()}));

    ReleasePageUpdater nowhere(QUrl(), [&opened](const QUrl& url) {
        opened.append(url);
        return true;
    });
    nowhere.checkForUpdates();
    EXPECT_EQ(opened.size(), 2) << "no page, nothing opened";
}

TEST(QuillmereApp, LinksOpenOnlyWebAddressesThroughTheDesktop)
{
    test::FakeClock clock;
    test::FakeAppActivity activity;
    test::FakeSoftwareUpdater updater;
    QList<QUrl> opened;
    QuillmereApp app(QuillmereApp::Services{clock,
                                            activity,
                                            updater,
                                            [] { return false; },
                                            [&opened](const QUrl& url) {
                                                opened.append(url);
                                                return true;
                                            },
                                            {}});
    EXPECT_EQ(updater.starts(), 1);
    EXPECT_EQ(app.navigator()->selection(), QuillmereModule::smartScan);
    app.openLink(ProductLinks::supportURL());
    app.openLink(QUrl(QStringLiteral("file:///etc/passwd")));
    app.openLink(QUrl(QStringLiteral("javascript:alert(1)")));
    EXPECT_EQ(opened, QList<QUrl>({ProductLinks::supportURL()}));
    app.checkForUpdates();
    EXPECT_EQ(updater.checks(), 1);
}

// When no browser takes the release page or a help link, the application says so with the address;
// nothing is said while one opens.
TEST(QuillmereApp, AnAddressNoBrowserOpensIsToldWithTheAddress)
{
    test::FakeClock clock;
    test::FakeAppActivity activity;
    bool opens = false;
    ReleasePageUpdater updater(ProductLinks::releasesURL(), [&opens](const QUrl&) { return opens; });
    QuillmereApp app(QuillmereApp::Services{
        clock, activity, updater, [] { return false; }, [&opens](const QUrl&) { return opens; }, {}});
    QStringList subjects;
    QObject::connect(&app, &QuillmereApp::openFailed,
                     [&](const QString& title, const QString& message, const QString& subject) {
                         EXPECT_EQ(title, QStringLiteral("Couldn't open the page"));
                         EXPECT_FALSE(message.isEmpty());
                         subjects.append(subject);
                     });
    const struct
    {
        const char* what;
        std::function<void()> act;
        QUrl address;
    } rows[] = {
        {"Check for Updates", [&] { app.checkForUpdates(); }, ProductLinks::releasesURL()},
        {"User Guide", [&] { app.openGuide(); }, ProductLinks::guideURL()},
        {"Support", [&] { app.openSupport(); }, ProductLinks::supportURL()},
        {"About link", [&] { app.openLink(ProductLinks::supportURL()); }, ProductLinks::supportURL()},
    };
    for (const auto& row : rows) {
        subjects.clear();
        opens = true;
        row.act();
        EXPECT_TRUE(subjects.isEmpty()) << row.what;
        opens = false;
        row.act();
        EXPECT_EQ(subjects, QStringList{row.address.toString()}) << row.what;
    }
}

} // namespace
} // namespace qm
