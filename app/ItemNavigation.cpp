#include "app/ItemNavigation.h"

#include "platform/StringFormat.h"
#include "platform/Strings.h"

#include <glib.h>

#include <algorithm>
#include <array>
#include <cstdlib>

namespace talv {
namespace {

struct AnchorKind {
    int bit;
    const char* prefix;
    const char* tag;  // the contents entry's tag, the Chats flag column
    const char* image;
    const char* singular;
};

constexpr std::array<AnchorKind, 4> kKinds{{
    {NavigationMode::kEmails, "_EMAIL-", "HasEmails", "mail", N_("E-mail")},
    {NavigationMode::kPictures, "_IMAGE-", "HasPictures", "image", N_("Picture")},
    {NavigationMode::kLinks, "_LINK-", "HasHyperlinks", "link", N_("Link")},
    {NavigationMode::kSearchMatches, "_TEXT-", nullptr, "text", N_("Text")},
}};

const AnchorKind* kindOfTag(const std::string& tag) {
    for (const AnchorKind& kind : kKinds) {
        if (kind.tag && tag == kind.tag) return &kind;
    }
    return nullptr;
}

// The selection's IsAll "has a value": All alone is selected.
bool allSelected(const ArrayController& contents) {
    const SelectionValue isAll = contents.selectionValue("IsAll");
    return isAll.isSingle() && !isAll.value.isNull();
}

std::string text(const Value* value) { return value ? value->textOr("") : ""; }

std::string joinWithOr(const std::vector<std::string>& words) {
    const std::string orWord = tr("or");
    if (words.empty()) return "";
    if (words.size() == 1) return words.front();
    if (words.size() == 2) return formatString("%@ %@ %@", {words[0], orWord, words[1]});
    std::string head;
    for (std::size_t i = 0; i + 1 < words.size(); ++i) head += (i ? ", " : "") + words[i];
    return formatString("%@ %@ %@", {head, orWord, words.back()});
}

// What a chat's flag column answers: a non-zero integer.
bool flagSet(const ChatProperty& chatProperty, const std::string& column) {
    const std::optional<std::string> value = chatProperty(column);
    return value && std::strtoll(value->c_str(), nullptr, 10) != 0;
}

// The phrase of the specific titles: "Text" with a search text, else the selection's singular title.
std::string specificPhrase(const ArrayController& contents, bool hasSearch) {
    if (hasSearch) return tr("Text");
    const SelectionValue singular = contents.selectionValue("singularTitle");
    return singular.isSingle() ? singular.value.textOr("") : "";
}

bool idIsScriptSafe(const std::string& id) {
    return std::all_of(id.begin(), id.end(), [](char c) { return g_ascii_isalnum(c) || c == '-' || c == '_'; });
}

}  // namespace

ItemTitles nextPrevItemTitles(const ArrayController& contents, const std::string& searchText) {
    const bool hasSearch = !searchText.empty();
    const bool all = allSelected(contents);
    const SelectionValue tag = contents.selectionValue("tag");
    std::string phrase;
    if (!hasSearch && (tag.kind == SelectionValue::Kind::Multiple || all)) {
        std::vector<std::string> words;
        for (const Value& entry : all ? contents.arrangedObjects() : contents.selectedObjects()) {
            std::string word = text(entry.find("singularTitle"));
            if (!word.empty()) words.push_back(std::move(word));
        }
        phrase = joinWithOr(words);
    } else {
        phrase = specificPhrase(contents, hasSearch);
    }
    return {formatString(tr("Next %@"), {phrase}), formatString(tr("Previous %@"), {phrase})};
}

int selectItemMode(const ArrayController& contents, const std::string& searchText) {
    if (!searchText.empty()) return NavigationMode::kSearchMatches;
    int mode = 0;
    for (const Value& entry : contents.selectedObjects()) {
        if (const AnchorKind* kind = kindOfTag(text(entry.find("tag")))) mode |= kind->bit;
    }
    return mode ? mode : NavigationMode::kEmails | NavigationMode::kPictures | NavigationMode::kLinks;
}

bool isNextPrevLinksEnabled(const ArrayController& contents, const std::string& searchText, bool chatSelected,
                            const ChatProperty& chatProperty) {
    if (!chatSelected) return false;
    if (!searchText.empty()) return true;
    const SelectionValue tag = contents.selectionValue("tag");
    if (tag.isSingle() && tag.value.asText()) return flagSet(chatProperty, *tag.value.asText());
    if (!allSelected(contents)) return true;
    for (const Value& entry : contents.arrangedObjects()) {
        const Value* entryTag = entry.find("tag");
        if (entryTag && entryTag->asText() && flagSet(chatProperty, *entryTag->asText())) return true;
    }
    return false;
}

ToolbarItemLook nextPrevItemLook(bool next, const ArrayController& contents, const std::string& searchText,
                                 const std::function<bool(const std::string&)>& imageExists) {
    const bool hasSearch = !searchText.empty();
    const SelectionValue tag = contents.selectionValue("tag");
    const std::string plain = next ? "next" : "prev";
    ToolbarItemLook look;
    if ((!hasSearch && allSelected(contents)) || tag.kind == SelectionValue::Kind::NoSelection ||
        (!hasSearch && tag.kind == SelectionValue::Kind::Multiple)) {
        look.image = plain;
        look.label = next ? tr("Next Item") : tr("Previous Item");
    } else {
        const AnchorKind* kind = hasSearch ? &kKinds.back() : (tag.isSingle() ? kindOfTag(tag.value.textOr("")) : nullptr);
        look.image = kind ? plain + "_" + kind->image : plain;
        if (!imageExists(look.image)) look.image = plain;
        look.label = formatString(next ? tr("Next %@") : tr("Previous %@"), {specificPhrase(contents, hasSearch)});
    }
    look.toolTip = look.label;
    return look;
}

ToolbarItemLook openInClientLook(const std::optional<std::string>& kind) {
    struct ClientTexts {
        const char* client;
        const char* label;
        const char* toolTip;
    };
    static constexpr ClientTexts kClients[] = {
        {"Fire", N_("Open in Fire"), N_("Open Selected Transcript in Fire")},
        {"Adium", N_("Open in Adium"), N_("Open Selected Transcript in Adium")},
        {"iChat", N_("Open in iChat"), N_("Open Selected Transcript in iChat")},
    };
    const auto is = [&](const char* client) { return kind && g_ascii_strcasecmp(kind->c_str(), client) == 0; };
    const ClientTexts& texts = is("Fire") ? kClients[0] : is("Adium") ? kClients[1] : kClients[2];
    return {texts.client, tr(texts.label), tr(texts.toolTip)};
}

std::optional<SteppedItem> selectItem(TranscriptWebView& webView, bool forward, int mode) {
    std::vector<std::string> ids;
    for (std::string& id : webView.anchorIDs()) {
        const bool wanted = std::any_of(kKinds.begin(), kKinds.end(), [&](const AnchorKind& kind) {
            return (mode & kind.bit) && id.rfind(kind.prefix, 0) == 0;
        });
        if (wanted && idIsScriptSafe(id)) ids.push_back(std::move(id));
    }
    if (ids.empty()) return std::nullopt;

    const std::optional<std::string> active = webView.evaluateWebScript("getActiveAnchor();");
    const auto at = active ? std::find(ids.begin(), ids.end(), *active) : ids.end();
    std::ptrdiff_t target;
    if (at == ids.end()) target = forward ? 0 : static_cast<std::ptrdiff_t>(ids.size()) - 1;
    else target = (at - ids.begin()) + (forward ? 1 : -1);
    if (target < 0 || target >= static_cast<std::ptrdiff_t>(ids.size()))
        target = forward ? 0 : static_cast<std::ptrdiff_t>(ids.size()) - 1;

    const std::string& id = ids[static_cast<std::size_t>(target)];
    webView.evaluateWebScript("cleanActiveAnchor();");
    webView.evaluateWebScript("jumpToAnchor('" + id + "');");
    const auto kind = std::find_if(kKinds.begin(), kKinds.end(), [&](const AnchorKind& k) { return id.rfind(k.prefix, 0) == 0; });
    return SteppedItem{id, static_cast<std::size_t>(target), ids.size(), tr(kind->singular)};
}

}  // namespace talv
