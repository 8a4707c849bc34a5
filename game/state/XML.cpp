#include "game/state/XML.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <deque>
#include <memory>
#include <new>
#include <string>
#include <type_traits>
#include <vector>

#include <libxml/parser.h>
#include <libxml/tree.h>

#include "foundation/LibxmlLog.h"

namespace mw {

namespace {

constexpr std::string_view kNameKey = "name";
constexpr std::string_view kValueKey = "value";
constexpr std::string_view kNodeKey = "node";

std::string_view view(const xmlChar* text)
{
    return text ? std::string_view(reinterpret_cast<const char*>(text)) : std::string_view();
}

std::string_view trimSpaces(std::string_view text)
{
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

// The text inside a node list, as libxml2 gathers an element's content: text
// and CDATA nodes, descending into elements; entity references add nothing.
void appendText(const xmlNode* node, std::string& out)
{
    for (; node; node = node->next) {
        switch (node->type) {
        case XML_TEXT_NODE:
        case XML_CDATA_SECTION_NODE:
            out += view(node->content);
            break;
        case XML_ELEMENT_NODE:
            appendText(node->children, out);
            break;
        default:
            break;
        }
    }
}

// The first attribute of an element with that name, or null.
const xmlAttr* findAttribute(const xmlNode* element, std::string_view key)
{
    if (!element) return nullptr;
    for (const xmlAttr* attribute = element->properties; attribute; attribute = attribute->next) {
        if (view(attribute->name) == key) return attribute;
    }
    return nullptr;
}

// An attribute's text. The builder leaves every attribute with one text node
// at most (see XMLTreeBuilder::normalise).
std::string_view attributeText(const xmlAttr* attribute)
{
    return attribute->children ? view(attribute->children->content) : std::string_view();
}

// Storage for the dictionaries and their child lists: blocks handed out
// from large chunks, freed all at once with the tree. Everything put here is
// trivially destructible.
class Arena {
public:
    template <typename T>
    T* allocate(size_t count)
    {
        static_assert(std::is_trivially_destructible_v<T>);
        const size_t bytes = count * sizeof(T);
        size_t offset = (used_ + alignof(T) - 1) / alignof(T) * alignof(T);
        if (chunks_.empty() || offset + bytes > capacity_) {
            capacity_ = std::max(kChunkSize, bytes);
            chunks_.push_back(std::make_unique_for_overwrite<std::byte[]>(capacity_));
            offset = 0;
        }
        used_ = offset + bytes;
        T* block = reinterpret_cast<T*>(chunks_.back().get() + offset);
        for (size_t i = 0; i < count; ++i) new (block + i) T();
        return block;
    }

private:
    // Small enough that releasing a tree does not make the C library
    // consolidate and trim its heap (which it does for a freed block of 64 KiB
    // or more): otherwise every file parsed after it faults fresh pages in.
    static constexpr size_t kChunkSize = 16 * 1024;
    std::vector<std::unique_ptr<std::byte[]>> chunks_;
    size_t capacity_ = 0;
    size_t used_ = 0;
};

struct ParserContextDeleter {
    void operator()(xmlParserCtxt* context) const { xmlFreeParserCtxt(context); }
};

} // namespace

// What every reader of one document shares: the libxml2 document (whose
// strings the dictionaries point into), the dictionaries, and the texts the
// reader had to put together itself.
struct XML::Tree {
    xmlDoc* doc = nullptr;
    xmlNode* root = nullptr;
    Arena arena;
    std::deque<std::string> texts; // text contents the builder put together
    const XMLElementDictionary* top = nullptr;

