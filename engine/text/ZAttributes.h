#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <variant>

#include "engine/base/ccTypes.h"
#include "engine/text/ZFont.h"
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

    friend bool operator==(const ZAttributeValue& a, const ZAttributeValue& b);

private:
    std::variant<std::monostate, Ref<ZFont>, ccColor4F, double, std::string> value_;
};

// Attribute name -> value, ordered by name.
using ZAttributes = std::map<std::string, ZAttributeValue, std::less<>>;

// The value for a name, or an absent value.
const ZAttributeValue& attributeValue(const ZAttributes& attributes, std::string_view name);

// A stretch of text sharing one set of attributes: it starts at `index` (in
// UTF-16 units) and lasts until the next run starts or the text ends.
struct ZAttributeRun {
    size_t index = 0;
    ZAttributes attributes;

    friend bool operator==(const ZAttributeRun&, const ZAttributeRun&) = default;
    // "<ZAttributeRun: 0x... index=N attributes={name=value ...}>"
    std::string description() const;
};

} // namespace mw
