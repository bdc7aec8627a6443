#pragma once
// What the transcript view, the main window and printing need of the embedded web view that
// shows a rendered page. The GTK shell implements it over WebKitGTK. Every call is made on the
// interface thread and answers synchronously.
#include <optional>
#include <string>
#include <vector>

namespace talv {

struct ScrollPoint {
    double x = 0;
    double y = 0;
    bool operator==(const ScrollPoint&) const = default;
};

// Kinds of navigation the policy delegate is asked about; Other covers loading a page text.
enum class NavigationType { LinkClicked = 0, FormSubmitted = 1, BackForward = 2, Reload = 3, FormResubmitted = 4, Other = 5 };
enum class NavigationPolicy { Use, Ignore };

struct ContextMenuItem {
    static constexpr int kCopyLinkTag = 3;
    static constexpr int kReloadTag = 12;
    int tag = 0;  // the web view's tag of a default item; 0 for items of our own
    std::string title;
    std::string action;  // for items of our own: the operation it runs ("reload", "showHTMLSource")
};

// The calls the web view makes.
class TranscriptWebViewDelegate {
public:
    virtual ~TranscriptWebViewDelegate() = default;
    // `originURL` is the URL the action started from, `requestURL` where it leads.
    virtual NavigationPolicy decidePolicyForNavigationAction(NavigationType type, const std::string& originURL,
                                                             const std::string& requestURL) = 0;
    // A frame of the page finished loading.
    virtual void didFinishLoadForFrame() = 0;
    // The items to show, from the web view's default items.
    virtual std::vector<ContextMenuItem> contextMenuItemsForElement(const std::vector<ContextMenuItem>& defaultMenuItems) = 0;
};

class TranscriptWebView {
public:
    virtual ~TranscriptWebView() = default;

    virtual void setDelegate(TranscriptWebViewDelegate* delegate) = 0;

    // Loads a page text with no base URL of its own: relative references resolve against the
    // base element the page declares.
    virtual void loadHTMLString(const std::string& html) = 0;

    virtual void setStandardFontFamily(const std::string& family) = 0;
    virtual void setDefaultFontSize(int points) = 0;
    virtual void setMinimumFontSize(int points) = 0;

    // The top-left corner of the visible part of the document; none when the page has no
    // scrolling view.
    virtual std::optional<ScrollPoint> documentVisibleOrigin() = 0;
    // Scrolls the document so that `point` is the top-left corner, and updates the scroll bars.
    virtual void scrollToPoint(ScrollPoint point) = 0;

    // The "id" attribute of every "a" element of the page's document, in document order (an
    // anchor without one gives the empty text).
    virtual std::vector<std::string> anchorIDs() = 0;
    // Evaluates a script in the page: its result as text, or none for undefined.
    virtual std::optional<std::string> evaluateWebScript(const std::string& script) = 0;

    // Printing: lays the page out at `width` and draws the whole document into a PNG picture.
    virtual void setFrameWidth(int width) = 0;
    virtual std::optional<std::string> drawDocumentAsPNG() = 0;
};

}  // namespace talv
