// Feeds arbitrary bytes to the game's XML reader. A document it accepts is
// walked: every element that a dotted path can name is asked for by its path
// (index by index, with the count form, an attribute form and a sub-reader),
// and the answers must agree with the tree. A few odd paths must answer
// without failing.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "foundation/Log.h"
#include "game/state/XML.h"

namespace {

[[noreturn]] void mismatch(const std::string& path, const std::string& detail)
{
    std::fprintf(stderr, "xml_reader: %s: %s\n", path.c_str(), detail.c_str());
    std::abort();
}

// A name a path can carry: no separator, bracket or "@", and none of the
// words that select a form.
bool nameable(std::string_view name)
{
    return !name.empty() && name.find_first_of(".[@") == std::string_view::npos && name != "value" &&
           name != "count";
}

// Walks at most `budget` elements below `element`, whose path from the root is `path`.
void walk(const mw::XML& xml, const mw::XMLElementDictionary& element, const std::string& path, int& budget)
{
    const mw::XMLElementDictionary::Children& children = element.node();
    for (size_t i = 0; i < children.size() && budget > 0; ++i) {
        --budget;
        const mw::XMLElementDictionary& child = *children[i];
        const std::string name(child.name());
        if (!nameable(name)) continue;
        // The child's index among the siblings of its name.
        int index = 0;
        for (size_t j = 0; j < i; ++j) index += children[j]->name() == child.name() ? 1 : 0;
        const std::string childPath = path + name + "[" + std::to_string(index) + "]";

        const mw::XMLQueryResult count = xml.query(path + name + ".count");
        if (!count.isNumber() || count.intValue() <= index) mismatch(path + name + ".count", "too small");
        const mw::XMLQueryResult nameEntry = xml.query(childPath + ".@name");
        if (nameEntry.stringValue() != name) mismatch(childPath + ".@name", nameEntry.stringValue());
        const mw::XMLQueryResult value = xml.query(childPath + ".value");
        if (value.isNil() != !child.value().has_value() ||
            (child.value() && value.stringValue() != *child.value())) {
            mismatch(childPath + ".value", "differs from the tree");
        }
        mw::Ref<mw::XML> sub = xml.query(childPath + ".x").reader();
        if (!sub || sub->dicXML() != &child) mismatch(childPath + ".x", "no reader of the element");
        walk(xml, child, childPath + ".", budget);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool quiet = [] {
        mw::setLogSink([](const std::string&) {});
        return true;
    }();
    (void)quiet;

    mw::Ref<mw::XML> xml;
    try {
        xml = mw::XML::initWithString(std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const mw::XMLParseException&) {
        return 0;
    }
    for (const char* path : {"", ".", "..", "value", "count", "@", "[", "a[", "a[99999999999].b",
                             "a.b.c.d.value", "a[-1].count", "@name", "@value", "@node", "a.count.value"}) {
        (void)xml->query(path);
    }
    if (const mw::XMLElementDictionary* root = xml->dicXML()) {
        int budget = 200;
        walk(*xml, *root, "", budget);
    }
    return 0;
}
