// orvane-updater: checks the update server for a product, shows what is new and fetches the
// update. Usage: orvane-updater --bundle PATH [--prodID ID]. One instance runs per session; a
// second start hands its product to the running one.
#include "display/ApplicationResources.h"
#include "platform/CommandLine.h"
#include "platform/MainThreadMessage.h"
#include "platform/StringFormat.h"
#include "platform/Strings.h"
#include "platform/UserDefaults.h"
#include "update/OVVCController.h"
#include "update/UpdateKeys.h"
#include "update/UpdateRequest.h"
#include "updater/UpdateWindow.h"

#include <fmt/format.h>
#include <glib.h>
#include <gtkmm.h>

#include <clocale>
#include <fstream>
#include <memory>
#include <sstream>

using namespace talv;
using namespace talv::update;

namespace {

const std::vector<OptionSpec> kOptions = {
    {"bundle", true, false, N_("the folder of the product to update (its Info.plist)")},
    {"prodID", true, false, N_("the product's update domain (default: the bundle's)")},
};
const std::vector<OptionSpec> kInformationOptions = {
    {"help", false, false, N_("show this help")},
    {"version", false, false, N_("show the version")},
};

std::string usage() {
    std::vector<OptionSpec> all = kOptions;
    all.insert(all.end(), kInformationOptions.begin(), kInformationOptions.end());
    return tr("Usage: orvane-updater --bundle PATH [--prodID ID]") + "\n\n" +
           tr("Checks the update server for a newer version of the product, shows what is new and fetches it.") +
           "\n\n" + tr("Options:") + "\n" + describeOptions(all);
}

// --help and --version are answered before the application starts, so that they reach neither
// the session bus nor a running updater.
std::optional<int> answerInformationOptions(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view word = argv[i];
        if (word == "--help") {
            fmt::print("{}", usage());
            return 0;
        }
        if (word == "--version") {
            fmt::print("orvane-updater {}\n", TALV_VERSION);
            return 0;
        }
    }
    return std::nullopt;
}

std::string readReleaseNotesTemplate() {
    std::ifstream in(applicationResourcesDirectory() / "updater" / "WhatsNew.html");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string systemFontFamily() {
    auto settings = Gtk::Settings::get_default();
    if (!settings) return "sans-serif";
    Pango::FontDescription font(settings->property_gtk_font_name().get_value());
    return font.get_family().empty() ? "sans-serif" : std::string(font.get_family());
}

class Updater {
public:
    explicit Updater(Glib::RefPtr<Gtk::Application> app) : app_(std::move(app)) {}

    int commandLine(const Glib::RefPtr<Gio::ApplicationCommandLine>& command) {
        int argc = 0;
        char** argv = command->get_arguments(argc);
        std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
        g_strfreev(argv);
        std::string error;
        auto parsed = parseArguments(args, kOptions, error);
        if (!parsed || !parsed->has("bundle")) {
            command->printerr("orvane-updater: " + (error.empty() ? tr("--bundle is required") : error) + "\n" + usage());
            return 2;
        }
        const std::string bundle = *parsed->value("bundle");
        if (controller_) {
            if (!controller_->openFile(bundle)) {
                command->printerr("orvane-updater: " + formatString(tr("%@ is not a product folder"), {bundle}) + "\n");
                return 1;
            }
            return 0;
        }
        controller_ = std::make_unique<OVVCController>(makeFactory(), [this] { finish(); });
        if (!controller_->start(bundle, parsed->value("prodID"))) {
            command->printerr("orvane-updater: " +
                              formatString(tr("The updater cannot update %@ as the file does not seem to exist."), {bundle}) +
                              "\n");
            return 1;
        }
        app_->hold();
        held_ = true;
        return 0;
    }

private:
    OVVCController::ControllerFactory makeFactory() {
        OVSUController::Services services;
        services.serverURL = updateServerURL();
        services.alwaysNeedsUpdates = UserDefaults::forDomain(kUpdaterDomain).boolForKey(kAlwaysNeedsUpdates);
        services.releaseNotesTemplate = readReleaseNotesTemplate();
        services.systemFontFamily = systemFontFamily();
        services.makeWindow = [this](OVSUController& controller) -> std::unique_ptr<UpdateWindowView> {
            auto window = std::make_unique<UpdateWindow>(controller, [this, &controller] {
                if (controller_) controller_->windowWillClose(controller);
            });
            app_->add_window(*window);
            return window;
        };
        return [services](std::optional<std::string> productID, ProductBundle bundle) {
            return OVSUController::create(std::move(productID), std::move(bundle), services);
        };
    }

    void finish() {
        if (held_) app_->release();
        held_ = false;
        app_->quit();
    }

    Glib::RefPtr<Gtk::Application> app_;
    std::unique_ptr<OVVCController> controller_;
    bool held_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    bindStringTable(applicationLocaleDirectory());
    if (auto answered = answerInformationOptions(argc, argv)) return *answered;
    MainThreadMessage::sharedThreadMessage();
    auto app = Gtk::Application::create("orvane.updater", Gio::Application::Flags::HANDLES_COMMAND_LINE);
    Updater updater(app);
    app->signal_command_line().connect([&](const Glib::RefPtr<Gio::ApplicationCommandLine>& command) {
        return updater.commandLine(command);
    }, false);
    return app->run(argc, argv);
}
