#pragma once
// Next and Previous: the anchor kinds they step through (the navigation mode), their titles,
// whether they apply to the selected chat, their toolbar look, and the stepping itself over the
// anchors of the displayed page. Reads the contents list's selection and the search text.
// Main thread only.
#include "browse/ArrayController.h"
#include "display/TranscriptWebView.h"

#include <functional>
#include <optional>
#include <string>

namespace talv {

// Bits of the navigation mode: the anchors the renderer writes for each kind.
namespace NavigationMode {
inline constexpr int kEmails = 2;          // "_EMAIL-"
inline constexpr int kPictures = 4;        // "_IMAGE-"
inline constexpr int kLinks = 8;           // "_LINK-"
inline constexpr int kSearchMatches = 16;  // "_TEXT-"
}  // namespace NavigationMode

// A Chats column of the selected chat as text; none without a selected chat.
using ChatProperty = std::function<std::optional<std::string>(const std::string& column)>;

struct ItemTitles {
    std::string next, previous;
};

// "Next Link", "Next E-mail or Link", "Next E-mail, Link or Picture", "Next Text"...
ItemTitles nextPrevItemTitles(const ArrayController& contents, const std::string& searchText);
// Search matches alone with a search text; else the kinds of the selected contents entries,
// all three when none names a kind.
int selectItemMode(const ArrayController& contents, const std::string& searchText);
bool isNextPrevLinksEnabled(const ArrayController& contents, const std::string& searchText, bool chatSelected,
                            const ChatProperty& chatProperty);

struct ToolbarItemLook {
    std::string image, label, toolTip;
};
// The Next (`next` true) or Previous item's image name, label and tool tip. `imageExists` tells
// whether an image of that name can be shown.
ToolbarItemLook nextPrevItemLook(bool next, const ArrayController& contents, const std::string& searchText,
                                 const std::function<bool(const std::string&)>& imageExists);
// The open-in-client item for the selected chat's kind (none: no chat): "Open in Fire" and the
// Fire image for a Fire chat, Adium for Adium, iChat otherwise.
ToolbarItemLook openInClientLook(const std::optional<std::string>& kind);

// The anchor that stepping made active: its id, its place among the anchors stepped through and
// the singular name of its kind ("Link", "E-mail", "Picture", "Text").
struct SteppedItem {
    std::string id;
    std::size_t position = 0, count = 0;
    std::string kind;
};

// Moves the page's active anchor to the next (or previous) anchor of the mode's kinds,
// wrapping at both ends; the first (or last) when no such anchor is active. None when the page
// has no such anchor.
std::optional<SteppedItem> selectItem(TranscriptWebView& webView, bool forward, int mode);

}  // namespace talv
