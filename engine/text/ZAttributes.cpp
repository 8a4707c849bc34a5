#include "engine/text/ZAttributes.h"

#include "foundation/Format.h"

namespace mw {

ZFont* ZAttributeValue::font() const
{
    const auto* font = std::get_if<Ref<ZFont>>(&value_);
    return font ? font->get() : nullptr;
}

ccColor4F ZAttributeValue::color() const
{
    const auto* color = std::get_if<ccColor4F>(&value_);
    return color ? *color : kZClearColor;
}

double ZAttributeValue::number() const
{
    const auto* number = std::get_if<double>(&value_);
    return number ? *number : 0.0;
}

std::string ZAttributeValue::description() const
{
    if (const auto* font = std::get_if<Ref<ZFont>>(&value_)) {
        if (!*font) return "(null)";
        return format("<ZFont: %p %@ %g>", static_cast<const void*>(font->get()),
                      (*font)->postScriptName().value_or("?"), double((*font)->pointSize()));
    }
    if (const auto* color = std::get_if<ccColor4F>(&value_)) {
        return format("rgba(%g, %g, %g, %g)", double(color->r), double(color->g), double(color->b),
                      double(color->a));
    }
    if (const auto* number = std::get_if<double>(&value_)) return format("%g", *number);
    if (const auto* text = std::get_if<std::string>(&value_)) return *text;
    return "(null)";
}

bool operator==(const ZAttributeValue& a, const ZAttributeValue& b)
{
    if (a.value_.index() != b.value_.index()) return false;
    if (const auto* font = std::get_if<Ref<ZFont>>(&a.value_)) {
        const ZFont* other = std::get<Ref<ZFont>>(b.value_).get();
        return font->get() == other || (font->get() && font->get()->isEqual(other));
    }
    if (const auto* color = std::get_if<ccColor4F>(&a.value_)) return *color == std::get<ccColor4F>(b.value_);
    if (const auto* number = std::get_if<double>(&a.value_)) return *number == std::get<double>(b.value_);
    if (const auto* text = std::get_if<std::string>(&a.value_))
        return *text == std::get<std::string>(b.value_);
    return true; // both absent
}

const ZAttributeValue& attributeValue(const ZAttributes& attributes, std::string_view name)
{
    static const ZAttributeValue absent;
    auto found = attributes.find(name);
    return found == attributes.end() ? absent : found->second;
}

std::string ZAttributeRun::description() const
{
    std::string entries;
    for (const auto& [name, value] : attributes) {
        if (!entries.empty()) entries += ' ';
        entries += name + "=" + value.description();
    }
    return format("<ZAttributeRun: %p index=%lu attributes={%@}>", static_cast<const void*>(this),
                  static_cast<unsigned long>(index), entries);
}

} // namespace mw
