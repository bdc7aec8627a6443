#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/RunLoop.h"
#include "tests/support/TestEnvironment.h"
#include "tests/update/Waiting.h"
#include "tests/update/TestHttpServer.h"
#include "update/OVHTTPFileDownloader.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <thread>

namespace fs = std::filesystem;
using namespace talv;
using namespace talv::update;
using talv::test::HttpResponse;
using talv::test::TestHttpServer;

namespace {

struct Call {
    std::string kind;
    double percent = 0;
    fs::path path{};
    DownloadError error{};
    std::thread::id thread = std::this_thread::get_id();
};

struct Recorder : OVHTTPFileDownloaderDelegate {
    std::map<std::uint32_t, std::vector<Call>> calls;
    void downloadStarted(OVHTTPFileDownloader&, std::uint32_t refcon) override { calls[refcon].push_back({"started"}); }
    void downloadProgress(OVHTTPFileDownloader&, std::uint32_t refcon, double percent) override {
        calls[refcon].push_back({"progress", percent});
    }
    void downloadFinished(OVHTTPFileDownloader&, std::uint32_t refcon, const fs::path& path) override {
        calls[refcon].push_back({"finished", 0, path});
    }
    void downloadError(OVHTTPFileDownloader&, std::uint32_t refcon, const DownloadError& error) override {
        calls[refcon].push_back({"error", 0, {}, error});
    }
    bool ended(std::uint32_t refcon) {
        auto& c = calls[refcon];
        return !c.empty() && (c.back().kind == "finished" || c.back().kind == "error");
    }
    bool waitForEnd(std::uint32_t refcon) {
        return RunLoop::runUntil([&] { return ended(refcon); }, 20.0);
    }
};

// Files the downloads left in the temporary folder.
std::vector<fs::path> temporaryFiles() {
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(Paths::temporary())) files.push_back(e.path());
    return files;
}

HttpResponse serve(const std::string& request) {
    const std::string path = request.substr(0, request.find('?'));
    if (path == "/files/update.bin") return {200, {}, std::string(100000, 'a')};
    if (path == "/files/notes") return {200, {}, std::string(50000, 'b'), false};
    if (path == "/files/big") return {200, {}, std::string(3000, 'c')};
    if (path == "/old") return {302, {{"Location", "/files/big"}}, "moved"};
    if (path == "/away") return {302, {{"Location", "http://203.0.113.7/x"}}, ""};
    if (path == "/stall") return {200, {}, std::string(4096, 'd'), true, 10, 8.0};
    return {404, {}, "no"};
}

class OVHTTPFileDownloaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const fs::path& f : temporaryFiles()) fs::remove_all(f);
    }
    TestHttpServer server{serve};
    std::shared_ptr<Recorder> recorder = std::make_shared<Recorder>();
};

}  // namespace

