// Turns the assistant setting on or off as the preferences' check box does, for the Pidgin test:
// `assistant-toggle on|off`. Exit 1, with the message, when the setting did not reach the
// preferences file or the session bus.
#include "assistant/AssistantPreference.h"

#include <cstdio>
#include <string_view>

int main(int argc, char** argv) {
    if (argc != 2 || (std::string_view(argv[1]) != "on" && std::string_view(argv[1]) != "off")) {
        std::fprintf(stderr, "usage: assistant-toggle on|off\n");
        return 2;
    }
    // No resources: turning the setting on finds nothing to install.
    talv::PkexecRunner runner("/nonexistent");
    talv::TalvAssistantInstaller installer("/nonexistent", "/nonexistent", runner);
    auto result = talv::toggleEnhance(std::string_view(argv[1]) == "on", talv::UserDefaults::standard(), installer);
    if (!result.problem.empty()) {
        std::fprintf(stderr, "%s\n", result.problem.c_str());
        return 1;
    }
    return 0;
}
