#include "identity/VCardReader.h"

#include "identity/VCardLine.h"
#include "platform/Log.h"

#include <glib.h>

#include <algorithm>
#include <memory>

namespace talv {
namespace {

std::string trimmed(std::string_view s) {
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    return std::string(s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1));
}

std::string lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return g_ascii_tolower(c); });
    return out;
}

// REV as exports write it: "2008-05-27T13:15:42Z", "20080527T131542Z", a date alone; no zone is UTC.
std::optional<Date> parseRevision(std::string text) {
    if (text.find('T') == std::string::npos) text += text.find('-') == std::string::npos ? "T000000" : "T00:00:00";
    std::unique_ptr<GTimeZone, decltype(&g_time_zone_unref)> utc(g_time_zone_new_utc(), &g_time_zone_unref);
    std::unique_ptr<GDateTime, decltype(&g_date_time_unref)> date(g_date_time_new_from_iso8601(text.c_str(), utc.get()), &g_date_time_unref);
    if (!date) return std::nullopt;
    return Date{static_cast<double>(g_date_time_to_unix(date.get())) + g_date_time_get_microsecond(date.get()) / 1e6};
}

// IMPP: "aim:handle", "xmpp:handle", "icq:handle"; Apple names the service in X-SERVICE-TYPE.
void addInstantMessagingUri(ABPerson& card, const VCardLine& line) {
    const std::string uri = trimmed(VCardLine::unescape(line.text()));
    const auto colon = uri.find(':');
    if (colon == std::string::npos) return;
    const std::string scheme = lower(uri.substr(0, colon));
    std::string address = uri.substr(colon + 1);
    if (address.starts_with("//")) address.erase(0, 2);
    if (const auto query = address.find('?'); query != std::string::npos) {
        const auto screenName = address.find("screenname=", query);
        address = screenName == std::string::npos ? address.substr(0, query) : address.substr(screenName + 11);
        address = address.substr(0, address.find('&'));
    }
    std::unique_ptr<char, decltype(&g_free)> unescaped(g_uri_unescape_string(address.c_str(), nullptr), &g_free);
    const std::string handle = trimmed(unescaped ? unescaped.get() : address);
    if (handle.empty()) return;

    const std::string service = lower(line.parameter("X-SERVICE-TYPE").value_or(scheme));
    if (service == "aim") card.aimHandles.push_back(handle);
    else if (service == "xmpp" || service == "jabber" || service == "googletalk") card.jabberHandles.push_back(handle);
    else if (service == "icq") card.icqHandles.push_back(handle);
}

void addHandle(std::vector<std::string>& handles, const VCardLine& line) {
    std::string handle = trimmed(VCardLine::unescape(line.text()));
    if (!handle.empty()) handles.push_back(std::move(handle));
}

class CardBuilder {
public:
    CardBuilder(std::string_view source, int index) : source_(source), index_(index) {}

    void add(const VCardLine& line) {
        const std::string& name = line.name();
        if (name == "N") {
            const auto parts = VCardLine::components(line.text());
            card_.lastName = parts.empty() ? std::string() : trimmed(parts[0]);
            card_.firstName = parts.size() < 2 ? std::string() : trimmed(parts[1]);
        } else if (name == "FN") {
            card_.formattedName = trimmed(VCardLine::unescape(line.text()));
        } else if (name == "UID") {
            uid_ = trimmed(VCardLine::unescape(line.text()));
        } else if (name == "X-ABUID") {
            abuid_ = trimmed(VCardLine::unescape(line.text()));
        } else if (name == "REV") {
            card_.modificationDate = parseRevision(trimmed(line.text()));
        } else if (name == "KIND" || name == "X-ADDRESSBOOKSERVER-KIND") {
            card_.isPerson = lower(trimmed(line.text())) != "group";
        } else if (name == "X-AIM") {
            addHandle(card_.aimHandles, line);
        } else if (name == "X-JABBER") {
            addHandle(card_.jabberHandles, line);
        } else if (name == "X-ICQ") {
            addHandle(card_.icqHandles, line);
        } else if (name == "IMPP") {
            addInstantMessagingUri(card_, line);
        } else if (name == "PHOTO" && card_.imageData.empty()) {
            addPhoto(line);
        }
    }

    ABPerson finish() {
        card_.uniqueId = !abuid_.empty() ? abuid_ : !uid_.empty() ? uid_ : derivedId();
        if (!card_.uniqueId.ends_with("ABPerson")) card_.uniqueId += ":ABPerson";
        return std::move(card_);
    }

private:
    void addPhoto(const VCardLine& line) {
        if (auto bytes = line.binary()) {
            card_.imageData = std::move(*bytes);
        } else if (line.hasParameter("ENCODING", "B") || line.hasParameter("ENCODING", "BASE64") || line.rawValue().starts_with("data:")) {
            logf("vCard {} of {}: the picture is damaged; the card is read without it", index_, source_);
        }
    }

    // Stable for as long as the file keeps its name and the card its place in it.
    std::string derivedId() const {
        const std::string seed = fmt::format("{}#{}", source_, index_);
        std::unique_ptr<gchar, decltype(&g_free)> hex(g_compute_checksum_for_string(G_CHECKSUM_SHA1, seed.c_str(), -1), &g_free);
        const std::string h(hex.get());
        std::string id = fmt::format("{}-{}-{}-{}-{}", h.substr(0, 8), h.substr(8, 4), h.substr(12, 4), h.substr(16, 4), h.substr(20, 12));
        std::transform(id.begin(), id.end(), id.begin(), [](unsigned char c) { return g_ascii_toupper(c); });
        return id;
    }

    std::string_view source_;
    int index_;
    ABPerson card_;
    std::string uid_;
    std::string abuid_;
};

}  // namespace

std::vector<ABPerson> VCardReader::read(std::string_view bytes, std::string_view source) {
    std::vector<ABPerson> cards;
    std::optional<CardBuilder> card;
    std::string damage;  // why the open card cannot be used; empty while it is sound
    int index = 0;

    const auto skip = [&](std::string_view why) { logf("vCard {} of {} is damaged ({}); skipped", index, source, why); };

    for (const std::string& text : VCardLine::logicalLines(bytes)) {
        auto line = VCardLine::parse(text);
        const bool begin = line && line->name() == "BEGIN" && g_ascii_strcasecmp(trimmed(line->rawValue()).c_str(), "VCARD") == 0;
        const bool end = line && line->name() == "END" && g_ascii_strcasecmp(trimmed(line->rawValue()).c_str(), "VCARD") == 0;
        if (begin) {
            if (card) skip("no END:VCARD before the next card");
            card.emplace(source, ++index);
            damage.clear();
        } else if (!card) {
            continue;  // text outside a card
        } else if (end) {
            if (damage.empty()) cards.push_back(card->finish());
            else skip(damage);
            card.reset();
        } else if (line) {
            card->add(*line);
        } else if (damage.empty()) {
            damage = fmt::format("a line that is not a property: \"{}\"", text.substr(0, 40));
        }
    }
    if (card) skip("the file ends inside the card");
    return cards;
}

}  // namespace talv
