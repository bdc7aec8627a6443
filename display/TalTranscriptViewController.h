#pragma once
// Shows the selected chat in the main window's web view. Every change of the selected chat, the
// search text or the display preferences queues a render request for the render thread; the
// finished page comes back through the main thread's message port and is loaded there. It
// chooses the message style ("CustomChatStyle") and the fonts ("FontName", "FontSize", else the
// style's own), keeps each chat's scroll position while the program runs, decides what a click in
// the page does, trims the context menu and shows the page's HTML source.
// Main thread only (the render thread is its own). REQUIRES: MainThreadMessage::sharedThreadMessage()
// was made on the main thread, whose loop must run for pages to arrive.
#include "display/TranscriptRenderThread.h"
#include "display/TranscriptWebView.h"
#include "platform/ObserverToken.h"
#include "platform/UserDefaults.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace talv {

class TalTemplatizer;

class TalTranscriptViewController : public TranscriptWebViewDelegate {
public:
    struct Outlets {
        TranscriptWebView& webView;
        UserDefaults& defaults;
        // The application controller's selected chat (none when no single chat is selected) and
        // search text.
        std::function<std::optional<std::int64_t>()> selectedChatID;
        std::function<std::string()> searchText;
    };

    explicit TalTranscriptViewController(Outlets outlets);
    // Stops the render thread (a running render ends first); pages still on their way are dropped.
    ~TalTranscriptViewController() override;
    TalTranscriptViewController(const TalTranscriptViewController&) = delete;
    TalTranscriptViewController& operator=(const TalTranscriptViewController&) = delete;

    // Where clicks in the page lead: the picture viewer for a picture ID, and the user's default
    // application for a web or mail URL.
    std::function<void(std::int64_t pictureID)> openChatImage;
    std::function<void(const std::string& url)> openURL;

    // Chooses the style and fonts, observes the display preferences and starts the render thread.
    void awakeFromNib();
    // Re-reads style and fonts, keeps the current position and renders the selected chat again.
    void reload();
    // Shows the HTML source of the selected chat's page (rendered at once, on this thread).
    void showHTMLSource();
    // The application controller's "selectedChatID" or "searchText" changed (the preference keys
    // are observed here).
    void observeValueForKeyPath(std::string_view keyPath);

    TranscriptWebView& webView() { return webView_; }
    std::optional<std::int64_t> currentChatID() const { return currentChatID_; }
    void setCurrentChatID(std::optional<std::int64_t> chatID) { currentChatID_ = chatID; }
    // The style the current renderer was made for.
    const std::filesystem::path& stylePath() const { return stylePath_; }
    // Whether the page of the latest request has been handed to the web view.
    bool isPageCurrent() const { return committed_ == queued_; }

    void initTemplatizer();
    void storeOldPositionInChat(std::optional<std::int64_t> chatID);
    void scrollToOldPositionInChat(std::optional<std::int64_t> chatID);

    NavigationPolicy decidePolicyForNavigationAction(NavigationType type, const std::string& requestURL) override;
    void didFinishLoadForFrame() override;
    std::vector<ContextMenuItem> contextMenuItemsForElement(const std::vector<ContextMenuItem>& defaultMenuItems) override;

private:
    void applyFonts();
    void queueRenderRequest();
    void renderChatCommit(RenderedPage page);

    TranscriptWebView& webView_;
    UserDefaults& defaults_;
    std::function<std::optional<std::int64_t>()> selectedChatID_;
    std::function<std::string()> searchText_;

    std::shared_ptr<TalTemplatizer> tmpl_;
    std::filesystem::path stylePath_;
    std::map<std::int64_t, ScrollPoint> mScrollOffsets_;
    std::optional<std::int64_t> currentChatID_;
    // Whether the web view shows currentChatID_'s page (not the no-selection, error or source page).
    bool showsCurrentChat_ = false;
    std::uint64_t queued_ = 0, committed_ = 0;
    std::vector<ObserverToken> observations_;
    // Pages arrive through the main thread's port; a page posted after this controller has gone finds
    // the flag expired.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    std::unique_ptr<TranscriptRenderThread> renderThread_;
};

}  // namespace talv