    ~Tree()
    {
        if (doc) xmlFreeDoc(doc);
    }
};

std::optional<std::string_view> XMLElementDictionary::value() const
{
    if (!hasValue_) return std::nullopt;
    return value_;
}

std::optional<std::string_view> XMLElementDictionary::entry(std::string_view key) const
{
    if (key == kNameKey) return name_;
    if (key == kValueKey) return value();
    // The children took the "node" entry over from a first child's
    // attribute; only the element's own attribute can take it back.
    if (key == kNodeKey) {
        if (hasNode_) return std::nullopt;
        const xmlAttr* own = findAttribute(own_, key);
        return own ? std::optional<std::string_view>(attributeText(own)) : std::nullopt;
    }
    const xmlAttr* attribute = findAttribute(own_, key);
    if (!attribute) attribute = findAttribute(inherited_, key);
    return attribute ? std::optional<std::string_view>(attributeText(attribute)) : std::nullopt;
}

// Builds the dictionaries of one document (see the class comment of XML).
class XMLTreeBuilder {
public:
    explicit XMLTreeBuilder(XML::Tree& tree) : tree_(tree) {}

    // The root's dictionary, or null when the root has no child nodes.
    const XMLElementDictionary* buildRoot(xmlNode* root)
    {
        if (!root->children) return nullptr;
        XMLElementDictionary* top = tree_.arena.allocate<XMLElementDictionary>(1);
        // The root's own attributes are in no dictionary.
        fill(*top, view(root->name), nullptr, root->children);
        build(*top, root->children);
        return top;
    }

private:
    // Makes the dictionaries of the child elements that the tree keeps,
    // side by side, then fills and builds each.
    void build(XMLElementDictionary& dictionary, xmlNode* first)
    {
        size_t count = 0;
        for (xmlNode* node = first; node; node = node->next) count += kept(node) ? 1 : 0;
        if (count == 0) return;
        XMLElementDictionary* children = tree_.arena.allocate<XMLElementDictionary>(count);
        const XMLElementDictionary** slots = tree_.arena.allocate<const XMLElementDictionary*>(count);
        dictionary.children_ = slots;
        dictionary.childCount_ = static_cast<uint32_t>(count);
        size_t slot = 0;
        for (xmlNode* node = first; node; node = node->next) {
            if (!kept(node)) continue;
            XMLElementDictionary& child = children[slot];
            slots[slot++] = &child;
            fill(child, view(node->name), node, node->children);
            if (node->children) build(child, node->children);
        }
    }

    static bool kept(const xmlNode* node)
    {
        // An element without child nodes has no text content: without
        // attributes it would be an empty dictionary, which is left out.
        return node->type == XML_ELEMENT_NODE && (node->children || node->properties);
    }

    // The entries of an element's dictionary as they come out of the shared
    // key space, copied in this order: the name, the attributes of a first
    // child element, the text content of the first child node, the children
    // (when there are child nodes), the element's own attributes.
    void fill(XMLElementDictionary& dictionary, std::string_view name, xmlNode* element, xmlNode* first)
    {
        xmlNode* inherited = first && first->type == XML_ELEMENT_NODE ? first : nullptr;
        normalise(inherited);
        normalise(element);
        dictionary.own_ = element;
        dictionary.inherited_ = inherited;

        const KeyAttributes fromChild = keyAttributes(inherited);
        const KeyAttributes own = keyAttributes(element);
        dictionary.name_ = name;
        if (fromChild.name) dictionary.name_ = attributeText(fromChild.name);
        if (fromChild.value) setValue(dictionary, attributeText(fromChild.value));
        if (first) {
            std::optional<std::string_view> text = content(first);
            if (text) setValue(dictionary, trimSpaces(*text));
            dictionary.hasNode_ = true;
        }
        if (own.name) dictionary.name_ = attributeText(own.name);
        if (own.value) setValue(dictionary, attributeText(own.value));
        // An attribute "node" of the element's own hides the children.
        if (own.node) dictionary.hasNode_ = false;
    }

    // An element's attributes that share their names with the reader's keys.
    struct KeyAttributes {
        const xmlAttr* name = nullptr;
        const xmlAttr* value = nullptr;
        const xmlAttr* node = nullptr;
    };

    static KeyAttributes keyAttributes(const xmlNode* element)
    {
        KeyAttributes found;
        if (!element) return found;
        for (const xmlAttr* attribute = element->properties; attribute; attribute = attribute->next) {
            const char* key = reinterpret_cast<const char*>(attribute->name);
            if (key[0] != 'n' && key[0] != 'v') continue;
            if (kNameKey == key) found.name = attribute;
            else if (kValueKey == key) found.value = attribute;
            else if (kNodeKey == key) found.node = attribute;
        }
        return found;
    }

