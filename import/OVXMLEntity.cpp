#include "import/OVXMLEntity.h"

#include <fmt/format.h>
#include <glib.h>

namespace talv {
namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && g_ascii_strncasecmp(a.data(), b.data(), a.size()) == 0;
}

}  // namespace

OVXMLEntity::OVXMLEntity(std::string className, OVXMLEntity* parent, Attributes attributes)
    : className_(std::move(className)), parent_(parent), attributes_(std::move(attributes)) {}

std::optional<std::string_view> OVXMLEntity::attribute(std::string_view name) const {
    for (const auto& [key, value] : attributes_)
        if (equalsIgnoringCase(key, name)) return value;
    return std::nullopt;
}

std::string OVXMLEntity::description() const {
    std::string attrs, kids;
    for (const auto& [key, value] : attributes_) attrs += fmt::format("{}{}={}", attrs.empty() ? "" : ", ", key, value);
    for (const auto& child : children_) kids += (kids.empty() ? "" : ", ") + child->description();
    return fmt::format("<OVXMLEntity:{}> (name=\"{}\", attr=\"{{{}}}\", body=\"{}\"), children = ({})",
                       static_cast<const void*>(this), className_, attrs, body_, kids);
}

OVXMLEntity* OVXMLEntity::didStartElement(std::string name, Attributes attributes) {
    children_.push_back(std::make_unique<OVXMLEntity>(std::move(name), this, std::move(attributes)));
    return children_.back().get();
}

void OVXMLEntity::foundCharacters(std::string_view text) {
    if (children_.empty()) {
        body_ += text;
    } else if (children_.back()->isTextNode()) {
        children_.back()->body_ += text;
    } else {
        children_.push_back(std::make_unique<OVXMLEntity>(std::string(), this));
        children_.back()->body_ = text;
    }
}

const OVXMLEntity* OVXMLEntity::deepFindEntity(std::string_view name, const OVXMLEntityList& list) {
    for (const auto& entity : list)
        if (equalsIgnoringCase(entity->className_, name)) return entity.get();
    for (const auto& entity : list)
        if (const OVXMLEntity* found = deepFindEntity(name, entity->children_)) return found;
    return nullptr;
}

void OVXMLEntity::deepJoinBodies(const OVXMLEntity& entity, std::string& into) {
    // Messages break lines with `br` elements; without the break their words would run together.
    if (equalsIgnoringCase(entity.className_, "br")) into += '\n';
    into += entity.body_;
    for (const auto& child : entity.children_) deepJoinBodies(*child, into);
}

}  // namespace talv
