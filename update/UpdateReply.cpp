#include "update/UpdateReply.h"

#include "platform/CalendarDate.h"
#include "platform/Log.h"
#include "store/OrvaneExtras.h"
#include "update/NumericVersion.h"

#include <fmt/format.h>
#include <glib.h>

#include <fstream>
#include <iterator>
#include <memory>

namespace fs = std::filesystem;

namespace talv::update {
namespace {

// Replaces every occurrence of needle, compared without regard to ASCII case.
std::string replaceIgnoringCase(std::string text, std::string_view needle, std::string_view replacement) {
    std::string lower(text);
    for (char& c : lower) c = g_ascii_tolower(c);
    std::string lowerNeedle(needle);
    for (char& c : lowerNeedle) c = g_ascii_tolower(c);
    std::string out;
    size_t from = 0;
    for (size_t at; (at = lower.find(lowerNeedle, from)) != std::string::npos; from = at + needle.size())
        out.append(text, from, at - from).append(replacement);
    return out.append(text, from);
}

std::string releaseDateText(const Value& entry) {
    std::optional<Date> date;
    if (const Value* text = entry.find("ReleaseDateString"); text && text->asText()) {
        if (auto parsed = CalendarDate::dateWithString(*text->asText())) date = parsed->date();
    }
    if (!date) {
        if (const Value* seconds = entry.find("ReleaseDate"); seconds && (seconds->asInteger() || seconds->asReal()))
            date = Date{seconds->realOr(0)};
        else if (seconds && seconds->asDate())
            date = *seconds->asDate();
    }
    return date ? CalendarDate(*date).descriptionWithCalendarFormat("%A, %B %e, %Y") : std::string();
}

}  // namespace

std::optional<Value> readUpdateReply(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto reply = Value::fromPlist(bytes);
    if (!reply || !reply->asDictionary()) return std::nullopt;
    return reply;
}

bool updateAvailable(const Value& reply, const ProductBundle& bundle) {
    const Value* latestBuild = reply.find("LatestBuild");
    auto build = latestBuild ? integerValue(*latestBuild) : std::nullopt;
    auto bundleBuild = bundle.buildNumber();
    if (build && *build != 0 && bundleBuild) return *bundleBuild < *build;

    const Value* latest = reply.find("LatestVersion");
    const std::string current = bundle.version();
    if (!latest || !latest->asText() || current.empty() || *latest->asText() == current) return false;
    return numericVersion(current) < numericVersion(*latest->asText());
}

std::optional<std::string> releaseNotesHTML(std::string_view templateHTML, const Value& versions,
                                            const std::string& currentVersion, const std::string& fontFamily,
                                            bool logStuff) {
    std::string entries;
    const Value::Array* list = versions.asArray();
    for (size_t i = 0; list && i < list->size(); ++i) {
        const Value& entry = (*list)[i];
        const std::string version = entry.find("Version") ? entry.find("Version")->textOr("") : "";
        if (i > 0 && numericVersion(version) <= numericVersion(currentVersion)) {
            if (logStuff) logf("The current version {} is greater than {}.", currentVersion, version);
            break;
        }
        const std::string notes = entry.find("WhatsNew") ? entry.find("WhatsNew")->textOr("") : "";
        entries += fmt::format(
            "<p class=\"VersionHeader\"><span class=\"Version\">Version {}</span> <span class=\"Date\">({})</span></p>\n"
            "<div class=\"LinerNotes\">{}</div><br /><br />",
            htmlEscapedString(version), htmlEscapedString(releaseDateText(entry)), notes);
    }
    if (entries.empty()) return std::nullopt;
    std::string page = replaceIgnoringCase(std::string(templateHTML), "SYSTEM_FONT", fontFamily);
    return replaceIgnoringCase(std::move(page), "O_RLY?", entries);
}

std::optional<std::string> fileSHA256(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::unique_ptr<GChecksum, decltype(&g_checksum_free)> sum(g_checksum_new(G_CHECKSUM_SHA256), g_checksum_free);
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0)
        g_checksum_update(sum.get(), reinterpret_cast<const guchar*>(buffer), in.gcount());
    if (in.bad()) return std::nullopt;
    return std::string(g_checksum_get_string(sum.get()));
}

}  // namespace talv::update
