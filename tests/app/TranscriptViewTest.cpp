// Reading a chat in the window, under a virtual X server with the real web view: what a click in
// the page does, nothing fetched from the network, scroll positions, style and fonts, the source
// and the context menu, a chat that cannot be read, the picture viewer and printing to a PDF.
#include "app/ChatImageWindow.h"
#include "display/StyleBundle.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "store/OrvaneExtras.h"
#include "tests/app/WindowFixture.h"
#include "tests/display/PictureFixtures.h"
#include "tests/update/TestHttpServer.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <sqlite3.h>
#include <gdk/x11/gdkx.h>
#include <webkit/webkit.h>

#include <cstdio>
#include <fstream>

namespace fs = std::filesystem;

namespace talv::test {
namespace {

std::string run(const std::string& command) {
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
        pclose(pipe);
    }
    return output;
}

class TranscriptView : public WindowTest {
protected:
    std::string eval(const std::string& script) { return window().webView().evaluateWebScript(script).value_or("<undefined>"); }

    void click(const std::string& selector) {
        eval("document.querySelector('" + selector + "').click()");
        spinFor(0.3);
    }

    std::int64_t addPicture(int width, int height, const std::string& name) {
        EXPECT_EQ(archive->db().executeUpdate("INSERT INTO Images (ChatID, Data, Filename) VALUES (0, ?, ?)",
                                              {compressedData(makePicture(width, height)), name}),
                  SQLITE_OK);
        return archive->db().lastInsertRowId();
    }

    // A chat of these messages, and of a picture when `pictureID` is given.
    std::int64_t addChat(const std::string& subject, std::vector<Message> messages, std::optional<std::int64_t> pictureID = {}) {
        ChatRow chat;
        chat.subject = subject;
        chat.fileName = subject + ".ichat";
        chat.dateStarted = 1700000000.0 - 1000.0 * chats_++;  // the first added is listed first
        chat.messages = std::move(messages);
        const std::int64_t id = archive->add(chat);
        if (pictureID) {
            EXPECT_EQ(archive->db().executeUpdate("INSERT INTO Messages (ChatID, Number, Participant, Timestamp, Message, "
                                                  "FromMe, HasPicture, PictureID) VALUES (?, 1000, 'bob', ?, '', 0, 1, ?)",
                                                  {id, Date{chat.dateStarted}, *pictureID}),
                      SQLITE_OK);
        }
        return id;
    }

    static std::vector<Message> lines(int count) {
        std::vector<Message> messages;
        for (int i = 0; i < count; ++i) messages.push_back({i % 2 ? "bob" : "alice", "line " + std::to_string(i) + " of the chat"});
        return messages;
    }

    // A user style: the built-in default style with `header` added to its header.
    fs::path writeStyle(const std::string& name, const std::string& header) {
        const fs::path style = styles_.path() / (name + ".talStyle");
        fs::copy(builtInStylesDirectory() / "Default.talStyle", style, fs::copy_options::recursive);
        writeFile(style / "Contents" / "Resources" / "Header.html", "<link rel=\"stylesheet\" href=\"main.css\">" + header);
        return style;
    }

    void waitForPageText(const std::string& text) {
        spinUntil([&] { return window().isPageCurrent() && eval("document.body.innerText").find(text) != std::string::npos; });
    }

