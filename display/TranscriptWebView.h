#pragma once
// What the transcript view and the main window need of the embedded web view that shows a
// rendered page. The GTK shell implements it over WebKitGTK (and prints from it). Every call is
// made on the interface thread and answers synchronously.
#include <functional>
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
    std::string title;  // empty for a default item, which keeps the web view's own
    // What the item runs when it is not the web view's own: a default item kept as it is has none.
    std::function<void()> perform;
};

// The calls the web view makes.
class TranscriptWebViewDelegate {
public:
    virtual ~TranscriptWebViewDelegate() = default;
    // A navigation to `requestURL` (a click in the page, a page text loaded, ...).
    virtual NavigationPolicy decidePolicyForNavigationAction(NavigationType type, const std::string& requestURL) = 0;
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

    // The top-left corner of the visible part of the document; none while no page has finished
    // loading.
    virtual std::optional<ScrollPoint> documentVisibleOrigin() = 0;
    // Scrolls the document so that `point` is the top-left corner, and updates the scroll bars.
    virtual void scrollToPoint(ScrollPoint point) = 0;

    // The "id" attribute of every "a" element of the page's document, in document order (an
    // anchor without one gives the empty text).
    virtual std::vector<std::string> anchorIDs() = 0;
    // Evaluates a script in the page: its result as text, or none for undefined.
    virtual std::optional<std::string> evaluateWebScript(const std::string& script) = 0;
};

}  // namespace talv
