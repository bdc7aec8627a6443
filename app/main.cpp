// talvessa: the Talvessa window.
#include "app/TalvController.h"
#include "display/ApplicationResources.h"
#include "platform/CommandLine.h"
#include "platform/MainThreadMessage.h"
#include "platform/Paths.h"
#include "platform/StringFormat.h"
#include "platform/Strings.h"

#include <fmt/format.h>

#include <clocale>
#include <string>
#include <vector>

using namespace talv;

namespace {

const std::vector<OptionSpec> kOptions = {
    {"transcripts-home", true, false, N_("home folder under which the chat clients' folders are found")},
    {"help", false, false, N_("show this help")},
    {"version", false, false, N_("show the version")},
};

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    bindStringTable(applicationLocaleDirectory());
    std::string error;
    auto arguments = parseArguments(std::vector<std::string>(argv + 1, argv + argc), kOptions, error);
    if (!arguments || !arguments->positionals.empty()) {
        fmt::print(stderr, "talvessa: {}\n{}\n",
                   arguments ? formatString(tr("unexpected argument '%@'"), {arguments->positionals.front()}) : error,
                   tr("Try 'talvessa --help'."));
        return 2;
    }
    if (arguments->has("help")) {
        fmt::print("{}\n\n{}\n\n{}\n{}", tr("Usage: talvessa [--transcripts-home DIR]"),
                   tr("Browse, search and read your iChat, Adium and Fire transcripts."), tr("Options:"),
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
    Gtk::Window::set_default_icon_name("orvane.Talvessa");
    TalvController controller(application, {});
    // The options were ours; a second launch only presents the first one's window.
    char* programOnly[] = {argv[0], nullptr};
    return application->run(1, programOnly);
}