    int chats_ = 0;
    TempDir styles_;
};

TEST_F(TranscriptView, ClicksFollowThePolicyAndNothingIsFetchedFromTheNetwork) {
    TestHttpServer server([](const std::string&) { return HttpResponse{404, {}, "", true, 0, 0}; });
    const std::int64_t picture = addPicture(40, 30, "sunset.png");
    addChat("Pictures", {{"bob", "see http://example.com/page or mail ann@example.com"},
                         {"bob", "<img src=\"" + server.url("/message.png") + "\">"}},
            picture);
    const std::string anchors = "<a id=script href=\"javascript:document.title='ran'\">script</a> "
                                "<a id=file href=\"file:///etc/hostname\">file</a> "
                                "<a id=other href=\"gopher://example.com/\">other</a> "
                                "<img id=remote src=\"" + server.url("/style.png") + "\">"
                                "<style>body { background-image: url(" + server.url("/background.png") + "); }</style>";
    UserDefaults::standard().setObject("CustomChatStyle", writeStyle("Probe", anchors).string());
    launch();
    std::vector<std::string> opened;
    window().transcriptViewController().openURL = [&](const std::string& url) { opened.push_back(url); };
    selectRow(0);
    spinFor(0.5);
    EXPECT_EQ(server.requestedPaths(), std::vector<std::string>{}) << "a page fetches nothing from the network";
    EXPECT_EQ(eval("document.querySelectorAll('.talv-blocked').length"), "1") << "the style's remote picture is a placeholder";
    EXPECT_EQ(eval("document.body.innerText.includes('<img src=')"), "true") << "a message's markup is text";

    for (const char* ignored : {"#script", "#file", "#other"}) click(ignored);
    EXPECT_EQ(eval("document.title"), "") << "a javascript: link runs nothing";
    EXPECT_EQ(eval("document.getElementById('script') !== null"), "true") << "the page stays";
    EXPECT_TRUE(opened.empty());
    click("a[id^=_LINK-]");
    click("a[id^=_EMAIL-]");
    EXPECT_EQ(opened, (std::vector<std::string>{"http://example.com/page", "mailto:ann@example.com"}));

    click("a[id^=_IMAGE-]");
    ChatImageWindowController* viewer = ChatImageWindowController::openController(picture);
    ASSERT_NE(viewer, nullptr) << "a picture's thumbnail opens the viewer";
    auto& viewerWindow = dynamic_cast<ChatImageWindow&>(*viewer->window());
    EXPECT_EQ(std::string(viewerWindow.window().get_title()), "sunset.png");
    const fs::path file = viewer->tempFileName().value_or("");
    EXPECT_TRUE(fs::exists(file));
    click("a[id^=_IMAGE-]");
    EXPECT_EQ(ChatImageWindowController::openController(picture), viewer) << "one window per picture";
    viewerWindow.window().close();
    spinUntil([&] { return ChatImageWindowController::openController(picture) == nullptr; });
    EXPECT_FALSE(fs::exists(file)) << "the temporary file goes with the window";
    EXPECT_EQ(server.requestedPaths(), std::vector<std::string>{});
}

TEST_F(TranscriptView, TheViewerFitsThePictureIntoTheScreen) {
    launch();
    struct Case {
        int width, height;
        PictureSize window;
    };
    // The virtual screen is 1280 by 1024 with nothing on it: the work area is the whole screen.
    for (const Case& c : {Case{400, 200, {416, 232}}, Case{100, 300, {116, 332}}, Case{3000, 2500, {1040, 885}}}) {
        SCOPED_TRACE(c.width);
        ChatImageWindowController& viewer = openChatImageWindow(addPicture(c.width, c.height, "picture.png"));
        auto& shown = dynamic_cast<ChatImageWindow&>(*viewer.window());
        EXPECT_EQ(shown.visibleScreenFrame(), (PictureSize{1280, 1024}));
        int width = 0, height = 0;
        shown.window().get_default_size(width, height);
        EXPECT_EQ((PictureSize{width, height}), c.window);
        spinUntil([&] { return shown.picture().get_width() > 0; });
        EXPECT_LE(shown.picture().get_width(), c.window.width) << "the picture is scaled to fit";
        EXPECT_EQ(shown.representedFile(), viewer.tempFileName());
        const fs::path file = *viewer.tempFileName();
        shown.window().close();
        spinUntil([&] { return !fs::exists(file); });
    }
}

TEST_F(TranscriptView, PositionsStyleFontsAndTheSourceFollowThePreferences) {
    const std::int64_t longChat = addChat("Long", lines(200));
    const std::int64_t shortChat = addChat("Short", {{"bob", "a short one <b>bold</b>"}});
    launch();
    MainWindowController& w = window();
    TalTranscriptViewController& view = w.transcriptViewController();
    selectRow(0);
    ASSERT_EQ(view.currentChatID(), longChat);
    eval("window.scrollTo(0, 600)");
    spinUntil([&] { return w.webView().documentVisibleOrigin() == ScrollPoint{0, 600}; });

    // Another chat, no chat, a search: coming back shows the long chat where it was left.
    selectRow(1);
    waitForPageText("a short one");
    EXPECT_EQ(eval("window.scrollY"), "0");
    controller->state().setSelectedChatID(std::nullopt);
    waitForPageText("No chat transcript is selected.");
    EXPECT_EQ(view.currentChatID(), shortChat) << "the no-selection page leaves the current chat";
    controller->state().setSelectedChatID(longChat);
    waitForPageText("line 199");
    spinUntil([&] { return eval("window.scrollY") == "600"; });
    controller->state().setSearchText("line 3");
    spinUntil([&] { return w.isPageCurrent() && eval("document.querySelectorAll('.highlighted_word').length") != "0"; });
    spinUntil([&] { return eval("window.scrollY") == "600"; });
    controller->state().setSearchText("");

    // A chosen style that is gone falls back to the built-in style of its name.
    UserDefaults& defaults = UserDefaults::standard();
    defaults.setObject("CustomChatStyle", "/no/such/folder/Compact.talStyle");
    spinUntil([&] { return w.isPageCurrent() && eval("document.querySelector('base').href").find("/Compact.talStyle/") != std::string::npos; });
    EXPECT_EQ(view.stylePath(), builtInStylesDirectory() / "Compact.talStyle");

    // The font keys win over the style's; without them the style's own apply again.
    WebKitSettings* settings = webkit_web_view_get_settings(w.webView().webView());
    EXPECT_STREQ(webkit_settings_get_default_font_family(settings), "DejaVu Sans");
    const std::string compactBody = eval("getComputedStyle(document.body).fontSize");
    defaults.setObject("FontName", "DejaVu Serif");
    defaults.setObject("FontSize", 20);
    EXPECT_STREQ(webkit_settings_get_default_font_family(settings), "DejaVu Serif");
    EXPECT_EQ(webkit_settings_get_default_font_size(settings), webkit_settings_font_size_to_pixels(20));
    spinUntil([&] { return w.isPageCurrent() && eval("getComputedStyle(document.body).fontSize") != compactBody; });
    defaults.removeObjectForKey("FontName");
    EXPECT_STREQ(webkit_settings_get_default_font_family(settings), "DejaVu Sans");
    EXPECT_EQ(webkit_settings_get_default_font_size(settings), webkit_settings_font_size_to_pixels(12)) << "Compact's size";
    spinUntil([&] { return w.isPageCurrent() && eval("getComputedStyle(document.body).fontSize") == compactBody; });

    // The source of the page, escaped: the markup shows as text and nothing in it runs.
    controller->state().setSelectedChatID(shortChat);
    waitForPageText("a short one");
    view.showHTMLSource();
    spinUntil([&] { return !w.webView().isLoading() && eval("document.querySelectorAll('code').length") == "1"; });
    const std::string source = eval("document.body.innerText");
    EXPECT_EQ(source.rfind("<!DOCTYPE html>", 0), 0u) << source.substr(0, 80);
    EXPECT_NE(source.find("a short one &lt;b&gt;bold&lt;/b&gt;"), std::string::npos);
    EXPECT_EQ(eval("document.scripts.length"), "0");
    EXPECT_EQ(eval("typeof getActiveAnchor"), "undefined");
}

TEST_F(TranscriptView, TheContextMenuOffersCopyLinkReloadAndTheSource) {
    addChat("Links", {{"bob", "see http://example.com/page"}});
    launch();
    selectRow(0);
    MainWindowController& w = window();

    struct Seen {
        std::vector<WebKitContextMenuAction> actions;
        std::vector<GAction*> gactions;
    } seen;
    const gulong handler = g_signal_connect(w.webView().webView(), "context-menu",
                                            G_CALLBACK(+[](WebKitWebView*, WebKitContextMenu* menu, WebKitHitTestResult*, gpointer data) {
                                                auto* seen = static_cast<Seen*>(data);
                                                for (GList* item = webkit_context_menu_get_items(menu); item; item = item->next) {
                                                    auto* menuItem = WEBKIT_CONTEXT_MENU_ITEM(item->data);
                                                    seen->actions.push_back(webkit_context_menu_item_get_stock_action(menuItem));
                                                    GAction* action = webkit_context_menu_item_get_gaction(menuItem);
                                                    seen->gactions.push_back(action ? G_ACTION(g_object_ref(action)) : nullptr);
                                                }
                                                return TRUE;  // no popup under test
                                            }),
                                            &seen);
    // A right click on the link, as the user makes it.
    const std::string box = eval("(() => { const r = document.querySelector('a[id^=_LINK-]').getBoundingClientRect();"
                                 " return Math.round(r.left + r.width / 2) + ' ' + Math.round(r.top + r.height / 2); })()");
    int x = 0, y = 0;
    ASSERT_EQ(std::sscanf(box.c_str(), "%d %d", &x, &y), 2);
    graphene_point_t inWindow;
    const graphene_point_t inView = GRAPHENE_POINT_INIT(static_cast<float>(x), static_cast<float>(y));
    ASSERT_TRUE(gtk_widget_compute_point(GTK_WIDGET(w.webView().webView()), GTK_WIDGET(w.window().gobj()), &inView, &inWindow));
    double surfaceX = 0, surfaceY = 0;
    gtk_native_get_surface_transform(GTK_NATIVE(w.window().gobj()), &surfaceX, &surfaceY);
    const auto xid = gdk_x11_surface_get_xid(w.window().get_surface()->gobj());
    run("xdotool mousemove --window " + std::to_string(xid) + " " + std::to_string(static_cast<int>(inWindow.x + surfaceX)) + " " +
        std::to_string(static_cast<int>(inWindow.y + surfaceY)) + " click 3");
    spinUntil([&] { return !seen.actions.empty(); });
    g_signal_handler_disconnect(w.webView().webView(), handler);

    ASSERT_EQ(seen.actions.size(), 3u);
    EXPECT_EQ(seen.actions[0], WEBKIT_CONTEXT_MENU_ACTION_COPY_LINK_TO_CLIPBOARD);
    EXPECT_EQ(seen.actions[1], WEBKIT_CONTEXT_MENU_ACTION_CUSTOM);
    EXPECT_EQ(seen.actions[2], WEBKIT_CONTEXT_MENU_ACTION_CUSTOM);
    // The third shows the source; the second (Reload) renders the chat again.
    g_action_activate(seen.gactions[2], nullptr);
    spinUntil([&] { return !w.webView().isLoading() && eval("document.querySelectorAll('code').length") == "1"; });
    g_action_activate(seen.gactions[1], nullptr);
    waitForPageText("see http://example.com/page");
    EXPECT_EQ(eval("document.querySelectorAll('code').length"), "0");
    for (GAction* action : seen.gactions) g_clear_object(&action);
}

TEST_F(TranscriptView, AChatThatCannotBeReadIsTriedOnceMoreAndThenSaysSo) {
    addChat("Hello", {{"bob", "hello there"}});
    launch();
    selectRow(0);
    waitForPageText("hello there");
    LogCapture log;
    ASSERT_EQ(archive->db().executeUpdate("ALTER TABLE Messages RENAME TO Elsewhere"), SQLITE_OK);
    window().transcriptViewController().reload();
    waitForPageText("This chat transcript cannot be shown");
    spinFor(0.3);
    std::size_t failures = 0;
    for (const std::string& line : log.lines()) failures += line.rfind("Cannot render the chat", 0) == 0;
    EXPECT_EQ(failures, 2u) << "tried twice, then no more";

    ASSERT_EQ(archive->db().executeUpdate("ALTER TABLE Elsewhere RENAME TO Messages"), SQLITE_OK);
    window().transcriptViewController().reload();
    waitForPageText("hello there");
}

// The printed picture's colour: the probe style paints the whole page with it.
bool isPageColour(const guchar* pixel) { return std::abs(pixel[0] - 48) < 8 && std::abs(pixel[1] - 96) < 8 && std::abs(pixel[2] - 192) < 8; }

struct PrintedPage {
    int pages = 0;
    int colouredWidth = 0;  // in points, from the first to the last pixel of the colour across the first page
};

PrintedPage readPDF(const fs::path& pdf) {
    PrintedPage printed;
    if (const char* keep = std::getenv("KEEP_PDF")) fs::copy_file(pdf, fs::path(keep) / pdf.filename(), fs::copy_options::overwrite_existing);
    const std::string info = run("pdfinfo '" + pdf.string() + "'");
    std::sscanf(info.c_str() + std::min(info.size(), info.find("Pages:")), "Pages: %d", &printed.pages);
    const fs::path raster = pdf.parent_path() / "page";
    run("pdftoppm -r 72 -f 1 -l 1 -singlefile -png '" + pdf.string() + "' '" + raster.string() + "'");
    GdkPixbuf* page = gdk_pixbuf_new_from_file((raster.string() + ".png").c_str(), nullptr);
    if (!page) return printed;
    const int channels = gdk_pixbuf_get_n_channels(page), stride = gdk_pixbuf_get_rowstride(page);
    const guchar* row = gdk_pixbuf_get_pixels(page) + static_cast<std::ptrdiff_t>(gdk_pixbuf_get_height(page) / 3) * stride;
    int first = -1, last = -1;
    for (int x = 0; x < gdk_pixbuf_get_width(page); ++x) {
        if (!isPageColour(row + x * channels)) continue;
        if (first < 0) first = x;
        last = x;
    }
    printed.colouredWidth = first < 0 ? 0 : last - first + 1;
    g_object_unref(page);
    return printed;
}

TEST_F(TranscriptView, PrintsTheWholeChatAtThePrintableWidthOfThePaper) {
    addChat("Long", lines(150));
    UserDefaults::standard().setObject("CustomChatStyle",
                                       writeStyle("Blue", "<style>html, body { background: rgb(48, 96, 192) !important; }</style>").string());
    launch();
    selectRow(0);
    MainWindowController& w = window();
    EXPECT_TRUE(w.action("print")->get_enabled());
    const double printable = Gtk::PageSetup::create()->get_page_width(Gtk::Unit::POINTS);
    const TempDir out;

    ASSERT_EQ(w.printer().print(w.window(), Gtk::PrintOperation::Action::EXPORT, (out / "chat.pdf").string()),
              Gtk::PrintOperation::Result::APPLY);
    const PrintedPage full = readPDF(out / "chat.pdf");
    EXPECT_GE(full.pages, 2) << "a long chat takes several pages";
    EXPECT_NEAR(full.colouredWidth, printable, 2.0);

    // At half the scale the page is laid out twice as wide: fewer pages, the same printed width.
    w.printer().settings()->set_scale(50);
    ASSERT_EQ(w.printer().print(w.window(), Gtk::PrintOperation::Action::EXPORT, (out / "half.pdf").string()),
              Gtk::PrintOperation::Result::APPLY);
    const PrintedPage half = readPDF(out / "half.pdf");
    EXPECT_LT(half.pages, full.pages);
    EXPECT_NEAR(half.colouredWidth, printable, 2.0);

    controller->state().setSelectedChatID(std::nullopt);
    EXPECT_FALSE(w.action("print")->get_enabled()) << "printing needs a chat";
}

}  // namespace
}  // namespace talv::test
