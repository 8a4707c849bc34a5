#include "game/state/ArchiveLists.h"

namespace mw {

ArchiveItem archivedIntegers(const std::vector<int32_t>& values)
{
    ArchiveItem::Items items;
    items.reserve(values.size());
    for (int32_t value : values) items.emplace_back(Value(value));
    return ArchiveItem::array(std::move(items));
}

ArchiveItem archivedCounts(const std::map<int32_t, int32_t>& counts)
{
    ArchiveItem::Entries entries;
    entries.reserve(counts.size());
    for (const auto& [key, count] : counts) entries.emplace_back(Value(key), Value(count));
    return ArchiveItem::dictionary(std::move(entries));
}

std::optional<std::vector<int32_t>> decodeIntegers(KeyedUnarchiver& coder, std::string_view key)
{
    if (!coder.containsValueForKey(key)) return std::nullopt;
    const ArchiveItem stored = coder.decodeItem(key);
    std::vector<int32_t> values;
    for (const ArchiveItem& item : stored.items()) values.push_back(item.value().asInt());
    return values;
}

std::optional<std::map<int32_t, int32_t>> decodeCounts(KeyedUnarchiver& coder, std::string_view key)
{
    if (!coder.containsValueForKey(key)) return std::nullopt;
    const ArchiveItem stored = coder.decodeItem(key);
    std::map<int32_t, int32_t> counts;
    for (const auto& [entryKey, count] : stored.entries()) {
        counts[entryKey.value().asInt()] = count.value().asInt();
    }
    return counts;
}

} // namespace mw
