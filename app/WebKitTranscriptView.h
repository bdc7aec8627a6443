#pragma once
// The transcript pane's web view: WebKitGTK behind the web view contract. Pages are loaded with
// the base "file:///" (WebKitGTK refuses file resources otherwise) and their own base element
// directs relative references. Every navigation is put to the delegate; only what it allows
// (loading a page text) happens. A page loads files and data only (the content policy of
// display/TranscriptContentPolicy.h); what it names on the network is shown as a plain
// placeholder. The scroll position is reported by the page as it changes, so reading it never
// waits. Scripts are evaluated synchronously by running the main loop until WebKit answers.
// Main thread only.
#include "display/TranscriptWebView.h"

#include <gtkmm/overlay.h>

#include <string>

typedef struct _WebKitWebView WebKitWebView;
typedef struct _WebKitContextMenu WebKitContextMenu;

namespace talv {

class WebKitTranscriptView : public TranscriptWebView {
public:
    WebKitTranscriptView();
    ~WebKitTranscriptView() override;
    WebKitTranscriptView(const WebKitTranscriptView&) = delete;
    WebKitTranscriptView& operator=(const WebKitTranscriptView&) = delete;

    // The pane: the web view, over which printing lays its hidden copies of the page.
    Gtk::Overlay& widget() { return pane_; }
    WebKitWebView* webView() const { return view_; }
    // True while a page is loading.
    bool isLoading() const;
    // The page text last loaded (empty before the first).
    const std::string& pageHTML() const { return pageHTML_; }
    // A new web view that shows pages as this one does (settings, content policy, placeholders),
    // for a copy of the page; the caller owns the reference.
    WebKitWebView* makeCompanionView() const;

    void setDelegate(TranscriptWebViewDelegate* delegate) override { delegate_ = delegate; }
    void loadHTMLString(const std::string& html) override;
    void setStandardFontFamily(const std::string& family) override;
    void setDefaultFontSize(int points) override;
    void setMinimumFontSize(int points) override;
    std::optional<ScrollPoint> documentVisibleOrigin() override;
    void scrollToPoint(ScrollPoint point) override;
    std::vector<std::string> anchorIDs() override;
    std::optional<std::string> evaluateWebScript(const std::string& script) override;

private:
    void loadChanged(int event);
    void contextMenu(WebKitContextMenu* menu);

    Gtk::Overlay pane_;
    WebKitWebView* view_;
    TranscriptWebViewDelegate* delegate_ = nullptr;
    std::string pageHTML_;
    bool loaded_ = false;  // the page has finished loading
    ScrollPoint origin_;   // as the page last reported it
};

}  // namespace talv
