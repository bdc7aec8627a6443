#include "platform/DistributedNotificationCenter.h"
#include "platform/Paths.h"
#include "platform/RunLoop.h"
#include "platform/UserDefaults.h"
#include "tests/support/TestEnvironment.h"
#include "tests/update/Waiting.h"
#include "tests/update/TestHttpServer.h"
#include "update/NumericVersion.h"
#include "update/OVVCController.h"
#include "update/SystemVersion.h"
#include "update/UpdateKeys.h"
#include "update/UpdateReply.h"
#include "update/UpdateRequest.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <mutex>

namespace fs = std::filesystem;
using namespace talv;
using namespace talv::update;
using talv::test::HttpResponse;
using talv::test::TestHttpServer;

namespace {

const std::string kUpdateBody(20000, 'u');

struct FakeWindow : UpdateWindowView {
    UpdateWindowContents contents;
    std::vector<std::string> statusTexts;
    bool finished = false, closed = false, downloading = false;
    int fronted = 0;
    bool deleteBox = true;
    void show(const UpdateWindowContents& c) override { contents = c; }
    void bringToFront() override { ++fronted; }
    void setStatusText(const std::string& text) override { statusTexts.push_back(text); }
    void setProgress(std::optional<double>) override {}
    void showDownloading() override { downloading = true; }
    void showFinished() override { finished = true; }
    bool deleteAfterDone() const override { return deleteBox; }
    void close() override { closed = true; }
};

struct FakeDesktop : Desktop {
    std::vector<std::string> opened;
    bool openURL(const std::string& url) override { return opened.push_back(url), true; }
    bool openFile(const fs::path& path) override { return opened.push_back(path.string()), true; }
};

// The product's side: what reaches it on the session bus.
struct Product {
    std::vector<std::string> statuses;
    int completed = 0;
    ObserverToken statusToken, completedToken;
    explicit Product(const std::string& domain) {
        statusToken = DistributedNotificationCenter::addObserver(
            kStatusChangeNotification, domain, [this](const std::string&, const std::string&, const Value& info) {
                if (info.find("Date") && info.find("Date")->asDate()) statuses.push_back(info.find("Status")->textOr(""));
            });
        completedToken = DistributedNotificationCenter::addObserver(
            kUpdateCheckCompletedNotification, domain, [this](const std::string&, const std::string&, const Value&) { ++completed; });
    }
};

class UpdateCheckTest : public ::testing::Test {
protected:
    UpdateCheckTest() {
        static int counter = 0;
        domain = "orvane.testa" + std::to_string(++counter);
        test::writeFile(dir / "Testa" / "Info.plist",
                        Value(Value::Dictionary{{"CFBundleIdentifier", domain},
                                                {"CFBundleName", "Testa"},
                                                {"CFBundleVersion", "1.2"},
                                                {"OrvaneBuildNumber", "57"}})
                            .toXmlPlist());
        product = std::make_unique<Product>(domain);
    }

    // The server's reply to the check, and the update file.
    HttpResponse serve(const std::string& path) {
        if (path.rfind("/goto/update/2/", 0) == 0) {
            std::lock_guard lock(mutex);
            return reply;
        }
        if (path == "/files/Testa-1.3.zip") return {200, {}, kUpdateBody};
        return {404, {}, ""};
    }

    void setResponse(HttpResponse r) {
        std::lock_guard lock(mutex);
        reply = std::move(r);
    }
    void setReply(Value::Dictionary dict) { setResponse({200, {}, Value(std::move(dict)).toXmlPlist()}); }

