#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/text/NSRange.h"
#include "engine/text/ZAttributes.h"
#include "foundation/KeyedArchive.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"

namespace mw {

class ZMutableAttributedString;

// Options of the enumerations.
inline constexpr uint32_t ZAttributedStringEnumerationReverse = 1u << 1;
inline constexpr uint32_t ZAttributedStringEnumerationLongestEffectiveRangeNotRequired = 1u << 20;

// Text with attributes held as runs (see ZAttributeRun). Indices and ranges
// count UTF-16 units.
//
// Invariants: there is always at least one run, the first starts at 0, run
// indices strictly increase, every run but the only one of an empty text
// covers at least one unit, and neighbouring runs carry different
// attributes. An index or range past the text raises std::out_of_range
// with the reason as the message; nothing is changed before raising.
//
// Archive form: "buffer" (the text as a string) and "attributes" (the runs,
// an array of ZAttributeRun objects). Attributes without an archive form
// (fonts) are left out with a log line, and runs that become equal merge. An
// archive that breaks the invariants above (a first run not at 0, indices
// not increasing, a run starting at or past the end of a non-empty text) is
// refused with a log line; equal neighbouring runs in it are merged.
class ZAttributedString : public Object, public Archivable {
public:
    // One run at 0 with `attributes` (also for empty text).
    explicit ZAttributedString(std::string_view text = {}, ZAttributes attributes = {});
    explicit ZAttributedString(std::u16string text, ZAttributes attributes = {});
    // The other's characters and a copy of its runs.
    ZAttributedString(const ZAttributedString& other);
    ZAttributedString& operator=(const ZAttributedString&) = delete;

    // The text as UTF-8, and as the UTF-16 units that indices count.
    std::string string() const;
    const std::u16string& utf16() const { return buffer_; }
    size_t length() const { return buffer_.size(); }
    const std::vector<ZAttributeRun>& attributeRuns() const { return runs_; }

    // The number of the run holding the unit at `index` (the last run for an
    // index past the end).
    size_t indexOfEffectiveAttributeRunForIndex(size_t index) const;

    // The attributes at `index`; `effectiveRange`, when given, receives the
    // extent of the run holding it. Raises for an index at or past the end.
    ZAttributes attributesAtIndex(size_t index, NSRange* effectiveRange = nullptr) const;
    // The same with the extent clipped to `rangeLimit`. Raises also for a
    // limit that ends past the text.
    ZAttributes attributesAtIndex(size_t index, NSRange* longestEffectiveRange, NSRange rangeLimit) const;
    // One attribute at `index` (absent when the run has none) and the run's
    // extent.
    ZAttributeValue attribute(std::string_view name, size_t index, NSRange* effectiveRange = nullptr) const;
    // One attribute at `index`, with the longest range inside `rangeLimit`
    // over which neighbouring runs have an equal value for it.
    ZAttributeValue attribute(std::string_view name, size_t index, NSRange* longestEffectiveRange,
                              NSRange rangeLimit) const;

    // The characters of `range` with their attributes, runs starting at 0.
    [[nodiscard]] Ref<ZAttributedString> attributedSubstringFromRange(NSRange range) const;

    // Same characters and same runs.
    bool isEqualToAttributedString(const ZAttributedString* other) const;

    // The runs' attributes with the text between them:
    // {name: value} "text" {name: value} "text".
    std::string description() const;

    using AttributesBlock = std::function<void(const ZAttributes& attributes, NSRange range, bool& stop)>;
    using AttributeBlock = std::function<void(const ZAttributeValue& value, NSRange range, bool& stop)>;

    // Calls `block` for each run overlapping `range` with the run's extent
    // clipped to it, last run first with ZAttributedStringEnumerationReverse.
    // The runs are taken before the first call, so the block may edit a
    // mutable string; going forward, each reported location is moved by the
    // change of length the block has made so far. An empty range reports
    // nothing.
    void enumerateAttributesInRange(NSRange range, uint32_t options, const AttributesBlock& block) const;
    // Calls `block` for the values of one attribute over `range`: equal
    // values of neighbouring runs are reported once with the joined range,
    // unless ZAttributedStringEnumerationLongestEffectiveRangeNotRequired is
    // set (then run by run). Absent values are never reported.
    void enumerateAttribute(std::string_view name, NSRange range, uint32_t options,
                            const AttributeBlock& block) const;

    // An immutable string is its own copy; a mutable one copies itself into
    // an immutable one.
    [[nodiscard]] virtual Ref<ZAttributedString> copy();
    [[nodiscard]] Ref<ZMutableAttributedString> mutableCopy() const;

    std::string className() const override { return "ZAttributedString"; }
    void encodeWithCoder(KeyedArchiver& coder) const override;
    bool initWithCoder(KeyedUnarchiver& coder) override;

protected:
    // The extent of run `run`.
    NSRange runExtent(size_t run) const;
    // The runs overlapping a non-empty range, as [first, last].
    std::pair<size_t, size_t> runsOverlapping(NSRange range) const;
    void checkIndex(size_t index) const;

    std::u16string buffer_;
    std::vector<ZAttributeRun> runs_;
};

// An attributed string that can be edited. Edits split runs at the edges of
// the edited range and merge neighbours left with equal attributes.
class ZMutableAttributedString : public ZAttributedString {
public:
    using ZAttributedString::ZAttributedString;
    // A mutable copy of any attributed string.
    explicit ZMutableAttributedString(const ZAttributedString& other) : ZAttributedString(other) {}

    // Replace, add to, set one of or remove one of the attributes over `range`.
    void setAttributes(const ZAttributes& attributes, NSRange range);
    void addAttributes(const ZAttributes& attributes, NSRange range);
    void addAttribute(std::string_view name, ZAttributeValue value, NSRange range);
    void removeAttribute(std::string_view name, NSRange range);

    // Puts the other's characters and runs in place of `range`.
    void replaceCharactersInRange(NSRange range, const ZAttributedString& other);
    // Puts plain text in place of `range`; it gets one run with no attributes.
    void replaceCharactersInRange(NSRange range, std::string_view text);
    void insertAttributedString(const ZAttributedString& other, size_t index);
    void appendAttributedString(const ZAttributedString& other);
    // Deleting everything leaves one run at 0 with the first run's attributes.
    void deleteCharactersInRange(NSRange range);
    // Becomes a copy of the other.
    void setAttributedString(const ZAttributedString& other);

    [[nodiscard]] Ref<ZAttributedString> copy() override;

    std::string className() const override { return "ZMutableAttributedString"; }

private:
    void checkRange(NSRange range) const;
    // The run that starts exactly at `position`, splitting the run around
    // it when needed; the run count for a position at or past the end.
    size_t splitRunAt(size_t position);
    // The runs covering `range` after splitting them at its edges, as
    // [first, first + length).
    NSRange rangeOfAttributeRunsForRange(NSRange range);
    // Merges runs in [first - 1, end] whose attributes equal the run before.
    void cleanupAttributesInRange(NSRange runs);
    // Drops runs that cover nothing (the invariants above).
    void dropEmptyRuns(const ZAttributes& attributesIfEmpty);
    template <typename Edit>
    void editAttributes(NSRange range, Edit edit);
};

} // namespace mw
