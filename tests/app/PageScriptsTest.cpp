// Rendered transcripts in WebKitGTK: the page scripts step through the anchors, style resources
// resolve through the page's base, and nothing in a transcript runs as script.
// Set TALV_SCREENSHOT_DIR to keep a picture of each style, light and dark.
#include "display/StyleBundle.h"
#include "display/TalTemplatizer.h"
#include "platform/UserDefaults.h"
#include "tests/display/PictureFixtures.h"
#include "tests/display/TranscriptFixture.h"

#include <gtest/gtest.h>
#include <webkit/webkit.h>

#include <cstdlib>

namespace fs = std::filesystem;

namespace talv {
namespace {

// One web view in a window, driven synchronously by spinning the main loop.
class PageView {
public:
    PageView() {
        window_ = GTK_WINDOW(gtk_window_new());
        view_ = WEBKIT_WEB_VIEW(webkit_web_view_new());
        gtk_window_set_child(window_, GTK_WIDGET(view_));
        gtk_window_set_default_size(window_, 720, 560);
        gtk_window_present(window_);
        g_signal_connect(view_, "load-changed", G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent event, gpointer self) {
                             if (event == WEBKIT_LOAD_FINISHED) static_cast<PageView*>(self)->loaded_ = true;
                         }),
                         this);
    }
    ~PageView() { gtk_window_destroy(window_); }

    // The GTK shell loads pages with a file base so that file resources may load at all; the
    // page's own base element then decides where relative references go.
    void load(const std::string& html) {
        loaded_ = false;
        webkit_web_view_load_html(view_, html.c_str(), "file:///");
        spinUntil([&] { return loaded_; });
    }

    // The script's result as text, or none for undefined.
    std::optional<std::string> eval(const std::string& script) {
        struct Call {
            bool done = false;
            std::optional<std::string> result;
        } call;
        webkit_web_view_evaluate_javascript(
            view_, script.c_str(), -1, nullptr, nullptr, nullptr,
            +[](GObject* view, GAsyncResult* result, gpointer data) {
                auto* call = static_cast<Call*>(data);
                GError* error = nullptr;
                JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(view), result, &error);
                if (error) {
                    call->result = std::string("error: ") + error->message;
                    g_error_free(error);
                } else {
                    if (!jsc_value_is_undefined(value)) {
                        char* text = jsc_value_to_string(value);
                        call->result = text;
                        g_free(text);
                    }
                    g_object_unref(value);
                }
                call->done = true;
            },
            &call);
        spinUntil([&] { return call.done; });
        return call.result;
    }

    std::string evalText(const std::string& script) { return eval(script).value_or("<undefined>"); }

    // Waits until every picture and style sheet of the page has loaded.
    void waitForResources() {
        spinUntil([&] { return evalText("document.readyState") == "complete" && evalText("Array.from(document.images).every(i => i.complete)") == "true"; });
        pause(150);
    }

    void screenshot(const fs::path& file) {
        struct Call {
            bool done = false;
            const fs::path* file;
        } call{false, &file};
        webkit_web_view_get_snapshot(
            view_, WEBKIT_SNAPSHOT_REGION_VISIBLE, WEBKIT_SNAPSHOT_OPTIONS_NONE, nullptr,
            +[](GObject* view, GAsyncResult* result, gpointer data) {
                auto* call = static_cast<Call*>(data);
                if (GdkTexture* texture = webkit_web_view_get_snapshot_finish(WEBKIT_WEB_VIEW(view), result, nullptr)) {
                    gdk_texture_save_to_png(texture, call->file->c_str());
                    g_object_unref(texture);
                }
                call->done = true;
            },
            &call);
        spinUntil([&] { return call.done; });
    }

    void pause(int milliseconds) {
        gint64 until = g_get_monotonic_time() + milliseconds * 1000;
        while (g_get_monotonic_time() < until) g_main_context_iteration(nullptr, FALSE);
    }