    static void setValue(XMLElementDictionary& dictionary, std::string_view text)
    {
        dictionary.value_ = text;
        dictionary.hasValue_ = true;
    }

    // Leaves each attribute of the element with one text node at most, so
    // that its text can be read in place: an attribute that holds entity
    // references gets the text around them.
    void normalise(xmlNode* element)
    {
        if (!element) return;
        for (xmlAttr* attribute = element->properties; attribute; attribute = attribute->next) {
            xmlNode* first = attribute->children;
            if (!first || (first->type == XML_TEXT_NODE && !first->next)) continue;
            std::string joined;
            appendText(first, joined);
            xmlFreeNodeList(first);
            xmlNode* text = xmlNewDocTextLen(tree_.doc, reinterpret_cast<const xmlChar*>(joined.data()),
                                             static_cast<int>(joined.size()));
            if (text) text->parent = reinterpret_cast<xmlNode*>(attribute);
            attribute->children = text;
            attribute->last = text;
        }
    }

    // The text content of a node as libxml2 reports it; nothing when empty.
    std::optional<std::string_view> content(const xmlNode* node)
    {
        std::string_view text;
        switch (node->type) {
        case XML_TEXT_NODE:
        case XML_CDATA_SECTION_NODE:
        case XML_COMMENT_NODE:
        case XML_PI_NODE:
            text = view(node->content);
            break;
        case XML_ELEMENT_NODE: {
            std::string joined;
            appendText(node->children, joined);
            if (!joined.empty()) text = tree_.texts.emplace_back(std::move(joined));
            break;
        }
        default:
            break;
        }
        if (text.empty()) return std::nullopt;
        return text;
    }

