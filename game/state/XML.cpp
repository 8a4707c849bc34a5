#include "game/state/XML.h"

#include <climits>
#include <deque>
#include <string>

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

size_t countElements(const xmlNode* node)
{
    size_t count = 0;
    for (; node; node = node->next) {
        if (node->type == XML_ELEMENT_NODE) count += 1 + countElements(node->children);
    }
    return count;
}

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
    std::vector<XMLElementDictionary> elements; // reserved up front: addresses never move
    std::deque<std::string> texts;
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
    if (key == kNodeKey && hasNode_) return std::nullopt;
    for (const Attribute& attribute : attributes_) {
        if (attribute.first == key) return attribute.second;
    }
    return std::nullopt;
}

void XMLElementDictionary::set(std::string_view key, std::string_view text, size_t known)
{
    if (key == kNameKey) {
        name_ = text;
        return;
    }
    if (key == kValueKey) {
        value_ = text;
        hasValue_ = true;
        return;
    }
    if (key == kNodeKey && hasNode_) {
        hasNode_ = false;
        children_.clear();
    }
    for (size_t i = 0; i < known; ++i) {
        if (attributes_[i].first == key) {
            attributes_[i].second = text;
            return;
        }
    }
    attributes_.emplace_back(key, text);
}

void XMLElementDictionary::setNode()
{
    hasNode_ = true;
    for (auto it = attributes_.begin(); it != attributes_.end(); ++it) {
        if (it->first == kNodeKey) {
            attributes_.erase(it);
            return;
        }
    }
}

// Builds the dictionaries of one document (see the class comment of XML).
class XMLTreeBuilder {
public:
    explicit XMLTreeBuilder(XML::Tree& tree) : tree_(tree) {}

    // The root's dictionary, or null when the root has no child nodes.
    const XMLElementDictionary* buildRoot(xmlNode* root)
    {
        tree_.elements.reserve(countElements(root));
        if (!root->children) return nullptr;
        return build(root->children, view(root->name));
    }

private:
    // The dictionary of the element named `name` whose first child node is `first`.
    XMLElementDictionary* build(xmlNode* first, std::string_view name)
    {
        XMLElementDictionary* dictionary = make();
        dictionary->name_ = name;
        if (first->type == XML_ELEMENT_NODE) copyAttributes(*dictionary, first);
        if (std::optional<std::string_view> text = content(first)) {
            dictionary->value_ = trimSpaces(*text);
            dictionary->hasValue_ = true;
        }
        for (xmlNode* node = first; node; node = node->next) {
            if (node->type != XML_ELEMENT_NODE) continue;
            XMLElementDictionary* child = nullptr;
            if (node->children) {
                child = build(node->children, view(node->name));
                copyAttributes(*child, node);
            } else {
                child = make();
                child->name_ = view(node->name);
                copyAttributes(*child, node);
                // An element without child nodes has no text content.
                if (!node->properties) continue;
            }
            dictionary->children_.push_back(child);
        }
        dictionary->setNode();
        return dictionary;
    }

    XMLElementDictionary* make() { return &tree_.elements.emplace_back(); }

    void copyAttributes(XMLElementDictionary& dictionary, const xmlNode* element)
    {
        const size_t known = dictionary.attributes_.size();
        for (const xmlAttr* attribute = element->properties; attribute; attribute = attribute->next) {
            dictionary.set(view(attribute->name), attributeValue(attribute), known);
        }
    }

    std::string_view attributeValue(const xmlAttr* attribute)
    {
        const xmlNode* first = attribute->children;
        if (!first) return {};
        if (first->type == XML_TEXT_NODE && !first->next) return view(first->content);
        std::string joined;
        appendText(first, joined);
        return keep(std::move(joined));
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
            if (!joined.empty()) text = keep(std::move(joined));
            break;
        }
        default:
            break;
        }
        if (text.empty()) return std::nullopt;
        return text;
    }

    std::string_view keep(std::string text) { return tree_.texts.emplace_back(std::move(text)); }

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

const XMLElementDictionary* XML::getXMLElement(const XMLElementDictionary::Children& elements,
                                               std::string_view name)
{
    for (const XMLElementDictionary* element : elements) {
        if (element->name() == name) return element;
    }
    return nullptr;
}

XMLElementDictionary::Children XML::getXMLElementArray(const XMLElementDictionary::Children& elements,
                                                       std::string_view name)
{
    XMLElementDictionary::Children named;
    for (const XMLElementDictionary* element : elements) {
        if (element->name() == name) named.push_back(element);
    }
    return named;
}

std::optional<std::string_view> XML::getXMLElementValue(const XMLElementDictionary::Children& elements,
                                                        std::string_view name)
{
    const XMLElementDictionary* element = getXMLElement(elements, name);
    return element ? element->value() : std::nullopt;
}

std::optional<std::string_view> XML::getXMLElementAttribute(const XMLElementDictionary::Children& elements,
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

const XMLElementDictionary::Children& childrenOf(const XMLElementDictionary* element)
{
    static const XMLElementDictionary::Children none;
    return element ? element->node() : none;
}

// The index-th child named `name`, or null.
const XMLElementDictionary* nthNamed(const XMLElementDictionary* element, std::string_view name, int64_t index)
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
        components.push_back(path.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start));
        if (dot == std::string_view::npos) break;
        start = dot + 1;
    }
    const bool valueForm = components.back() == kValueKey;
    if (valueForm) components.pop_back();
    const bool countForm = !components.empty() && components.back() == "count";
    if (countForm) components.pop_back();
    if (components.empty()) return countForm && !valueForm ? XMLQueryResult(Value(int32_t(0))) : XMLQueryResult();

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