private:
    template <typename Done>
    void spinUntil(Done done) {
        gint64 deadline = g_get_monotonic_time() + 30 * G_USEC_PER_SEC;
        while (!done() && g_get_monotonic_time() < deadline) g_main_context_iteration(nullptr, TRUE);
        ASSERT_TRUE(done()) << "the web view did not answer";
    }

    GtkWindow* window_ = nullptr;
    WebKitWebView* view_ = nullptr;
    bool loaded_ = false;
};

class PageScriptsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY")) displayReady = gtk_init_check();
    }

    void SetUp() override {
        if (!displayReady) GTEST_SKIP() << "no display: run under xvfb-run";
        fixture.addIdentity("ann@example.com", "ANN:ABPerson", "Ann Example");
        fixture.addIdentity("me@example.com", "ME:ABPerson", "Sam Sample");
    }

    std::int64_t conversation() {
        std::int64_t picture = fixture.addImage(test::makePicture(400, 200, "tiff"), "sunset.tiff");
        return fixture.addChat({
            {"ann@example.com", "Morning! The photos are at www.example.com/album and the notes at http://example.org/n?id=4.", false, 1700000000},
            {"ann@example.com", "Did you get them?", false, 1700000030},
            {"me@example.com", "Got them, thanks. Mail the rest to sam@example.net", true, 1700000100},
            {"me@example.com", "Here is the one I liked", true, 1700000160, picture},
            {"", "Ann Example went away", false, 1700000300},
            {"ann@example.com", "Lovely photo! Let us print the photos for the album.", false, 1700000400},
        });
    }

    static std::vector<fs::path> builtInStyles() {
        return {builtInStylesDirectory() / "Default.talStyle", builtInStylesDirectory() / "Compact.talStyle",
                builtInStylesDirectory() / "Bubbles.talStyle"};
    }

    std::string render(std::int64_t chat, const fs::path& style, std::string_view search = "") {
        TalTemplatizer renderer(style);
        return renderer.renderChat(chat, fixture.db(), fixture.cache(), search).value_or("");
    }

    static inline bool displayReady = false;
    test::TranscriptFixture fixture;
};

TEST_F(PageScriptsTest, StepsThroughTheAnchors) {
    std::int64_t chat = conversation();
    PageView view;
    view.load(render(chat, defaultStylePath(), "photo"));
    std::string ids = view.evalText(
        "Array.from(document.getElementsByTagName('a')).map(a => a.id).filter(id => /^_(LINK|EMAIL|IMAGE|TEXT)-/.test(id)).join(' ')");
    std::vector<std::string> anchors;
    for (std::size_t at = 0, end; at < ids.size(); at = end + 1) {
        end = ids.find(' ', at);
        if (end == std::string::npos) end = ids.size();
        anchors.push_back(ids.substr(at, end - at));
    }
    // Two links, an e-mail address, a picture and three search matches.
    ASSERT_EQ(anchors.size(), 7u) << ids;

    EXPECT_EQ(view.eval("getActiveAnchor();"), std::nullopt);
    for (const std::string& id : anchors) {
        view.eval("cleanActiveAnchor(); jumpToAnchor('" + id + "');");
        EXPECT_EQ(view.eval("getActiveAnchor();"), id);
        EXPECT_EQ(view.evalText("document.querySelectorAll('.talv-active').length"), "1");
        EXPECT_EQ(view.evalText("document.getElementById('" + id + "').classList.contains('talv-active')"), "true");
    }
    view.eval("jumpToAnchor('no-such-anchor');");
    EXPECT_EQ(view.eval("getActiveAnchor();"), anchors.back());
    view.eval("cleanActiveAnchor();");
    EXPECT_EQ(view.eval("getActiveAnchor();"), std::nullopt);
    EXPECT_EQ(view.evalText("document.querySelectorAll('.talv-active').length"), "0");
}

