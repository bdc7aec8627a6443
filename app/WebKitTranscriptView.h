#pragma once
// The transcript pane's web view: WebKitGTK behind the web view contract. Pages are loaded with
// the base "file:///" (WebKitGTK refuses file resources otherwise) and their own base element
// directs relative references. The page never navigates away: only loading a page text is
// allowed. Scripts are evaluated synchronously by running the main loop until WebKit answers.
// Main thread only.
#include "display/TranscriptWebView.h"

#include <gtkmm/widget.h>

typedef struct _WebKitWebView WebKitWebView;

namespace talv {

class WebKitTranscriptView : public TranscriptWebView {
public:
    WebKitTranscriptView();
    ~WebKitTranscriptView() override;
    WebKitTranscriptView(const WebKitTranscriptView&) = delete;
    WebKitTranscriptView& operator=(const WebKitTranscriptView&) = delete;

    Gtk::Widget& widget() { return *widget_; }
    // True while a page is loading.
    bool isLoading() const;

    void setDelegate(TranscriptWebViewDelegate* delegate) override { delegate_ = delegate; }
    void loadHTMLString(const std::string& html) override;
    void setStandardFontFamily(const std::string& family) override;
    void setDefaultFontSize(int points) override;
    void setMinimumFontSize(int points) override;
    std::optional<ScrollPoint> documentVisibleOrigin() override;
    void scrollToPoint(ScrollPoint point) override;
    std::vector<std::string> anchorIDs() override;
    std::optional<std::string> evaluateWebScript(const std::string& script) override;
    // Printing lays the page out itself; this view only shows it.
    void setFrameWidth(int) override {}
    std::optional<std::string> drawDocumentAsPNG() override { return std::nullopt; }

private:
    WebKitWebView* view_;
    Gtk::Widget* widget_;  // the wrapper of view_
    TranscriptWebViewDelegate* delegate_ = nullptr;
};

}  // namespace talv
