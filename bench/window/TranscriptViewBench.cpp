// talvessa-view-bench: reading a chat in the window against the renderer alone, in one process
// under a virtual X server, on the archive of the XDG folders in the environment:
//   typical, largest: a selection change to the chat's page loaded and the window painted after
//     it (a chat of median length, the largest chat); baselines: rendering the same page alone,
//     and (largest) loading the rendered page straight into the web view
//   burst: 20 selection changes 50 ms apart, to the last chat's page loaded and painted (from the
//     first change and from the last)
//   memory: resident set of the web process after the first chat, and after 200 chats shown in a row
// Wall times: the page is laid out and drawn in the web process, outside this process's CPU time.
// Usage: talvessa-view-bench --transcripts-home HOME ROUNDS
#include "app/TalvController.h"
#include "bench/Report.h"
#include "bench/Stopwatch.h"
#include "display/TranscriptPage.h"
#include "platform/MainThreadMessage.h"
#include "platform/Paths.h"
#include "store/TalvDatabase.h"

#include <fmt/format.h>
#include <gdkmm/frameclock.h>
#include <glibmm/main.h>
#include <webkit/webkit.h>

#include <algorithm>
#include <clocale>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace talv;
using namespace talv::bench;

namespace {

constexpr int kBurstChanges = 20;
constexpr int kBurstIntervalMs = 50;
constexpr int kChatsInARow = 200;

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

void spinUntil(const std::function<bool()>& done) {
    while (!done()) g_main_context_iteration(nullptr, TRUE);
}

void spinFor(int milliseconds) {
    bool over = false;
    Glib::signal_timeout().connect_once([&] { over = true; }, milliseconds);
    spinUntil([&] { return over; });
}

// The field of /proc/PID/status (in kB), or -1.
long statusField(const std::string& pid, const std::string& field) {
    std::ifstream status("/proc/" + pid + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(field + ":", 0) == 0) return std::stol(line.substr(field.size() + 1));
    }
    return -1;
}

// The resident set of the web processes that descend from this one (through the sandbox), in MB.
double webProcessMegabytes() {
    const std::string self = std::to_string(getpid());
    auto descends = [&](std::string pid) {
        for (int depth = 0; depth < 8 && pid != "0" && pid != "1"; ++depth) {
            const long parent = statusField(pid, "PPid");
            if (parent < 0) return false;
            pid = std::to_string(parent);
            if (pid == self) return true;
        }
        return false;
    };
    double kilobytes = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string pid = entry.path().filename();
        if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream comm(entry.path() / "comm");
        std::string name;
        std::getline(comm, name);
        if (name.rfind("WebKitWebProces", 0) == 0 && descends(pid)) kilobytes += static_cast<double>(std::max(0L, statusField(pid, "VmRSS")));
    }
    return kilobytes / 1024;
}

std::optional<std::int64_t> chatAt(TalvDatabase& store, const char* sql) {
    auto rs = store.db().executeQuery(sql);
    if (!rs || !rs->next()) return std::nullopt;
    return rs->int64ForColumn("ChatID");
}

// The renderer alone: the median wall time of rendering the chat's page.
double renderAlone(std::int64_t chatID, int rounds) {
    const std::filesystem::path style = chooseStyle(std::nullopt);
    std::vector<double> seconds;
    for (int r = 0; r < rounds; ++r) {
        const Stopwatch clock;
        if (!renderTranscriptPage(chatID, "", style)) return -1;
        seconds.push_back(clock.seconds());
    }
    return median(seconds);
}

// Selects chats in the window and waits until their pages are shown.
class Reader {
public:
    explicit Reader(TalvController& controller) : controller_(controller), window_(*controller.windowController()) {
        // A load that finishes while no newer request waits is the selected chat's page.
        loads_ = g_signal_connect(window_.webView().webView(), "load-changed", G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent event, gpointer self) {
                                      auto* reader = static_cast<Reader*>(self);
                                      if (event == WEBKIT_LOAD_FINISHED && reader->window_.transcriptViewController().isPageCurrent()) ++reader->shown_;
                                  }),
                                  this);
        spinUntil([&] { return window_.isPageCurrent(); });
    }
    ~Reader() { g_signal_handler_disconnect(window_.webView().webView(), loads_); }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    void select(std::optional<std::int64_t> chatID) {
        if (controller_.state().selectedChatID() == chatID) return;  // nothing changes
        selectedAt_ = shown_;
        controller_.state().setSelectedChatID(chatID);
    }

    // Until the selected chat's page has finished loading and the window has painted after it.
    void waitUntilShown() {
        spinUntil([&] { return shown_ > selectedAt_ && window_.isPageCurrent(); });
        bool painted = false;
        GdkFrameClock* clock = window_.window().get_frame_clock()->gobj();
        const gulong handler = g_signal_connect(clock, "after-paint", G_CALLBACK(+[](GdkFrameClock*, gpointer done) {
                                                    *static_cast<bool*>(done) = true;
                                                }),
                                                &painted);
        window_.window().queue_draw();
        spinUntil([&] { return painted; });
        g_signal_handler_disconnect(clock, handler);
    }

    // Loads a page straight into the web view, past the transcript view, and waits until it is shown.
    double load(const std::string& html) {
        const Stopwatch clock;
        selectedAt_ = shown_;
        window_.webView().loadHTMLString(html);
        waitUntilShown();
        return clock.seconds();
    }

    double show(std::optional<std::int64_t> chatID) {
        const Stopwatch clock;
        select(chatID);
        waitUntilShown();
        return clock.seconds();
    }

    std::optional<std::int64_t> shownChat() { return window_.transcriptViewController().currentChatID(); }