    // Starts the updater's controller for the product, as the program does.
    void start() {
        OVSUController::Services services;
        services.makeWindow = [this](OVSUController&) {
            auto w = std::make_unique<FakeWindow>();
            window = w.get();
            return w;
        };
        services.desktop = desktop;
        services.serverURL = server.url();
        services.releaseNotesTemplate = "<html style=\"font: SYSTEM_FONT\">o_rly?</html>";
        services.timeoutSeconds = 5.0;
        app = std::make_unique<OVVCController>(
            [services](std::optional<std::string> id, ProductBundle bundle) {
                return OVSUController::create(std::move(id), std::move(bundle), services);
            },
            [this] { quit = true; });
        ASSERT_TRUE(app->start(dir / "Testa", std::nullopt));
    }

    bool waitFor(const std::function<bool()>& condition) { return test::waitUntil(condition); }
    std::string lastStatus() { return UserDefaults::forDomain(domain).synchronize(), UserDefaults::forDomain(domain).stringForKey(kLastCheckStatus); }

    test::TempDir dir;
    std::string domain;
    std::mutex mutex;
    HttpResponse reply;
    TestHttpServer server{[this](const std::string& p) { return serve(p); }};
    std::shared_ptr<FakeDesktop> desktop = std::make_shared<FakeDesktop>();
    std::unique_ptr<Product> product;
    std::unique_ptr<OVVCController> app;
    FakeWindow* window = nullptr;
    bool quit = false;
};

Value::Dictionary offer(std::string sha256) {
    return {{"LatestVersion", "1.3"},
            {"DownloadURL", "PLACEHOLDER"},
            {"InfoURL", "https://example.com/testa"},
            {"FileSize", static_cast<std::int64_t>(kUpdateBody.size())},
            {"SHA256", std::move(sha256)},
            {"Versions", Value::Array{Value::Dictionary{{"Version", "1.3"}, {"ReleaseDate", 1.2e9}, {"WhatsNew", "<b>new</b>"}},
                                      Value::Dictionary{{"Version", "1.2.5"}, {"ReleaseDateString", "2008-01-02 10:00:00 +0000"}, {"WhatsNew", "fixes"}},
                                      Value::Dictionary{{"Version", "1.1"}, {"WhatsNew", "old"}}}}};
}

std::string sha256(const std::string& data) {
    gchar* sum = g_compute_checksum_for_string(G_CHECKSUM_SHA256, data.data(), data.size());
    std::string s(sum);
    g_free(sum);
    return s;
}

}  // namespace

