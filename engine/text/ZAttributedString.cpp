#include "engine/text/ZAttributedString.h"

#include <algorithm>
#include <stdexcept>

#include "foundation/Format.h"
#include "foundation/Log.h"
#include "foundation/Utf16.h"

namespace mw {

namespace {

const ArchivableRegistration<ZAttributedString> registration("ZAttributedString");
const ArchivableRegistration<ZMutableAttributedString> mutableRegistration("ZMutableAttributedString");

// Drops each run whose attributes equal those of the run before it.
void mergeEqualNeighbours(std::vector<ZAttributeRun>& runs)
{
    std::vector<ZAttributeRun> kept;
    kept.reserve(runs.size());
    for (ZAttributeRun& run : runs) {
        if (kept.empty() || kept.back().attributes != run.attributes) kept.push_back(std::move(run));
    }
    runs = std::move(kept);
}

std::string describeAttributes(const ZAttributes& attributes)
{
    std::string entries;
    for (const auto& [name, value] : attributes) {
        if (!entries.empty()) entries += ", ";
        entries += name + ": " + value.description();
    }
    return "{" + entries + "}";
}

} // namespace

// ---- ZAttributedString ----

ZAttributedString::ZAttributedString(std::string_view text, ZAttributes attributes)
    : ZAttributedString(utf8ToUtf16(text), std::move(attributes))
{
}

ZAttributedString::ZAttributedString(std::u16string text, ZAttributes attributes) : buffer_(std::move(text))
{
    runs_.push_back({0, std::move(attributes)});
}

ZAttributedString::ZAttributedString(const ZAttributedString& other)
    : Object(), buffer_(other.buffer_), runs_(other.runs_)
{
}

std::string ZAttributedString::string() const
{
    return utf16ToUtf8(buffer_);
}

size_t ZAttributedString::indexOfEffectiveAttributeRunForIndex(size_t index) const
{
    size_t lo = 0;
    size_t hi = runs_.size();
    while (lo + 1 < hi) {
        const size_t mid = (lo + hi) / 2;
        if (index < runs_[mid].index) {
            hi = mid;
        } else if (index == runs_[mid].index) {
            return mid;
        } else {
            lo = mid;
        }
    }
    return lo;
}

NSRange ZAttributedString::runExtent(size_t run) const
{
    const size_t start = runs_[run].index;
    const size_t end = run + 1 < runs_.size() ? runs_[run + 1].index : buffer_.size();
    return {start, end - start};
}

std::pair<size_t, size_t> ZAttributedString::runsOverlapping(NSRange range) const
{
    const size_t first = indexOfEffectiveAttributeRunForIndex(range.location);
    size_t last = first;
    while (last + 1 < runs_.size() && runs_[last + 1].index < NSMaxRange(range)) ++last;
    return {first, last};
}

void ZAttributedString::checkIndex(size_t index) const
{
    if (index >= buffer_.size()) throw std::out_of_range("index beyond range of attributed string");
}

ZAttributes ZAttributedString::attributesAtIndex(size_t index, NSRange* effectiveRange) const
{
    checkIndex(index);
    const size_t run = indexOfEffectiveAttributeRunForIndex(index);
    if (effectiveRange) *effectiveRange = runExtent(run);
    return runs_[run].attributes;
}

ZAttributes ZAttributedString::attributesAtIndex(size_t index, NSRange* longestEffectiveRange,
                                                 NSRange rangeLimit) const
{
    checkIndex(index);
    if (NSMaxRange(rangeLimit) > buffer_.size()) {
        throw std::out_of_range("rangeLimit beyond range of attributed string");
    }
    const size_t run = indexOfEffectiveAttributeRunForIndex(index);
    if (longestEffectiveRange) *longestEffectiveRange = NSIntersectionRange(runExtent(run), rangeLimit);
    return runs_[run].attributes;
}

ZAttributeValue ZAttributedString::attribute(std::string_view name, size_t index,
                                             NSRange* effectiveRange) const
{
    checkIndex(index);
    const size_t run = indexOfEffectiveAttributeRunForIndex(index);
    if (effectiveRange) *effectiveRange = runExtent(run);
    return attributeValue(runs_[run].attributes, name);
}

ZAttributeValue ZAttributedString::attribute(std::string_view name, size_t index,
                                             NSRange* longestEffectiveRange, NSRange rangeLimit) const
{
    checkIndex(index);
    if (NSMaxRange(rangeLimit) > buffer_.size()) {
        throw std::out_of_range("rangeLimit beyond range of attributed string");
    }
    const size_t run = indexOfEffectiveAttributeRunForIndex(index);
    const ZAttributeValue& value = attributeValue(runs_[run].attributes, name);
    if (longestEffectiveRange) {
        size_t first = run;
        while (first > 0 && runs_[first].index > rangeLimit.location &&
               attributeValue(runs_[first - 1].attributes, name) == value) {
            --first;
        }
        size_t last = run;
        while (last + 1 < runs_.size() && runs_[last + 1].index < NSMaxRange(rangeLimit) &&
               attributeValue(runs_[last + 1].attributes, name) == value) {
            ++last;
        }
        *longestEffectiveRange =
            NSIntersectionRange(NSUnionRange(runExtent(first), runExtent(last)), rangeLimit);
    }
    return value;
}

Ref<ZAttributedString> ZAttributedString::attributedSubstringFromRange(NSRange range) const
{
    if (NSMaxRange(range) > buffer_.size() || NSMaxRange(range) < range.location) {
        throw std::out_of_range("range was outisde of the attributed string");
    }
    Ref<ZMutableAttributedString> substring = mutableCopy();
    substring->deleteCharactersInRange({NSMaxRange(range), buffer_.size() - NSMaxRange(range)});
    substring->deleteCharactersInRange({0, range.location});
    return substring;
}

bool ZAttributedString::isEqualToAttributedString(const ZAttributedString* other) const
{
    return other && other->buffer_ == buffer_ && other->runs_ == runs_;
}

std::string ZAttributedString::description() const
{
    std::string out = describeAttributes(runs_[0].attributes);
    for (size_t run = 0; run < runs_.size(); ++run) {
        const NSRange extent = runExtent(run);
        if (extent.length > 0)
            out += " \"" + utf16ToUtf8(buffer_.substr(extent.location, extent.length)) + "\"";
        if (run + 1 < runs_.size()) out += " " + describeAttributes(runs_[run + 1].attributes);
    }
    return out;
}

void ZAttributedString::enumerateAttributesInRange(NSRange range, uint32_t options,
                                                   const AttributesBlock& block) const
{
    range = NSIntersectionRange(range, {0, buffer_.size()});
    if (range.length == 0) return;
    const auto [first, last] = runsOverlapping(range);
    std::vector<std::pair<ZAttributes, NSRange>> snapshot;
    for (size_t run = first; run <= last; ++run) {
        snapshot.emplace_back(runs_[run].attributes, NSIntersectionRange(runExtent(run), range));
    }
    const bool reverse = (options & ZAttributedStringEnumerationReverse) != 0;
    const size_t startLength = buffer_.size();
    bool stop = false;
    for (size_t i = 0; i < snapshot.size() && !stop; ++i) {
        const auto& [attributes, extent] = reverse ? snapshot[snapshot.size() - 1 - i] : snapshot[i];
        NSRange reported = extent;
        // The block may have changed this string's length (it can only
        // have been mutable then); later runs moved with the edit.
        if (!reverse) reported.location += buffer_.size() - startLength;
        block(attributes, reported, stop);
    }
}

void ZAttributedString::enumerateAttribute(std::string_view name, NSRange range, uint32_t options,
                                           const AttributeBlock& block) const
{
    range = NSIntersectionRange(range, {0, buffer_.size()});
    if (range.length == 0) return;
    const auto [first, last] = runsOverlapping(range);
    std::vector<std::pair<ZAttributeValue, NSRange>> snapshot;
    for (size_t run = first; run <= last; ++run) {
        snapshot.emplace_back(attributeValue(runs_[run].attributes, name),
                              NSIntersectionRange(runExtent(run), range));
    }
    if (options & ZAttributedStringEnumerationReverse) std::reverse(snapshot.begin(), snapshot.end());
    bool stop = false;
    if (options & ZAttributedStringEnumerationLongestEffectiveRangeNotRequired) {
        for (const auto& [value, extent] : snapshot) {
            if (!value.isAbsent()) block(value, extent, stop);
            if (stop) return;
        }
        return;
    }
    const ZAttributeValue* pendingValue = nullptr;
    NSRange pendingRange;
    for (const auto& [value, extent] : snapshot) {
        if (pendingValue && *pendingValue == value) {
            pendingRange = NSUnionRange(pendingRange, extent);
            continue;
        }
        if (pendingValue) {
            block(*pendingValue, pendingRange, stop);
            if (stop) return;
        }
        pendingValue = value.isAbsent() ? nullptr : &value;
        pendingRange = extent;
    }
    if (pendingValue) block(*pendingValue, pendingRange, stop);
}

Ref<ZAttributedString> ZAttributedString::copy()
{
    return Ref<ZAttributedString>(this);
}

Ref<ZMutableAttributedString> ZAttributedString::mutableCopy() const
{
    return makeRef<ZMutableAttributedString>(*this);
}

void ZAttributedString::encodeWithCoder(KeyedArchiver& coder) const
{
    std::vector<ZAttributeRun> archived;
    archived.reserve(runs_.size());
    for (const ZAttributeRun& run : runs_) archived.emplace_back(run.index, archivableAttributes(run.attributes));
    mergeEqualNeighbours(archived);

    ArchiveItem::Items items;
    items.reserve(archived.size());
    for (ZAttributeRun& run : archived) items.emplace_back(makeRef<ZAttributeRun>(std::move(run)));
    coder.encodeString("buffer", string());
    coder.encodeItem("attributes", ArchiveItem::array(std::move(items)));
}

bool ZAttributedString::initWithCoder(KeyedUnarchiver& coder)
{
    auto refuse = [this](const std::string& reason) {
        logLine("%s: archive refused: %s", className().c_str(), reason.c_str());
        return false;
    };
    const ArchiveItem storedBuffer = coder.decodeItem("buffer");
    if (!storedBuffer.value().isString()) return refuse("\"buffer\" is not a string");
    std::u16string buffer = utf8ToUtf16(storedBuffer.value().asString());

    const ArchiveItem stored = coder.decodeItem("attributes");
    if (stored.kind() != ArchiveItem::Kind::Array) return refuse("\"attributes\" is not an array");
    if (stored.items().empty()) return refuse("\"attributes\" holds no run");
    std::vector<ZAttributeRun> runs;
    runs.reserve(stored.items().size());
    for (const ArchiveItem& item : stored.items()) {
        const Ref<ZAttributeRun> run = item.objectAs<ZAttributeRun>();
        if (!run) return refuse(format("run %zu is not a ZAttributeRun", runs.size()));
        const size_t number = runs.size();
        if (number == 0 && run->index != 0) return refuse(format("the first run starts at %zu, not 0", run->index));
        if (number > 0 && run->index <= runs.back().index) {
            return refuse(format("run %zu starts at %zu, not after run %zu at %zu", number, run->index, number - 1,
                                 runs.back().index));
        }
        if (number > 0 && run->index >= buffer.size()) {
            return refuse(format("run %zu starts at %zu, past the text of %zu units", number, run->index,
                                 buffer.size()));
        }
        runs.emplace_back(run->index, run->attributes);
    }
    mergeEqualNeighbours(runs);
    buffer_ = std::move(buffer);
    runs_ = std::move(runs);
    return true;
}

// ---- ZMutableAttributedString ----

Ref<ZAttributedString> ZMutableAttributedString::copy()
{
    return makeRef<ZAttributedString>(*this);
}

void ZMutableAttributedString::checkRange(NSRange range) const
{
    if (NSMaxRange(range) > buffer_.size() || NSMaxRange(range) < range.location) {
        throw std::out_of_range("range beyond range of attributed string");
    }
}

size_t ZMutableAttributedString::splitRunAt(size_t position)
{
    if (position >= buffer_.size()) return runs_.size();
    const size_t run = indexOfEffectiveAttributeRunForIndex(position);
    if (runs_[run].index == position) return run;
    runs_.insert(runs_.begin() + static_cast<ptrdiff_t>(run + 1),
                 ZAttributeRun{position, runs_[run].attributes});
    return run + 1;
}

NSRange ZMutableAttributedString::rangeOfAttributeRunsForRange(NSRange range)
{
    const size_t first = splitRunAt(range.location);
    const size_t end = splitRunAt(NSMaxRange(range));
    return {first, end - first};
}

void ZMutableAttributedString::cleanupAttributesInRange(NSRange runs)
{
    size_t run = std::max<size_t>(runs.location, 1);
    size_t last = std::min(NSMaxRange(runs), runs_.size() - 1);
    while (run <= last && run < runs_.size()) {
        if (runs_[run].attributes == runs_[run - 1].attributes) {
            runs_.erase(runs_.begin() + static_cast<ptrdiff_t>(run));
            --last;
        } else {
            ++run;
        }
    }
}

void ZMutableAttributedString::dropEmptyRuns(const ZAttributes& attributesIfEmpty)
{
    std::vector<ZAttributeRun> kept;
    kept.reserve(runs_.size());
    for (size_t run = 0; run < runs_.size(); ++run) {
        const size_t end = run + 1 < runs_.size() ? runs_[run + 1].index : buffer_.size();
        if (runs_[run].index < end) kept.push_back(std::move(runs_[run]));
    }
    if (kept.empty()) kept.push_back({0, attributesIfEmpty});
    kept.front().index = 0;
    runs_ = std::move(kept);
}

template <typename Edit>
void ZMutableAttributedString::editAttributes(NSRange range, Edit edit)
{
    checkRange(range);
    const NSRange runs = rangeOfAttributeRunsForRange(range);
    for (size_t run = runs.location; run < NSMaxRange(runs); ++run) edit(runs_[run].attributes);
    cleanupAttributesInRange(runs);
}

void ZMutableAttributedString::setAttributes(const ZAttributes& attributes, NSRange range)
{
    editAttributes(range, [&](ZAttributes& own) { own = attributes; });
}

void ZMutableAttributedString::addAttributes(const ZAttributes& attributes, NSRange range)
{
    editAttributes(range, [&](ZAttributes& own) {
        for (const auto& [name, value] : attributes) own[name] = value;
    });
}

void ZMutableAttributedString::addAttribute(std::string_view name, ZAttributeValue value, NSRange range)
{
    editAttributes(range, [&](ZAttributes& own) { own[std::string(name)] = value; });
}

void ZMutableAttributedString::removeAttribute(std::string_view name, NSRange range)
{
    editAttributes(range, [&](ZAttributes& own) {
        auto found = own.find(name);
        if (found != own.end()) own.erase(found);
    });
}

void ZMutableAttributedString::replaceCharactersInRange(NSRange range, const ZAttributedString& other)
{
    checkRange(range);
    // Copies first: `other` may be this very string.
    const std::u16string insertedText = other.utf16();
    std::vector<ZAttributeRun> inserted = other.attributeRuns();
    const ZAttributes firstAttributes = runs_.front().attributes;

    const NSRange covering = rangeOfAttributeRunsForRange(range);
    buffer_.replace(range.location, range.length, insertedText);
    for (ZAttributeRun& run : inserted) run.index += range.location;
    const auto firstCovering = runs_.begin() + static_cast<ptrdiff_t>(covering.location);
    runs_.erase(firstCovering, firstCovering + static_cast<ptrdiff_t>(covering.length));
    runs_.insert(runs_.begin() + static_cast<ptrdiff_t>(covering.location), inserted.begin(), inserted.end());
    const size_t firstAfter = covering.location + inserted.size();
    for (size_t run = firstAfter; run < runs_.size(); ++run) {
        runs_[run].index = runs_[run].index + insertedText.size() - range.length;
    }
    cleanupAttributesInRange({firstAfter, 0});
    cleanupAttributesInRange({covering.location, 0});
    dropEmptyRuns(firstAttributes);
}

void ZMutableAttributedString::replaceCharactersInRange(NSRange range, std::string_view text)
{
    replaceCharactersInRange(range, ZAttributedString(text));
}

void ZMutableAttributedString::insertAttributedString(const ZAttributedString& other, size_t index)
{
    replaceCharactersInRange({index, 0}, other);
}

void ZMutableAttributedString::appendAttributedString(const ZAttributedString& other)
{
    replaceCharactersInRange({buffer_.size(), 0}, other);
}

void ZMutableAttributedString::deleteCharactersInRange(NSRange range)
{
    checkRange(range);
    if (range.length == 0) return;
    const ZAttributes firstAttributes = runs_.front().attributes;
    const NSRange covering = rangeOfAttributeRunsForRange(range);
    buffer_.erase(range.location, range.length);
    const auto firstCovering = runs_.begin() + static_cast<ptrdiff_t>(covering.location);
    runs_.erase(firstCovering, firstCovering + static_cast<ptrdiff_t>(covering.length));
    for (size_t run = covering.location; run < runs_.size(); ++run) runs_[run].index -= range.length;
    if (!runs_.empty()) cleanupAttributesInRange({covering.location, 0});
    dropEmptyRuns(firstAttributes);
}

void ZMutableAttributedString::setAttributedString(const ZAttributedString& other)
{
    if (&other == this) return;
    buffer_ = other.utf16();
    runs_ = other.attributeRuns();
}

} // namespace mw