TEST_F(OVHTTPFileDownloaderTest, DownloadsAtOnceReportOnTheStartingThreadWithTheirOwnRefconAndProgress) {
    OVHTTPFileDownloader dl;
    dl.downloadURL(server.url("/files/update.bin"), std::string("dmg"), recorder, 1);  // size from the server
    dl.downloadURL(server.url("/files/notes"), std::string("dmg"), recorder, 2);       // no size at all
    dl.downloadURL(server.url("/files/big"), std::nullopt, 1000, false, recorder, 3);   // given size kept
    for (std::uint32_t r : {1u, 2u, 3u}) ASSERT_TRUE(recorder->waitForEnd(r)) << r;

    const auto main = std::this_thread::get_id();
    for (auto& [refcon, calls] : recorder->calls) {
        EXPECT_EQ(calls.front().kind, "started") << refcon;
        ASSERT_EQ(calls.back().kind, "finished") << refcon;
        for (const Call& c : calls) EXPECT_EQ(c.thread, main);
    }
    auto percents = [&](std::uint32_t refcon) {
        std::vector<double> p;
        for (const Call& c : recorder->calls[refcon])
            if (c.kind == "progress") p.push_back(c.percent);
        return p;
    };
    auto sized = percents(1);
    ASSERT_FALSE(sized.empty());
    EXPECT_TRUE(std::is_sorted(sized.begin(), sized.end()));
    EXPECT_EQ(sized.back(), 1.0);
    for (double p : percents(2)) EXPECT_EQ(p, -1.0);
    for (double p : percents(3)) EXPECT_LE(p, 1.0);
    EXPECT_EQ(percents(3).back(), 1.0);

    const fs::path binFile = recorder->calls[1].back().path;
    const fs::path notesFile = recorder->calls[2].back().path;
    EXPECT_EQ(binFile.extension(), ".dmg");
    EXPECT_EQ(binFile.filename().string().rfind("update-", 0), 0u) << binFile;
    EXPECT_EQ(notesFile.extension(), ".dmg");
    EXPECT_EQ(test::readFile(binFile), std::string(100000, 'a'));
    EXPECT_EQ(test::readFile(notesFile).size(), 50000u);
    EXPECT_EQ(fs::status(binFile).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(OVHTTPFileDownloaderTest, FollowsRedirectsButRefusesPlainHttpAwayFromLoopbackAndFailedAnswers) {
    OVHTTPFileDownloader dl;
    dl.downloadURL(server.url("/old"), std::nullopt, recorder, 1);
    dl.downloadURL(server.url("/away"), std::nullopt, recorder, 2);
    dl.downloadURL("http://203.0.113.7/update.dmg", std::nullopt, recorder, 3);
    dl.downloadURL(server.url("/missing"), std::nullopt, recorder, 4);
    dl.downloadURL("file:///etc/passwd", std::nullopt, recorder, 5);
    for (std::uint32_t r : {1u, 2u, 3u, 4u, 5u}) ASSERT_TRUE(recorder->waitForEnd(r)) << r;

    ASSERT_EQ(recorder->calls[1].back().kind, "finished");
    EXPECT_EQ(test::readFile(recorder->calls[1].back().path), std::string(3000, 'c'));
    EXPECT_EQ(recorder->calls[1].back().path.filename().string().rfind("big-", 0), 0u);
    EXPECT_EQ(recorder->calls[2].back().error.code, DownloadError::kRefusedAddress);
    EXPECT_NE(recorder->calls[2].back().error.description.find("http://203.0.113.7/x"), std::string::npos);
    EXPECT_EQ(recorder->calls[3].back().error.code, DownloadError::kRefusedAddress);
    EXPECT_EQ(recorder->calls[4].back().error.code, CURLE_HTTP_RETURNED_ERROR);
    EXPECT_EQ(recorder->calls[5].back().error.code, DownloadError::kRefusedAddress);
    EXPECT_EQ(temporaryFiles(), std::vector<fs::path>{recorder->calls[1].back().path});
    for (const std::string& path : server.requestedPaths()) EXPECT_NE(path, "/x");
}

TEST_F(OVHTTPFileDownloaderTest, AStalledServerTimesOutAndAnAbortEndsEveryCall) {
    LogCapture log;
    OVHTTPFileDownloader dl;
    dl.setTimeout(1.0);
    const auto start = std::chrono::steady_clock::now();
    dl.downloadURL(server.url("/stall"), std::nullopt, recorder, 1);
    ASSERT_TRUE(recorder->waitForEnd(1));
    EXPECT_EQ(recorder->calls[1].back().kind, "error");
    EXPECT_EQ(recorder->calls[1].back().error.code, CURLE_OPERATION_TIMEDOUT);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(6));

    // The same server, aborted once data flows: no call after, no file left, the URL free again.
    dl.setTimeout(30.0);
    const std::string url = server.url("/stall?again");
    dl.downloadURL(url, std::nullopt, recorder, 2);
    dl.downloadURL(url, std::nullopt, recorder, 3);
    EXPECT_TRUE(log.contains("OVHTTPFileDownloader: attempted to download " + url + " again"));
    ASSERT_TRUE(RunLoop::runUntil([&] { return recorder->calls[2].size() >= 2; }, 10.0));
    EXPECT_TRUE(dl.abortDownloadURL(url));
    EXPECT_FALSE(dl.abortDownloadURL(url));
    const size_t callsAtAbort = recorder->calls[2].size();
    RunLoop::runUntil([] { return false; }, 0.5);
    EXPECT_EQ(recorder->calls[2].size(), callsAtAbort);
    EXPECT_TRUE(recorder->calls[3].empty());
    EXPECT_TRUE(test::waitUntil([] { return temporaryFiles().empty(); }, 5.0));
    dl.downloadURL(url, std::nullopt, recorder, 4);
    EXPECT_TRUE(RunLoop::runUntil([&] { return !recorder->calls[4].empty(); }, 10.0));
}
