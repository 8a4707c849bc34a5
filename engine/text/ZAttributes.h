#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <variant>

#include "engine/base/ccTypes.h"
#include "engine/text/ZFont.h"
#include "foundation/KeyedArchive.h"
#include "foundation/Ref.h"

namespace mw {

// The attribute names the text drawing reads.
inline constexpr std::string_view ZFontAttributeName = "ZFontAttributeName";                       // a ZFont
inline constexpr std::string_view ZForegroundColorAttributeName = "ZForegroundColorAttributeName"; // a colour
inline constexpr std::string_view ZBackgroundColorAttributeName = "ZBackgroundColorAttributeName"; // a colour
inline constexpr std::string_view ZUnderlineStyleAttributeName = "ZUnderlineStyleAttributeName";   // a number

// The platform's named colours as attribute values.
inline constexpr ccColor4F kZBlackColor{0, 0, 0, 1};
inline constexpr ccColor4F kZWhiteColor{1, 1, 1, 1};
inline constexpr ccColor4F kZClearColor{0, 0, 0, 0};

// One attribute value: a font, a colour, a number or a string; a
// default-made value stands for "absent". Values compare by content, fonts
// by ZFont::isEqual.
class ZAttributeValue {
public:
    ZAttributeValue() = default;
    ZAttributeValue(Ref<ZFont> font) : value_(std::move(font)) {}
    ZAttributeValue(ZFont* font) : value_(Ref<ZFont>(font)) {}
    ZAttributeValue(const ccColor4F& color) : value_(color) {}
    ZAttributeValue(double number) : value_(number) {}
    ZAttributeValue(int number) : value_(static_cast<double>(number)) {}
    ZAttributeValue(std::string text) : value_(std::move(text)) {}
    ZAttributeValue(const char* text) : value_(std::string(text)) {}

    bool isAbsent() const { return std::holds_alternative<std::monostate>(value_); }
    // The font, or null for another kind.
    ZFont* font() const;
    bool isColor() const { return std::holds_alternative<ccColor4F>(value_); }
    // The colour, or clear for another kind.
    ccColor4F color() const;
    // The number, or 0 for another kind.
    double number() const;

    // A short readable form, for descriptions.
    std::string description() const;

    // The archive form: a string, a real number, or a colour's components as
    // an array of four reals. A font (or absent value) has none: null.
    ArchiveItem archived() const;
    // A value from its archive form (any integer or real is a number); absent
    // for an item that is none of the forms above.
    static ZAttributeValue fromArchived(const ArchiveItem& item);

    friend bool operator==(const ZAttributeValue& a, const ZAttributeValue& b);

private:
    std::variant<std::monostate, Ref<ZFont>, ccColor4F, double, std::string> value_;
};

// Attribute name -> value, ordered by name.
using ZAttributes = std::map<std::string, ZAttributeValue, std::less<>>;

// The value for a name, or an absent value.
const ZAttributeValue& attributeValue(const ZAttributes& attributes, std::string_view name);

// The attributes that have an archive form (all but fonts); each one left
// out is logged.
ZAttributes archivableAttributes(const ZAttributes& attributes);

// A stretch of text sharing one set of attributes: it starts at `index` (in
// UTF-16 units) and lasts until the next run starts or the text ends.
//
// Held by value in an attributed string's run array; it is an Object only so
// that a keyed archive can carry it as an object (archives take copies, so
// never hold a Ref to a run inside an array).
//
// Archive form: "index" (an unsigned integer) and "attributes" (a dictionary
// from name to value). Strings and numbers are stored as themselves, colours
// as an array of their four components r, g, b, a. A font has no archive form:
// it is left out with a log line, the run keeping its other attributes.
struct ZAttributeRun : public Object, public Archivable {
    size_t index = 0;
    ZAttributes attributes;

    ZAttributeRun() = default;
    ZAttributeRun(size_t startIndex, ZAttributes runAttributes)
        : index(startIndex), attributes(std::move(runAttributes))
    {
    }

    friend bool operator==(const ZAttributeRun& a, const ZAttributeRun& b)
    {
        return a.index == b.index && a.attributes == b.attributes;
    }
    // "<ZAttributeRun: 0x... index=N attributes={name=value ...}>"
    std::string description() const;

    std::string className() const override { return "ZAttributeRun"; }
    void encodeWithCoder(KeyedArchiver& coder) const override;
    // Refuses (with a log line) an index that is no unsigned 32-bit integer,
    // and attributes that are no dictionary of names to archivable values.
    bool initWithCoder(KeyedUnarchiver& coder) override;
};

} // namespace mw