TEST_F(PageScriptsTest, JumpingScrollsTheAnchorIntoView) {
    std::vector<test::StoredMessage> messages;
    for (int i = 0; i < 80; ++i) messages.push_back({i % 3 ? "ann@example.com" : "me@example.com", "line " + std::to_string(i), i % 3 == 0, 1700000000.0 + i});
    messages.push_back({"ann@example.com", "last: www.example.com", false, 1700001000});
    std::int64_t chat = fixture.addChat(messages);
    PageView view;
    view.load(render(chat, defaultStylePath()));
    EXPECT_EQ(view.evalText("window.scrollY"), "0");
    std::string id = view.evalText("document.querySelector('a[id^=_LINK-]').id");
    view.eval("jumpToAnchor('" + id + "');");
    view.pause(100);
    EXPECT_NE(view.evalText("window.scrollY"), "0");
    EXPECT_EQ(view.evalText("(() => { const r = document.getElementById('" + id + "').getBoundingClientRect(); return r.top >= 0 && r.bottom <= window.innerHeight; })()"), "true");
}

TEST_F(PageScriptsTest, StyleResourcesResolveThroughTheBase) {
    std::int64_t chat = conversation();
    PageView view;
    for (const fs::path& style : builtInStyles()) {
        SCOPED_TRACE(style.filename().string());
        view.load(render(chat, style, "photo"));
        view.waitForResources();
        // The style sheet next to the fragments applies.
        EXPECT_EQ(view.evalText("Array.from(document.styleSheets).some(s => s.href && s.href.endsWith('/main.css'))"), "true");
        EXPECT_NE(view.evalText("getComputedStyle(document.body).backgroundColor"), "rgba(0, 0, 0, 0)");
        EXPECT_NE(view.evalText("getComputedStyle(document.body).paddingLeft"), "0px");
        // Every picture loads: the style's icons and the inline picture (a TIFF shown as PNG).
        EXPECT_EQ(view.evalText("Array.from(document.images).every(i => i.naturalWidth > 0)"), "true");
        EXPECT_EQ(view.evalText("document.querySelector('a[id^=_IMAGE-] img').naturalWidth"), "400");
        if (const char* dir = std::getenv("TALV_SCREENSHOT_DIR")) {
            view.eval("jumpToAnchor(document.querySelector('a[id^=_TEXT-]').id);");
            view.screenshot(fs::path(dir) / (style.stem().string() + "-light.png"));
            g_object_set(gtk_settings_get_default(), "gtk-application-prefer-dark-theme", TRUE, nullptr);
            view.pause(300);
            view.screenshot(fs::path(dir) / (style.stem().string() + "-dark.png"));
            g_object_set(gtk_settings_get_default(), "gtk-application-prefer-dark-theme", FALSE, nullptr);
        }
    }
}

TEST_F(PageScriptsTest, ATranscriptCannotRunScript) {
    fixture.addIdentity("mallory", "MALLORY", "<img src=x onerror=\"window.injected='name'\"><script>window.injected='name2'</script>");
    std::int64_t chat = fixture.addChat({
        {"mallory", "<script>window.injected = 'script'</script>"},
        {"mallory", "<img src=nowhere onerror=\"window.injected='handler'\">"},
        {"mallory", "javascript://www.example.com/%0Awindow.injected='link' \"><svg onload=\"window.injected='svg'\">"},
        {"mallory", "x@example.com\" onmouseover=\"window.injected='mail'"},
    });
    PageView view;
    for (const fs::path& style : builtInStyles()) {
        SCOPED_TRACE(style.filename().string());
        view.load(render(chat, style, "injected"));
        view.waitForResources();
        EXPECT_EQ(view.evalText("typeof window.injected"), "undefined");
        // Only the page's own script element exists; the text shows as written.
        EXPECT_EQ(view.evalText("document.scripts.length"), "1");
        EXPECT_EQ(view.evalText("document.querySelectorAll('[onerror],[onload],[onmouseover]').length"), "0");
        EXPECT_EQ(view.evalText("document.body.innerText.includes(\"<script>window.injected = 'script'</script>\")"), "true");
    }
}

}  // namespace
}  // namespace talv
