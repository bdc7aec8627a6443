// talvessa-window-bench: the window's figures against the query engine alone, in one process
// under a virtual X server, on the archive of the XDG folders in the environment:
//   launch: start to the first rows drawn; baseline: the engine's first build of the same list
//   filter: a contents change to its rows drawn; baseline: the engine's rebuild for it
//   scroll: one screenful further down the chats list, drawn; baseline: reading its cells
//   memory: resident set of the running window; baseline: the process with the engine alone
// Usage: talvessa-window-bench --transcripts-home HOME ROUNDS
#include "app/TalvController.h"
#include "bench/Report.h"
#include "bench/Stopwatch.h"
#include "browse/HeadlessBrowser.h"
#include "platform/MainThreadMessage.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"

#include <fmt/format.h>
#include <gdk/gdk.h>
#include <gdkmm/frameclock.h>

#include <algorithm>
#include <clocale>
#include <fstream>
#include <string>
#include <vector>

using namespace talv;
using namespace talv::bench;

namespace {

double residentMegabytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024;
    }
    return 0;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

void spinUntil(const std::function<bool()>& done) {
    while (!done()) g_main_context_iteration(nullptr, TRUE);
}

// Calls `painted` after every frame the window paints, while the handle lives.
class AfterPaint {
public:
    AfterPaint(Gtk::Window& window, std::function<void()> painted)
        : clock_(window.get_frame_clock()->gobj()), painted_(std::move(painted)) {
        id_ = g_signal_connect(clock_, "after-paint", G_CALLBACK(+[](GdkFrameClock*, gpointer self) {
                                   static_cast<AfterPaint*>(self)->painted_();
                               }),
                               this);
    }
    ~AfterPaint() { g_signal_handler_disconnect(clock_, id_); }
    AfterPaint(const AfterPaint&) = delete;
    AfterPaint& operator=(const AfterPaint&) = delete;

private:
    GdkFrameClock* clock_;
    std::function<void()> painted_;
    gulong id_ = 0;
};

struct Timing {
    double seconds = 0, cpu = 0;
};

Timing timing(const Stopwatch& clock) { return {clock.seconds(), clock.cpuSeconds()}; }

// The median of each figure.
Timing median(const std::vector<Timing>& timings) {
    std::vector<double> seconds, cpu;
    for (const Timing& t : timings) {
        seconds.push_back(t.seconds);
        cpu.push_back(t.cpu);
    }
    return {median(seconds), median(cpu)};
}

// Wall time first, CPU time of the process beside it ("<name>_seconds", "<name>_cpu").
void report(const std::string& name, const Timing& t) {
    bench::report(name + "_seconds", t.seconds);
    bench::report(name + "_cpu", t.cpu);
}

// Runs `change`, then waits until the window has painted a frame after it.
Timing untilPainted(Gtk::Window& window, const std::function<void()>& change) {
    bool painted = false;
    const Stopwatch clock;
    change();
    AfterPaint afterPaint(window, [&] { painted = true; });
    window.queue_draw();
    spinUntil([&] { return painted; });
    return timing(clock);
}

}  // namespace

int main(int argc, char** argv) {
    const Stopwatch sinceStart;
    std::setlocale(LC_ALL, "");
    if (argc != 4 || std::string(argv[1]) != "--transcripts-home") {
        fmt::print(stderr, "Usage: talvessa-window-bench --transcripts-home HOME ROUNDS\n");
        return 2;
    }
    Paths::setTranscriptsHomeOverride(std::string(argv[2]));
    const int rounds = std::max(1, std::stoi(argv[3]));

    // The engine alone: its first build of the window's first list (This Week), and its memory.
    {
        const Stopwatch clock;
        auto browser = HeadlessBrowser::open(Date::now());
        if (!browser) return 1;
        browser->apply({.when = {"This Week"}});
        report("window_engine_launch", timing(clock));
        bench::report("window_engine_rss_mb", residentMegabytes());
    }

    MainThreadMessage::sharedThreadMessage();
    // A fresh user: no updater is started and no iChat offer stands over the window.
    if (!UserDefaults::standard().setObject("SUCheckForUpdates", false) ||
        !UserDefaults::standard().setObject("IChatDontShowAgain", true))
        return 1;
    const Stopwatch launchClock;
    auto application = Gtk::Application::create("orvane.Talvessa.Bench", Gio::Application::Flags::NON_UNIQUE);
    TalvController controller(application, {.scanTranscripts = false});
    application->register_application();
    application->activate();
    MainWindowController& window = *controller.windowController();
    ChatsColumnView& table = window.chatsTable();
    bool drawn = false;
    {
        AfterPaint afterPaint(window.window(), [&] { drawn = drawn || table.numberOfRows() > 0; });
        spinUntil([&] { return drawn; });
    }
    report("window_launch", timing(launchClock));
    report("window_process_start_to_rows", timing(sinceStart));

    // Filter changes: Links and All in turn, each rebuilt at once (the engine's 0.5-second delay
    // is the same with or without a window), against the rebuild alone.
    window.whenTable().selectRows({0});
    TalSQLiteDataSource& engine = *controller.ds();
    engine.refilter();
    std::vector<Timing> windowTimes, engineTimes;
    for (int r = 0; r < rounds; ++r) {
        for (std::size_t row : {std::size_t{2}, std::size_t{0}}) {
            Timing rebuild;
            windowTimes.push_back(untilPainted(window.window(), [&] {
                window.contTable().selectRows({row});
                const Stopwatch clock;
                engine.refilter();
                rebuild = timing(clock);
            }));
            engineTimes.push_back(rebuild);
        }
    }
    report("window_filter", median(windowTimes));
    report("window_filter_engine", median(engineTimes));
    bench::report("window_rows", static_cast<double>(table.numberOfRows()));

    // Scrolling from the top to the end, one screenful at a time.
    auto adjustment = table.widget().get_vadjustment();
    adjustment->set_value(0);
    untilPainted(window.window(), [] {});
    std::vector<Timing> screens;
    while (adjustment->get_value() + adjustment->get_page_size() < adjustment->get_upper() - 1) {
        screens.push_back(untilPainted(window.window(), [&] { adjustment->set_value(adjustment->get_value() + adjustment->get_page_size()); }));
    }
    bench::report("window_scroll_screens", static_cast<double>(screens.size()));
    report("window_scroll_screen", median(screens));
    // Baseline: the cells of one screenful read from the engine alone.
    const std::size_t rowsPerScreen = static_cast<std::size_t>(adjustment->get_page_size() / std::max(1.0, adjustment->get_upper() / std::max<double>(1, static_cast<double>(table.numberOfRows()))));
    const Stopwatch cells;
    for (std::size_t row = 0; row < rowsPerScreen && row < table.numberOfRows(); ++row) {
        for (const char* column : {"participants", "topic", "datestarted", "duration", "kind", "filename"}) engine.objectValue(std::string(column), row);
    }
    report("window_scroll_engine_screen", timing(cells));
    bench::report("window_rss_mb", residentMegabytes());
    controller.windowController()->window().set_visible(false);
    return 0;
}
