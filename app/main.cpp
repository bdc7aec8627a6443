// talvessa: the Talvessa window.
#include "app/TalvController.h"
#include "platform/CommandLine.h"
#include "platform/MainThreadMessage.h"
#include "platform/Paths.h"

#include <fmt/format.h>

#include <clocale>
#include <string>
#include <vector>

using namespace talv;

namespace {

const std::vector<OptionSpec> kOptions = {
    {"transcripts-home", true, false, "home folder under which the chat clients' folders are found"},
    {"help", false, false, "show this help"},
    {"version", false, false, "show the version"},
};

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    std::string error;
    auto arguments = parseArguments(std::vector<std::string>(argv + 1, argv + argc), kOptions, error);
    if (!arguments || !arguments->positionals.empty()) {
        fmt::print(stderr, "talvessa: {}\nTry 'talvessa --help'.\n", arguments ? "unexpected argument '" + arguments->positionals.front() + "'" : error);
        return 2;
    }
    if (arguments->has("help")) {
        fmt::print("Usage: talvessa [--transcripts-home DIR]\n\nBrowse, search and read your iChat, Adium and Fire transcripts.\n\n"
                   "Options:\n{}",
                   describeOptions(kOptions));
        return 0;
    }
    if (arguments->has("version")) {
        fmt::print("talvessa {}\n", TALV_VERSION);
        return 0;
    }
    if (auto home = arguments->value("transcripts-home")) Paths::setTranscriptsHomeOverride(*home);

    MainThreadMessage::sharedThreadMessage();
    auto application = Gtk::Application::create("orvane.Talvessa");
    TalvController controller(application, {});
    // The options were ours; a second launch only presents the first one's window.
    char* programOnly[] = {argv[0], nullptr};
    return application->run(1, programOnly);
}
