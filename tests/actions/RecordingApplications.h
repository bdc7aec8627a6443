#pragma once
// Desktop applications that only record what they were asked to open, installed in the test
// home before GIO first lists applications: "talv-test-browser.desktop", "talv-test-adium.desktop"
// and "talv-test-files.desktop", the default application for folders. Each appends
// "<tag> <path or URI>" to openedLog().
#include <filesystem>
#include <string>
#include <vector>

namespace talv::test {

void installRecordingApplications();
std::filesystem::path openedLog();
// The lines of openedLog() once it holds `count` of them (waiting up to 20 seconds, running the
// main loop); fails the test when it does not.
std::vector<std::string> waitForOpened(std::size_t count);

}  // namespace talv::test