private:
    TalvController& controller_;
    MainWindowController& window_;
    gulong loads_ = 0;
    unsigned shown_ = 1, selectedAt_ = 0;  // the page shown at launch counts as shown
};

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    if (argc != 4 || std::string(argv[1]) != "--transcripts-home") {
        fmt::print(stderr, "Usage: talvessa-view-bench --transcripts-home HOME ROUNDS\n");
        return 2;
    }
    Paths::setTranscriptsHomeOverride(std::string(argv[2]));
    const int rounds = std::max(1, std::stoi(argv[3]));

    auto store = TalvDatabase::open();
    if (!store) return 1;
    const auto largest = chatAt(*store, "SELECT ChatID FROM Messages GROUP BY ChatID ORDER BY COUNT(*) DESC LIMIT 1;");
    const auto typical = chatAt(*store, "SELECT ChatID FROM Messages GROUP BY ChatID ORDER BY COUNT(*) LIMIT 1 "
                                        "OFFSET (SELECT COUNT(DISTINCT ChatID) FROM Messages) / 2;");
    std::vector<std::int64_t> inARow;
    if (auto rs = store->db().executeQuery("SELECT ROWID AS ChatID FROM Chats WHERE Deleted = 0 ORDER BY ROWID LIMIT ?;", {kChatsInARow})) {
        while (rs->next()) inARow.push_back(rs->int64ForColumn("ChatID"));
    }
    if (!largest || !typical || inARow.size() < static_cast<std::size_t>(kBurstChanges)) return 1;

    report("view_render_typical_seconds", renderAlone(*typical, rounds));
    report("view_render_largest_seconds", renderAlone(*largest, rounds));

    MainThreadMessage::sharedThreadMessage();
    auto application = Gtk::Application::create("orvane.Talvessa.ViewBench", Gio::Application::Flags::NON_UNIQUE);
    TalvController controller(application, {.scanTranscripts = false});
    application->register_application();
    application->activate();
    Reader reader(controller);
    reader.show(inARow.front());
    spinFor(500);  // the web process settles after its first page
    report("view_web_rss_first_mb", webProcessMegabytes());

    for (const auto& [name, chat] : {std::pair{"view_typical", *typical}, std::pair{"view_largest", *largest}}) {
        std::vector<double> seconds;
        for (int r = 0; r < rounds; ++r) {
            reader.show(std::nullopt);
            seconds.push_back(reader.show(chat));
        }
        report(std::string(name) + "_seconds", median(seconds));
    }

    // The web view alone: the largest chat's page, rendered beforehand, loaded in place of the
    // no-selection page.
    {
        const std::filesystem::path style = chooseStyle(std::nullopt);
        const std::string none = renderTranscriptPage(std::nullopt, "", style).value_or("");
        const std::string page = renderTranscriptPage(*largest, "", style).value_or("");
        std::vector<double> seconds;
        for (int r = 0; r < rounds; ++r) {
            reader.load(none);
            seconds.push_back(reader.load(page));
        }
        reader.show(std::nullopt);
        report("view_webkit_largest_seconds", median(seconds));
    }

    std::vector<double> fromFirst, fromLast;
    for (int r = 0; r < rounds; ++r) {
        reader.show(std::nullopt);
        const Stopwatch burst;
        std::optional<std::int64_t> last;
        Stopwatch sinceLast;
        for (int change = 0; change < kBurstChanges; ++change) {
            if (change > 0) spinFor(kBurstIntervalMs);
            last = inARow[static_cast<std::size_t>(change + r) % inARow.size()];
            sinceLast = Stopwatch();
            reader.select(last);
        }
        reader.waitUntilShown();
        if (reader.shownChat() != last) return 1;
        fromFirst.push_back(burst.seconds());
        fromLast.push_back(sinceLast.seconds());
    }
    report("view_burst_seconds", median(fromFirst));
    report("view_burst_after_last_seconds", median(fromLast));

    for (std::int64_t chat : inARow) reader.show(chat);
    spinFor(500);
    report("view_chats_in_a_row", static_cast<double>(inARow.size()));
    report("view_web_rss_after_mb", webProcessMegabytes());
    controller.windowController()->window().set_visible(false);
    return 0;
}
