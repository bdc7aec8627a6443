#pragma once
// One node of the XML tree that OVXMLEngine builds: an element, or a text node (empty name)
// that keeps character data in its place among the child elements. An entity owns its
// children; `parent` does not own and is null for a top-level element. Not synchronised.
#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace talv {

class OVXMLEntity;
using OVXMLEntityList = std::vector<std::unique_ptr<OVXMLEntity>>;

class OVXMLEntity {
public:
    using Attributes = std::map<std::string, std::string>;

    OVXMLEntity(std::string className, OVXMLEntity* parent, Attributes attributes = {});

    const std::string& className() const { return className_; }
    bool isTextNode() const { return className_.empty(); }
    const OVXMLEntityList& children() const { return children_; }
    const Attributes& attributes() const { return attributes_; }
    // The attribute whose name equals `name` ignoring letter case.
    std::optional<std::string_view> attribute(std::string_view name) const;
    // Element: the character data before its first child. Text node: its text.
    const std::string& body() const { return body_; }
    OVXMLEntity* parent() const { return parent_; }
    // One line: name, attributes, body and the children's descriptions.
    std::string description() const;

    // Parser events while this entity receives them (see OVXMLEngine). didStartElement returns
    // the new child, which receives the next events; didEndElement returns the parent.
    OVXMLEntity* didStartElement(std::string name, Attributes attributes);
    OVXMLEntity* didEndElement() { return parent_; }
    void foundCharacters(std::string_view text);
    // Drops the children read so far (a streamed document keeps one at a time).
    void clearChildren() { children_.clear(); }

    // The first entity named `name` (ignoring case): the list itself first, then each entity's
    // children in turn, recursively. Null when there is none.
    static const OVXMLEntity* deepFindEntity(std::string_view name, const OVXMLEntityList& list);
    // Appends the element's character data in document order, markup dropped, white space
    // kept; a `br` element adds a line break.
    static void deepJoinBodies(const OVXMLEntity& entity, std::string& into);

private:
    std::string className_;
    OVXMLEntity* parent_;
    Attributes attributes_;
    std::string body_;
    OVXMLEntityList children_;
};

}  // namespace talv
