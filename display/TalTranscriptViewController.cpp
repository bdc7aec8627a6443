#include "display/TalTranscriptViewController.h"

#include "display/TalTemplatizer.h"
#include "display/TranscriptPage.h"
#include "platform/MainThreadMessage.h"
#include "platform/Strings.h"
#include "store/OrvaneExtras.h"

#include <glib.h>

#include <charconv>

namespace talv {
namespace {

constexpr const char* kReloadKeys[] = {"CustomChatStyle"};
constexpr const char* kFontKeys[] = {"FontName", "FontSize"};
constexpr const char* kRenderKeys[] = {"ChatDisplaySystemMessages", "ChatDisplayTimestamps"};

// The picture ID of a "talvimage://ID" URL.
std::optional<std::int64_t> pictureIDOfURL(const std::string& url) {
    std::unique_ptr<GUri, decltype(&g_uri_unref)> uri(g_uri_parse(url.c_str(), G_URI_FLAGS_NONE, nullptr), g_uri_unref);
    const char* host = uri ? g_uri_get_host(uri.get()) : nullptr;
    if (!host) return std::nullopt;
    const std::string_view text(host);
    std::int64_t id = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return id;
}

std::string schemeOf(const std::string& url) {
    const char* scheme = g_uri_peek_scheme(url.c_str());  // lower-cased
    return scheme ? scheme : "";
}

}  // namespace

TalTranscriptViewController::TalTranscriptViewController(Outlets outlets)
    : webView_(outlets.webView), defaults_(outlets.defaults), selectedChatID_(std::move(outlets.selectedChatID)),
      searchText_(std::move(outlets.searchText)) {}

TalTranscriptViewController::~TalTranscriptViewController() {
    webView_.setDelegate(nullptr);
    renderThread_.reset();
}

void TalTranscriptViewController::awakeFromNib() {
    initTemplatizer();
    for (const char* key : kReloadKeys)
        observations_.push_back(defaults_.addObserver(key, [this](const std::optional<Value>&) { reload(); }));
    for (const char* key : kFontKeys) {
        observations_.push_back(defaults_.addObserver(key, [this](const std::optional<Value>&) {
            applyFonts();
            reload();
        }));
    }
    for (const char* key : kRenderKeys)
        observations_.push_back(defaults_.addObserver(key, [this](const std::optional<Value>&) { queueRenderRequest(); }));
    webView_.setMinimumFontSize(1);
    webView_.setDelegate(this);
    MessagePort mainThread = MainThreadMessage::sharedThreadMessage().port();
    std::weak_ptr<bool> alive = alive_;
    renderThread_ = std::make_unique<TranscriptRenderThread>([this, mainThread, alive](RenderedPage page) {
        mainThread.send([this, alive, page = std::move(page)]() mutable {
            if (alive.lock()) renderChatCommit(std::move(page));
        });
    });
}

void TalTranscriptViewController::initTemplatizer() {
    const std::optional<Value> custom = defaults_.objectForKey("CustomChatStyle");
    stylePath_ = chooseStyle(custom && custom->asText() ? std::optional(*custom->asText()) : std::nullopt);
    // A render under way keeps the renderer it was given.
    tmpl_ = std::make_shared<TalTemplatizer>(stylePath_);
    applyFonts();
}

void TalTranscriptViewController::applyFonts() {
    const std::string fontName = defaults_.stringForKey("FontName");
    if (!fontName.empty()) {
        webView_.setStandardFontFamily(fontName);
        if (const std::int64_t size = defaults_.integerForKey("FontSize"); size > 0) webView_.setDefaultFontSize(static_cast<int>(size));
        return;
    }
    const StyleBundle* style = tmpl_ ? tmpl_->bundle() : nullptr;
    if (!style) return;
    if (std::optional<std::string> family = style->defaultFontFamily()) webView_.setStandardFontFamily(*family);
    if (std::optional<int> size = style->defaultFontSize(); size && *size > 0) webView_.setDefaultFontSize(*size);
}

void TalTranscriptViewController::observeValueForKeyPath(std::string_view) { queueRenderRequest(); }

void TalTranscriptViewController::reload() {
    initTemplatizer();
    storeOldPositionInChat(currentChatID_);
    queueRenderRequest();
}

void TalTranscriptViewController::queueRenderRequest() {
    if (!renderThread_) return;
    renderThread_->queue({++queued_, selectedChatID_(), searchText_(), tmpl_});
}

void TalTranscriptViewController::renderChatCommit(RenderedPage page) {
    // A newer request is on its way: this page would only be replaced at once.
    if (page.number < queued_) return;
    committed_ = page.number;
    storeOldPositionInChat(currentChatID_);
    webView_.loadHTMLString(page.html);
    if (page.chatID) currentChatID_ = page.chatID;
    showsCurrentChat_ = page.chatID && !page.failed;
}

void TalTranscriptViewController::storeOldPositionInChat(std::optional<std::int64_t> chatID) {
    // Only the shown page's position is the chat's: not that of the no-selection or source page.
    if (!chatID || !showsCurrentChat_ || chatID != currentChatID_) return;
    if (std::optional<ScrollPoint> origin = webView_.documentVisibleOrigin()) mScrollOffsets_[*chatID] = *origin;
}

void TalTranscriptViewController::scrollToOldPositionInChat(std::optional<std::int64_t> chatID) {
    if (!chatID) return;
    auto position = mScrollOffsets_.find(*chatID);
    if (position != mScrollOffsets_.end()) webView_.scrollToPoint(position->second);
}

void TalTranscriptViewController::didFinishLoadForFrame() {
    if (showsCurrentChat_) scrollToOldPositionInChat(currentChatID_);
}

NavigationPolicy TalTranscriptViewController::decidePolicyForNavigationAction(NavigationType type, const std::string& requestURL) {
    if (type == NavigationType::Other) return NavigationPolicy::Use;
    const std::string scheme = schemeOf(requestURL);
    if (scheme == "talvimage") {
        if (std::optional<std::int64_t> pictureID = pictureIDOfURL(requestURL); pictureID && openChatImage) openChatImage(*pictureID);
    } else if (scheme == "http" || scheme == "https" || scheme == "ftp" || scheme == "mailto") {
        if (openURL) openURL(requestURL);
    }
    // File URLs and any other scheme are ignored; the page never navigates away.
    return NavigationPolicy::Ignore;
}

std::vector<ContextMenuItem> TalTranscriptViewController::contextMenuItemsForElement(const std::vector<ContextMenuItem>& defaultMenuItems) {
    std::vector<ContextMenuItem> items;
    for (const ContextMenuItem& item : defaultMenuItems) {
        if (item.tag == ContextMenuItem::kCopyLinkTag) items.push_back(item);
    }
    // Reload is offered wherever the menu opens (the web view has none over a link), aimed here.
    items.push_back({ContextMenuItem::kReloadTag, tr("Reload"), [this] { reload(); }});
    items.push_back({0, tr("Show HTML Source"), [this] { showHTMLSource(); }});
    return items;
}

void TalTranscriptViewController::showHTMLSource() {
    const std::optional<std::string> page = renderTranscriptPage(selectedChatID_(), searchText_(), stylePath_);
    storeOldPositionInChat(currentChatID_);
    webView_.loadHTMLString("<html><body><code>" + htmlEscapedString(page.value_or(unreadableChatPage())) + "</code></body></html>");
    showsCurrentChat_ = false;
}

}  // namespace talv
