#include "tests/actions/RecordingApplications.h"

#include "tests/support/TestEnvironment.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <sstream>

namespace fs = std::filesystem;

namespace talv::test {

fs::path openedLog() { return homeDir() / "opened.log"; }

void installRecordingApplications() {
    const fs::path script = homeDir() / "record-open";
    writeFile(script, "#!/bin/sh\necho \"$1 $2\" >> '" + openedLog().string() + "'\n");
    fs::permissions(script, fs::perms::owner_all);
    const fs::path applications = fs::path(g_get_user_data_dir()) / "applications";
    for (const char* tag : {"browser", "adium", "files"}) {
        std::string entry = "[Desktop Entry]\nType=Application\nName=Test " + std::string(tag) + "\nExec=" + script.string() + " " +
                            tag + " %f\n";
        if (std::string(tag) == "files") entry += "MimeType=inode/directory;\n";
        writeFile(applications / ("talv-test-" + std::string(tag) + ".desktop"), entry);
    }
    writeFile(fs::path(g_get_user_config_dir()) / "mimeapps.list",
              "[Default Applications]\ninode/directory=talv-test-files.desktop\n");
}

std::vector<std::string> waitForOpened(std::size_t count) {
    std::vector<std::string> lines;
    const auto read = [&] {
        lines.clear();
        std::istringstream in(fs::exists(openedLog()) ? readFile(openedLog()) : "");
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines.size() >= count;
    };
    // The applications write from processes of their own: the loop is polled, not waited on.
    const gint64 deadline = g_get_monotonic_time() + 20 * G_USEC_PER_SEC;
    while (!read() && g_get_monotonic_time() < deadline) {
        if (!g_main_context_iteration(nullptr, FALSE)) g_usleep(10000);
    }
    EXPECT_GE(lines.size(), count) << "opened: " << lines.size() << " of " << count;
    return lines;
}

}  // namespace talv::test
