#include "engine/text/ZAttributes.h"

#include <cstdint>

#include "foundation/Format.h"
#include "foundation/Log.h"

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

ArchiveItem ZAttributeValue::archived() const
{
    if (const auto* color = std::get_if<ccColor4F>(&value_)) {
        return ArchiveItem::array({Value(color->r), Value(color->g), Value(color->b), Value(color->a)});
    }
    if (const auto* number = std::get_if<double>(&value_)) return Value(*number);
    if (const auto* text = std::get_if<std::string>(&value_)) return Value(*text);
    return {};
}

ZAttributeValue ZAttributeValue::fromArchived(const ArchiveItem& item)
{
    if (item.kind() == ArchiveItem::Kind::Array) {
        const ArchiveItem::Items& parts = item.items();
        if (parts.size() != 4) return {};
        for (const ArchiveItem& part : parts) {
            if (part.kind() != ArchiveItem::Kind::Value) return {};
            if (!part.value().isInteger() && !part.value().isReal()) return {};
        }
        return ccColor4F{parts[0].value().asFloat(), parts[1].value().asFloat(), parts[2].value().asFloat(),
                         parts[3].value().asFloat()};
    }
    if (item.kind() != ArchiveItem::Kind::Value) return {};
    const Value& value = item.value();
    if (value.isString()) return value.asString();
    if (value.isInteger() || value.isReal()) return value.asDouble();
    return {};
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

ZAttributes archivableAttributes(const ZAttributes& attributes)
{
    ZAttributes kept;
    for (const auto& [name, value] : attributes) {
        if (value.archived().isNull()) {
            logLine("ZAttributeRun: attribute \"%s\" (%s) has no archive form; it is left out of the archive",
                    name.c_str(), value.description().c_str());
            continue;
        }
        kept.emplace(name, value);
    }
    return kept;
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

namespace {
const ArchivableRegistration<ZAttributeRun> registration("ZAttributeRun");
} // namespace

void ZAttributeRun::encodeWithCoder(KeyedArchiver& coder) const
{
    coder.encodeValue("index", Value(static_cast<uint64_t>(index)));
    ArchiveItem::Entries entries;
    for (const auto& [name, value] : archivableAttributes(attributes)) {
        entries.emplace_back(Value(name), value.archived());
    }
    coder.encodeItem("attributes", ArchiveItem::dictionary(std::move(entries)));
}

bool ZAttributeRun::initWithCoder(KeyedUnarchiver& coder)
{
    const ArchiveItem storedIndex = coder.decodeItem("index");
    const Value& number = storedIndex.value();
    if (!number.isInteger() || number.isUnsigned() || number.asInt64() < 0 || number.asInt64() > int64_t(UINT32_MAX)) {
        logLine("ZAttributeRun: archive refused: \"index\" is not an unsigned 32-bit integer");
        return false;
    }
    const ArchiveItem stored = coder.decodeItem("attributes");
    if (stored.kind() != ArchiveItem::Kind::Dictionary) {
        logLine("ZAttributeRun: archive refused: \"attributes\" is not a dictionary");
        return false;
    }
    ZAttributes decoded;
    for (const auto& [key, item] : stored.entries()) {
        if (key.kind() != ArchiveItem::Kind::Value || !key.value().isString()) {
            logLine("ZAttributeRun: archive refused: an attribute name is not a string");
            return false;
        }
        ZAttributeValue value = ZAttributeValue::fromArchived(item);
        if (value.isAbsent()) {
            logLine("ZAttributeRun: archive refused: attribute \"%s\" has no readable value",
                    key.value().asString().c_str());
            return false;
        }
        decoded.insert_or_assign(key.value().asString(), std::move(value));
    }
    index = static_cast<size_t>(number.asInt64());
    attributes = std::move(decoded);
    return true;
}

} // namespace mw