TEST_F(UpdateCheckTest, TheRequestCarriesEveryFieldAndANewerVersionOpensTheWindow) {
    std::string upper = sha256(kUpdateBody);
    for (char& c : upper) c = g_ascii_toupper(c);
    auto dict = offer(upper);
    dict["DownloadURL"] = server.url("/files/Testa-1.3.zip");
    setReply(dict);
    start();
    ASSERT_TRUE(waitFor([&] { return window && product->completed > 0; }));

    auto paths = server.requestedPaths();
    ASSERT_EQ(paths.size(), 1u);
    gchar** parts = g_strsplit(paths[0].c_str(), "/", -1);
    std::vector<std::string> fields;
    for (gchar** p = parts; *p; ++p) {
        gchar* unescaped = g_uri_unescape_string(*p, nullptr);
        fields.push_back(unescaped);
        g_free(unescaped);
    }
    g_strfreev(parts);
    const std::string uuid = UserDefaults::forDomain(kSoftwareUpdateDomain).stringForKey(kInstallationUUID);
    EXPECT_EQ(uuid.size(), 36u);
    const std::vector<std::string> expected = {"", "goto", "update", "2", uuid, domain, "1.2_57",
                                               systemVersionDescription(), hardwareModelName(),
                                               fileSystemDescription("/"), fileSystemDescription(Paths::home()), ""};
    EXPECT_EQ(fields, expected);

    EXPECT_EQ(lastStatus(), "Software Update ran successfully.");
    EXPECT_EQ(product->statuses, (std::vector<std::string>{"Checking...", "Software Update ran successfully."}));
    auto& defaults = UserDefaults::forDomain(domain);
    ASSERT_TRUE(defaults.objectForKey(kLastCheckDate) && defaults.objectForKey(kLastCheckDate)->asDate());
    EXPECT_EQ(defaults.integerForKey(kLastRunSystemVersion), currentPackedSystemVersion());
    EXPECT_EQ(window->contents.windowTitle, "Testa Software Update");
    EXPECT_TRUE(window->contents.downloadsFile);
    ASSERT_TRUE(window->contents.releaseNotesHTML);
    const std::string& notes = *window->contents.releaseNotesHTML;
    EXPECT_NE(notes.find("font: sans-serif"), std::string::npos);
    EXPECT_NE(notes.find("Version 1.3</span> <span class=\"Date\">(Thursday, January 10, 2008)"), std::string::npos);
    EXPECT_NE(notes.find("<b>new</b>"), std::string::npos);
    EXPECT_NE(notes.find("Version 1.2.5"), std::string::npos);
    EXPECT_EQ(notes.find("Version 1.1"), std::string::npos);

    // A cancel from the product once the window is up leaves it open; a second start for the
    // same product brings it to the front and completes the product's check.
    ASSERT_TRUE(DistributedNotificationCenter::postNotificationName(kCancelUpdateNotification, domain));
    const int completedBefore = product->completed;
    EXPECT_TRUE(app->openFile(dir / "Testa"));
    ASSERT_TRUE(waitFor([&] { return product->completed > completedBefore; }));
    EXPECT_EQ(window->fronted, 1);
    EXPECT_EQ(app->updaters().size(), 1u);
    EXPECT_FALSE(window->closed);
    EXPECT_EQ(lastStatus(), "Software Update ran successfully.");

    // Installing: the update is downloaded, verified, kept in the downloads folder and opened.
    window->deleteBox = false;
    app->updaters().front()->runInstaller();
    ASSERT_TRUE(waitFor([&] { return window->finished; }));
    const fs::path kept = *OVHTTPFileDownloader::getUsersDownloadsFolder() / "Testa-1.3.zip";
    EXPECT_EQ(window->statusTexts.back(), "Download Completed");
    EXPECT_EQ(test::readFile(kept), kUpdateBody);
    EXPECT_EQ(desktop->opened, std::vector<std::string>{kept.string()});
    window->close();
    app->windowWillClose(*app->updaters().front());
    EXPECT_TRUE(waitFor([&] { return quit; }));
    EXPECT_TRUE(fs::exists(kept));
    EXPECT_FALSE(UserDefaults::forDomain(kUpdaterDomain).boolForKey(kDeleteDownloadAfterDone, true));
}

TEST_F(UpdateCheckTest, AChecksumMismatchIsRefusedAndTheFileDeleted) {
    auto dict = offer(sha256("something else"));
    dict["DownloadURL"] = server.url("/files/Testa-1.3.zip");
    setReply(dict);
    start();
    ASSERT_TRUE(waitFor([&] { return window != nullptr; }));
    window->deleteBox = false;  // kept, were it right
    const fs::path downloads = *OVHTTPFileDownloader::getUsersDownloadsFolder();
    auto listing = [&] {
        std::vector<fs::path> entries{fs::directory_iterator(downloads), fs::directory_iterator()};
        std::sort(entries.begin(), entries.end());
        return entries;
    };
    const auto before = listing();
    app->updaters().front()->runInstaller();
    ASSERT_TRUE(waitFor([&] { return window->finished; }));

    EXPECT_EQ(lastStatus(), "Failed. The downloaded file does not match its checksum.");
    EXPECT_EQ(window->statusTexts.back(), "Error: The downloaded file does not match its checksum.");
    EXPECT_TRUE(desktop->opened.empty());
    EXPECT_FALSE(app->updaters().front()->downloadedFile());
    for (const auto& e : fs::directory_iterator(Paths::temporary())) ADD_FAILURE() << e.path();
    EXPECT_EQ(listing(), before);
}