    XML::Tree& tree_;
};

XMLQueryResult::XMLQueryResult(Ref<XML> reader) : reader_(std::move(reader)) {}

XML::XML(std::shared_ptr<const Tree> tree, const XMLElementDictionary* root, bool ownsDocument)
    : tree_(std::move(tree)), root_(root), ownsDocument_(ownsDocument)
{
}

XML::~XML() = default;

Ref<XML> XML::initWithString(std::string_view text)
{
    if (text.size() > static_cast<size_t>(INT_MAX)) {
        throw XMLParseException("the text is too large");
    }
    routeLibxmlErrorsToLog();
    std::unique_ptr<xmlParserCtxt, ParserContextDeleter> context(xmlNewParserCtxt());
    if (!context) throw XMLParseException("out of memory");
    // The exception carries the reason; the per-thread handler would log
    // every error of the parse on top of it.
    if (context->sax) context->sax->serror = [](void*, xmlErrorPtr) {};
    // No NOENT (entities stay unexpanded), no DTDLOAD and NONET (nothing is
    // fetched), NOCDATA (CDATA reads as text).
    const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NOCDATA;
    auto tree = std::make_shared<Tree>();
    tree->doc = xmlCtxtReadMemory(context.get(), text.data(), static_cast<int>(text.size()), "xml", nullptr,
                                  options);
    tree->root = tree->doc ? xmlDocGetRootElement(tree->doc) : nullptr;
    if (!tree->root) {
        std::string reason = "no root element";
        const xmlError* last = xmlCtxtGetLastError(context.get());
        if (!tree->doc && last && last->message) {
            reason = last->message;
            while (!reason.empty() && (reason.back() == '\n' || reason.back() == ' ')) reason.pop_back();
            reason += " (line " + std::to_string(last->line) + ")";
        }
        throw XMLParseException(reason);
    }
    XMLTreeBuilder builder(*tree);
    tree->top = builder.buildRoot(tree->root);
    const XMLElementDictionary* top = tree->top;
    return makeRef<XML>(std::move(tree), top, true);
}

_xmlDoc* XML::doc() const
{
    return ownsDocument_ ? tree_->doc : nullptr;
}

_xmlNode* XML::element_root() const
{
    return ownsDocument_ ? tree_->root : nullptr;
}

const XMLElementDictionary* XML::getXMLElement(XMLElementDictionary::Children elements, std::string_view name)
{
    for (const XMLElementDictionary* element : elements) {
        if (element->name() == name) return element;
    }
    return nullptr;
}

std::vector<const XMLElementDictionary*> XML::getXMLElementArray(XMLElementDictionary::Children elements,
                                                                 std::string_view name)
{
    std::vector<const XMLElementDictionary*> named;
    for (const XMLElementDictionary* element : elements) {
        if (element->name() == name) named.push_back(element);
    }
    return named;
}

std::optional<std::string_view> XML::getXMLElementValue(XMLElementDictionary::Children elements,
                                                        std::string_view name)
{
    const XMLElementDictionary* element = getXMLElement(elements, name);
    return element ? element->value() : std::nullopt;
}

std::optional<std::string_view> XML::getXMLElementAttribute(XMLElementDictionary::Children elements,
                                                            std::string_view name, std::string_view attribute)
{
    const XMLElementDictionary* element = getXMLElement(elements, name);
    return element ? element->entry(attribute) : std::nullopt;
}

_xmlNode* XML::getElement(_xmlNode* cur, std::string_view name)
{
    for (; cur; cur = cur->next) {
        if (view(cur->name) == name) return cur;
    }
    return nullptr;
}

namespace {

XMLElementDictionary::Children childrenOf(const XMLElementDictionary* element)
{
    return element ? element->node() : XMLElementDictionary::Children();
}

// The index-th child named `name`, or null.
const XMLElementDictionary* nthNamed(const XMLElementDictionary* element, std::string_view name,
                                     int64_t index)
{
    if (index < 0) return nullptr;
    for (const XMLElementDictionary* child : childrenOf(element)) {
        if (child->name() == name && index-- == 0) return child;
    }
    return nullptr;
}

// One step down. False when an index runs past the end (the query then
// answers nothing); `current` becomes null when an unindexed name matches
// nothing, and stays null from then on.
bool stepDown(const XMLElementDictionary*& current, std::string_view component, bool indexRequired)
{
    const size_t bracket = component.find('[');
    if (bracket == std::string_view::npos && !indexRequired) {
        current = XML::getXMLElement(childrenOf(current), component);
        return true;
    }
    const std::string_view name = component.substr(0, bracket);
    const int64_t index =
        bracket == std::string_view::npos ? 0 : parseLeadingInteger(component.substr(bracket + 1));
    current = nthNamed(current, name, index);
    return current != nullptr;
}

} // namespace

XMLQueryResult XML::query(std::string_view path) const
{
    try {
        return answer(path);
    } catch (...) {
        return {};
    }
}

XMLQueryResult XML::answer(std::string_view path) const
{
    std::vector<std::string_view> components;
    for (size_t start = 0;;) {
        const size_t dot = path.find('.', start);
        components.push_back(
            path.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start));
        if (dot == std::string_view::npos) break;
        start = dot + 1;
    }
    const bool valueForm = components.back() == kValueKey;
    if (valueForm) components.pop_back();
    const bool countForm = !components.empty() && components.back() == "count";
    if (countForm) components.pop_back();
    if (components.empty()) {
        return countForm && !valueForm ? XMLQueryResult(Value(int32_t(0))) : XMLQueryResult();
    }

    const XMLElementDictionary* current = root_;
    for (size_t i = 0; i + 1 < components.size(); ++i) {
        if (!stepDown(current, components[i], false)) return {};
    }
    const std::string_view last = components.back();
    if (!last.empty() && last.front() == '@') {
        if (!current) return {};
        std::optional<std::string_view> entry = current->entry(last.substr(1));
        return entry ? XMLQueryResult(Value(*entry)) : XMLQueryResult();
    }
    if (valueForm) {
        if (!stepDown(current, last, true)) return {};
        std::optional<std::string_view> value = current->value();
        return value ? XMLQueryResult(Value(*value)) : XMLQueryResult();
    }
    if (countForm) {
        int32_t count = 0;
        for (const XMLElementDictionary* child : childrenOf(current)) {
            if (child->name() == last) ++count;
        }
        return XMLQueryResult(Value(count));
    }
    return XMLQueryResult(makeRef<XML>(tree_, current, false));
}

} // namespace mw
