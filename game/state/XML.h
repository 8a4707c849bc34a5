#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "foundation/Value.h"

struct _xmlDoc;
struct _xmlNode;

namespace mw {

class XML;

// Raised by XML::initWithString when libxml2 makes no document with a root
// element of the text. what() gives libxml2's reason.
class XMLParseException : public std::runtime_error {
public:
    explicit XMLParseException(const std::string& reason) : std::runtime_error(reason) {}
    // The name the exception goes by.
    static constexpr const char* kName = "Unable to parser XML";
};

// One element of a parsed document as the reader keeps it: an "element
// dictionary". Its entries share one key space: "name" (the element's name),
// each attribute copied in, "value" (text, see XML) and "node" (the child
// element dictionaries). An attribute called name, value or node therefore
// replaces that entry, or is replaced by it, in the order the reader copies
// them in; an attribute "node" copied over the children hides them.
//
// The dictionary reads its attribute entries from the libxml2 elements they
// come from (the element's own, and those of a first child element it takes
// over), so it lives only as long as the document.
class XMLElementDictionary {
public:
    using Children = std::span<const XMLElementDictionary* const>;

    // The "name" entry.
    std::string_view name() const { return name_; }
    // The "value" entry; nothing when the element has none.
    std::optional<std::string_view> value() const;
    // The string entry for a key ("name", "value" or an attribute); nothing
    // when absent, and for "node" while it holds the children.
    std::optional<std::string_view> entry(std::string_view key) const;
    // The "node" entry: the child dictionaries in document order. Empty when
    // the element has none, or when an attribute hid them.
    Children node() const { return hasNode_ ? Children(children_, childCount_) : Children(); }
    bool hasNode() const { return hasNode_; }

private:
    friend class XMLTreeBuilder;

    std::string_view name_;
    std::string_view value_;
    bool hasValue_ = false;
    bool hasNode_ = false;
    uint32_t childCount_ = 0;
    const XMLElementDictionary* const* children_ = nullptr;
    // Where the other keys come from: the element's own attributes win over
    // those of the first child element it took over. Either may be null.
    const _xmlNode* own_ = nullptr;
    const _xmlNode* inherited_ = nullptr;
};

// The answer to XML::query: nothing, a string, a number (the count form) or a
// new reader (the sub-reader form).
class XMLQueryResult {
public:
    XMLQueryResult() = default;
    explicit XMLQueryResult(Value value) : value_(std::move(value)) {}
    explicit XMLQueryResult(Ref<XML> reader);

    bool isNil() const { return value_.isNull() && !reader_; }
    bool isString() const { return value_.isString(); }
    bool isNumber() const { return value_.isInteger(); }
    // The string or the number; null for nothing and for a reader.
    const Value& value() const { return value_; }
    // The new reader of the sub-reader form (the caller owns it); null otherwise.
    const Ref<XML>& reader() const { return reader_; }

    // Read the way the platform's string and number objects read: a string
    // gives its leading number (0 when none; out-of-range values clamp), a
    // count gives itself, nothing and a reader give 0 or "".
    int32_t intValue() const { return value_.asInt(); }
    float floatValue() const { return value_.asFloat(); }
    std::string stringValue() const { return value_.isString() ? value_.asString() : std::string(); }

private:
    Value value_;
    Ref<XML> reader_;
};

// Reads an XML document once (through libxml2) into a tree of element
// dictionaries and answers dotted-path queries on it.
//
// The tree: the root element's children are the tree's top level, under a
// dictionary named after the root; the root's own attributes are in no
// dictionary. An element that has child nodes becomes a dictionary holding
// its name, then the attributes of its first child node when that node is an
// element, then the text content of that first child node ("value": the text
// of a first text node, or all the text inside a first child element, with
// spaces -- and only spaces -- trimmed from both ends), then its child
// elements ("node"), and then its own attributes, which win over the first
// child's. An element without child nodes becomes a dictionary of its name
// and attributes, and is left out when it has no attribute. Text content that
// is empty gives no "value". Entities declared in a DTD are never expanded: a
// reference to one reads as no text (the predefined entities and character
// references read as their characters).
//
// Queries ("view[0].image[%d].@Name" once the caller has filled in the %d):
// - components are separated by "."; a last "value" asks for the value form,
//   then a last "count" for the count form;
// - every component but the last steps down: "name[i]" to the i-th child
//   named so (an index past the end makes the whole query nothing), "name" to
//   the first child named so (when none is, every later step stays at
//   nothing);
// - the last component answers: "@attr" gives that entry of the dictionary
//   reached (a string) or nothing; the value form steps once more ("name"
//   meaning "name[0]") and gives that dictionary's "value"; the count form
//   gives the number of children bearing the component, taken whole (so a
//   bracket makes it 0); otherwise the answer is a new reader whose tree is
//   the dictionary reached before the last component, which is not looked
//   at. From nothing, "@attr" and the value form give nothing, the count form
//   0 and the reader form a reader with an empty tree.
// Every query walks the child lists linearly by name.
//
// A reader made by a query shares the tree it points into (and keeps it
// alive) but has no document of its own. Readers never change after parsing
// and may be queried from any thread.
class XML : public Object {
public:
    // Parses the text's UTF-8 bytes. Throws XMLParseException when libxml2
    // yields no document or no root element; the caller reports it.
    static Ref<XML> initWithString(std::string_view text);

    // Answers a path as the class comment describes. Never throws.
    XMLQueryResult query(std::string_view path) const;

    // The root of the tree; null for an empty tree.
    const XMLElementDictionary* dicXML() const { return root_; }
    // The libxml2 document and its root element, kept until the reader that
    // parsed them is released; null for a reader made by a query.
    _xmlDoc* doc() const;
    _xmlNode* element_root() const;

    // Lookups on a list of element dictionaries by their "name" entries.
    // The first dictionary with that name, or null.
    static const XMLElementDictionary* getXMLElement(XMLElementDictionary::Children elements,
                                                     std::string_view name);
    // Every dictionary with that name, in order.
    static std::vector<const XMLElementDictionary*>
    getXMLElementArray(XMLElementDictionary::Children elements, std::string_view name);
    // The "value" of the first dictionary with that name; nothing when there
    // is no such dictionary or it has no value.
    static std::optional<std::string_view> getXMLElementValue(XMLElementDictionary::Children elements,
                                                              std::string_view name);
    // An entry of the first dictionary with that name.
    static std::optional<std::string_view> getXMLElementAttribute(XMLElementDictionary::Children elements,
                                                                  std::string_view name,
                                                                  std::string_view attribute);
    // Walks a libxml2 sibling chain from `cur` and answers the first node
    // with that name, or null.
    static _xmlNode* getElement(_xmlNode* cur, std::string_view name);

    struct Tree;
    // Internal: a reader over part of a tree (see query).
    XML(std::shared_ptr<const Tree> tree, const XMLElementDictionary* root, bool ownsDocument);
    ~XML() override;

private:
    XMLQueryResult answer(std::string_view path) const;

    std::shared_ptr<const Tree> tree_;
    const XMLElementDictionary* root_ = nullptr;
    bool ownsDocument_ = false;
};

} // namespace mw