TEST_F(UpdateCheckTest, RepliesWithoutAnUpdateEndTheRunWithTheirStatus) {
    struct Case {
        std::string body;
        std::string status;
        bool recordsTheCheck;
    };
    const std::vector<Case> cases = {
        {Value(Value::Dictionary{{"LatestVersion", "1.2"}}).toXmlPlist(), "No new software updates were available.", true},
        {Value(Value::Dictionary{{"LatestVersion", "1.10"}}).toXmlPlist(), "No new software updates were available.", true},
        {Value(Value::Dictionary{{"Error", "Down for maintenance"}}).toXmlPlist(), "Failed. Down for maintenance", false},
        {"<html>not a property list</html>", "Failed. Error occurred while checking.", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        UserDefaults::forDomain(domain).removeObjectForKey(kLastCheckDate);
        setResponse({200, {}, c.body});
        quit = false;
        product = std::make_unique<Product>(domain);
        start();
        ASSERT_TRUE(waitFor([&] { return quit && product->completed > 0; }));
        EXPECT_EQ(lastStatus(), c.status);
        EXPECT_EQ(product->statuses.back(), c.status);
        EXPECT_EQ(UserDefaults::forDomain(domain).objectForKey(kLastCheckDate).has_value(), c.recordsTheCheck);
        EXPECT_EQ(window, nullptr);
    }
}

TEST_F(UpdateCheckTest, TheProductCancelsACheckInProgress) {
    setResponse({200, {}, Value(Value::Dictionary{{"LatestVersion", "1.3"}}).toXmlPlist(), true, 0, 10.0});
    start();
    ASSERT_TRUE(waitFor([&] { return !server.requestedPaths().empty(); }));
    ASSERT_TRUE(DistributedNotificationCenter::postNotificationName(kCancelUpdateNotification, domain));
    ASSERT_TRUE(waitFor([&] { return quit && product->completed > 0; }));
    EXPECT_EQ(lastStatus(), "Update was cancelled by user.");
    RunLoop::runUntil([] { return false; }, 0.3);
    EXPECT_EQ(product->completed, 1);
    EXPECT_EQ(window, nullptr);
}

TEST(UpdateDecision, VersionsAndBuildsDecideAsTheServerIntends) {
    test::TempDir dir;
    auto bundleWith = [&](Value::Dictionary info) {
        test::writeFile(dir / "B" / "Info.plist", Value(std::move(info)).toXmlPlist());
        return *ProductBundle::atPath(dir / "B");
    };
    auto reply = [](Value::Dictionary d) { return Value(std::move(d)); };
    ProductBundle plain = bundleWith({{"CFBundleVersion", "1.2"}});
    EXPECT_TRUE(updateAvailable(reply({{"LatestVersion", "1.3"}}), plain));
    EXPECT_FALSE(updateAvailable(reply({{"LatestVersion", "1.10"}}), plain));
    EXPECT_FALSE(updateAvailable(reply({{"LatestVersion", "1.2"}}), plain));
    EXPECT_FALSE(updateAvailable(reply({}), plain));
    ProductBundle beta = bundleWith({{"CFBundleVersion", "1.2b3"}, {"OrvaneBuildNumber", 57}});
    EXPECT_TRUE(updateAvailable(reply({{"LatestVersion", "1.2"}, {"LatestBuild", 0}}), beta));
    EXPECT_TRUE(updateAvailable(reply({{"LatestVersion", "1.0"}, {"LatestBuild", "58"}}), beta));
    EXPECT_FALSE(updateAvailable(reply({{"LatestVersion", "2.0"}, {"LatestBuild", 50}}), beta));

    EXPECT_EQ(numericVersion("1.2.3b45"), 0x0123602Du);
    EXPECT_EQ(numericVersion("10.4"), 0x10408000u);
    EXPECT_LT(numericVersion("1.2d1"), numericVersion("1.2a1"));
    EXPECT_EQ(numericVersion("1.2b256"), 0u);
    EXPECT_EQ(numericVersion("123.4"), 0u);
}
