#include "engine/support/CCArray.h"

#include "foundation/ValueObject.h"

#include <algorithm>
#include <cassert>
#include <cstdlib>

#include "engine/base/ccDescription.h"
#include "foundation/Log.h"
#include "foundation/Random.h"

namespace mw {

namespace {
const ArchivableRegistration<CCArray> registration("CCArray");
}

CCArray::CCArray(uint32_t capacity)
    : capacity_(std::max<uint32_t>(capacity, 1)), slots_(capacity_, nullptr)
{
}

CCArray::~CCArray() { removeAllObjects(); }

Ref<CCArray> CCArray::arrayWithArray(const CCArray* other)
{
    auto result = makeRef<CCArray>(other ? other->count() : 0);
    result->addObjectsFromArray(other);
    return result;
}

Ref<CCArray> CCArray::arrayWithNSArray(const std::vector<Ref<Object>>& items)
{
    auto result = makeRef<CCArray>(static_cast<uint32_t>(items.size()));
    result->addObjectsFromNSArray(items);
    return result;
}

void CCArray::ensureCapacity(uint32_t needed)
{
    if (capacity_ >= needed) {
        return;
    }
    while (capacity_ < needed) {
        capacity_ *= 2;
    }
    slots_.resize(capacity_, nullptr);
}

uint32_t CCArray::indexOfObject(const Object* object) const
{
    for (uint32_t i = 0; i < count_; ++i) {
        if (slots_[i] == object) {
            return i;
        }
    }
    return NotFound;
}

Object* CCArray::objectAtIndex(uint32_t index) const
{
    assert(index < count_);
    return slots_[index];
}

Object* CCArray::randomObject() const
{
    if (count_ == 0) {
        return nullptr;
    }
    // Formed in single precision, as the engine always did: the largest
    // values of random() round up to 1.0, which would index one past the end.
    const float r = Random::random01();
    auto index = static_cast<uint32_t>(static_cast<float>(count_) * r);
    if (index >= count_) {
        index = count_ - 1;
    }
    return slots_[index];
}

std::vector<Ref<Object>> CCArray::getNSArray() const
{
    return std::vector<Ref<Object>>(begin(), end());
}

namespace {

// Objects are equal only to themselves; boxed strings and numbers are equal
// when their values are, as the game's lists of names expect.
bool sameOrEqualValues(const Object* a, const Object* b)
{
    if (a == b) {
        return true;
    }
    const auto* boxedA = dynamic_cast<const ValueObject*>(a);
    const auto* boxedB = dynamic_cast<const ValueObject*>(b);
    return boxedA && boxedB && boxedA->value() == boxedB->value();
}

} // namespace

bool CCArray::isEqualToArray(const CCArray* other,
                             const std::function<bool(const Object*, const Object*)>& isEqual) const
{
    // Arrays of different lengths are never equal; comparing only the
    // receiver's length would read past the end of a shorter array.
    if (!other || other->count_ != count_) {
        return false;
    }
    for (uint32_t i = 0; i < count_; ++i) {
        const Object* mine = slots_[i];
        const Object* theirs = other->slots_[i];
        const bool same = isEqual ? isEqual(mine, theirs) : sameOrEqualValues(mine, theirs);
        if (!same) {
            return false;
        }
    }
    return true;
}

void CCArray::addObject(Object* object)
{
    // The array never holds null: its users take every slot as an object.
    if (!object) {
        logLine("CCArray: refused to add a null object");
        return;
    }
    ensureCapacity(count_ + 1);
    object->retain();
    slots_[count_++] = object;
}

void CCArray::addObjectsFromArray(const CCArray* other)
{
    if (!other) {
        return;
    }
    // Reading other's items by index keeps a self-append correct.
    const uint32_t added = other->count_;
    ensureCapacity(count_ + added);
    for (uint32_t i = 0; i < added; ++i) {
        Object* object = other->slots_[i];
        object->retain();
        slots_[count_++] = object;
    }
}

void CCArray::addObjectsFromNSArray(const std::vector<Ref<Object>>& items)
{
    ensureCapacity(count_ + static_cast<uint32_t>(items.size()));
    for (const auto& object : items) {
        if (!object) {
            logLine("CCArray: refused to add a null object");
            continue;
        }
        object->retain();
        slots_[count_++] = object.get();
    }
}

void CCArray::insertObject(Object* object, uint32_t index)
{
    if (!object || index > count_) {
        logLine("CCArray: refused to insert %s at %u of %u", object ? "an object" : "null", index, count_);
        return;
    }
    ensureCapacity(count_ + 1);
    std::move_backward(slots_.begin() + index, slots_.begin() + count_, slots_.begin() + count_ + 1);
    object->retain();
    slots_[index] = object;
    ++count_;
}

void CCArray::replaceObjectAtIndex(uint32_t index, Object* object)
{
    insertObject(object, index);
    removeObjectAtIndex(index + 1);
}

void CCArray::removeObjectAtIndex(uint32_t index)
{
    assert(index < count_);
    Object* removed = slots_[index];
    std::move(slots_.begin() + index + 1, slots_.begin() + count_, slots_.begin() + index);
    slots_[--count_] = nullptr;
    // Released last, so a destructor that looks at this array sees it consistent.
    removed->release();
}

void CCArray::removeObject(const Object* object)
{
    const uint32_t index = indexOfObject(object);
    if (index != NotFound) {
        removeObjectAtIndex(index);
    }
}

void CCArray::removeObjectsInArray(const CCArray* other)
{
    if (!other) {
        return;
    }
    // Hold the other array's items while removing: the other array may be
    // this one, or its items may be held only by this array.
    const std::vector<Ref<Object>> toRemove = other->getNSArray();
    for (const auto& object : toRemove) {
        removeObject(object.get());
    }
}

void CCArray::removeLastObject()
{
    if (count_ > 0) {
        removeObjectAtIndex(count_ - 1);
    }
}

void CCArray::removeAllObjects()
{
    while (count_ > 0) {
        Object* removed = slots_[--count_];
        slots_[count_] = nullptr;
        removed->release();
    }
}

void CCArray::fastRemoveObjectAtIndex(uint32_t index)
{
    assert(index < count_);
    Object* removed = slots_[index];
    const uint32_t last = --count_;
    slots_[index] = slots_[last];
    slots_[last] = nullptr;
    removed->release();
}

void CCArray::fastRemoveObject(const Object* object)
{
    const uint32_t index = indexOfObject(object);
    if (index != NotFound) {
        fastRemoveObjectAtIndex(index);
    }
}

void CCArray::exchangeObject(const Object* object1, const Object* object2)
{
    const uint32_t index1 = indexOfObject(object1);
    const uint32_t index2 = indexOfObject(object2);
    if (index1 != NotFound && index2 != NotFound) {
        exchangeObjectAtIndex(index1, index2);
    }
}

void CCArray::exchangeObjectAtIndex(uint32_t index1, uint32_t index2)
{
    assert(index1 < count_ && index2 < count_);
    std::swap(slots_[index1], slots_[index2]);
}

void CCArray::reverseObjects()
{
    std::reverse(slots_.begin(), slots_.begin() + count_);
}

void CCArray::reduceMemoryFootprint()
{
    if (count_ < capacity_) {
        capacity_ = std::max<uint32_t>(count_, 1);
        std::vector<Object*> shrunk(slots_.begin(), slots_.begin() + capacity_);
        slots_.swap(shrunk);
    }
}

void CCArray::makeObjectsPerformSelector(SEL_Call selector)
{
    for (uint32_t i = 0; i < count_; ++i) {
        (slots_[i]->*selector)();
    }
}

void CCArray::makeObjectsPerformSelector(SEL_CallO selector, Object* object)
{
    for (uint32_t i = 0; i < count_; ++i) {
        (slots_[i]->*selector)(object);
    }
}

void CCArray::makeObjectPerformSelectorWithArrayObjects(Object* target, SEL_CallO selector)
{
    for (uint32_t i = 0; i < count_; ++i) {
        (target->*selector)(slots_[i]);
    }
}

void CCArray::insertionSort(SEL_Compare selector)
{
    for (uint32_t i = 1; i < count_; ++i) {
        Object* moving = slots_[i];
        uint32_t j = i;
        while (j > 0 && (slots_[j - 1]->*selector)(moving) == 1) {
            slots_[j] = slots_[j - 1];
            --j;
        }
        slots_[j] = moving;
    }
}

namespace {

// Bottom-up merge sort shared by both merge styles. Runs are merged from the
// end of the array; the left run is copied to a scratch buffer of
// count / 2 + 1 slots. placeRightFirst(rightItem slot, buffered item slot)
// decides which item fills the next place.
template <typename PlaceRightFirst>
void bottomUpMergeSort(Object** items, uint32_t count, PlaceRightFirst placeRightFirst)
{
    std::vector<Object*> buffer(count / 2 + 1);
    for (int64_t width = 1; width < count; width *= 2) {
        for (int64_t m = count - 1 - width; m >= 0; m -= 2 * width) {
            const int64_t left = std::max<int64_t>(m - width + 1, 0);
            const int64_t rightEnd = std::min<int64_t>(m + width, count - 1);
            const int64_t leftLength = m - left + 1;
            std::copy(items + left, items + m + 1, buffer.begin());

            int64_t place = left;
            int64_t bufferIndex = 0;
            int64_t right = m + 1;
            while (bufferIndex < leftLength && right <= rightEnd) {
                if (placeRightFirst(&items[right], &buffer[bufferIndex])) {
                    items[place++] = items[right++];
                } else {
                    items[place++] = buffer[bufferIndex++];
                }
            }
            while (bufferIndex < leftLength) {
                items[place++] = buffer[bufferIndex++];
            }
        }
    }
}

} // namespace

void CCArray::sortUsingFunction(CompareFunction compare, void* context)
{
    // Equal items: the right-run item goes first, so equal items may swap.
    bottomUpMergeSort(slots_.data(), count_, [&](Object** rightSlot, Object** bufferedSlot) {
        return compare(*rightSlot, *bufferedSlot, context) != 1;
    });
}

void CCArray::sortUsingSelector(SEL_Compare selector)
{
    struct Context {
        SEL_Compare selector;
    } context{selector};
    sortUsingFunction(
        [](Object* a, Object* b, void* raw) {
            return (a->*static_cast<Context*>(raw)->selector)(b);
        },
        &context);
}

void CCArray::insertionSortUsingCFuncComparator(SlotComparator compare)
{
    for (uint32_t i = 1; i < count_; ++i) {
        Object* moving = slots_[i];
        uint32_t j = i;
        while (j > 0 && compare(&slots_[j - 1], &moving) == 1) {
            slots_[j] = slots_[j - 1];
            --j;
        }
        slots_[j] = moving;
    }
}

void CCArray::qsortUsingCFuncComparator(SlotComparator compare)
{
    std::qsort(slots_.data(), count_, sizeof(Object*), compare);
}

void CCArray::mergesortLUsingCFuncComparator(SlotComparator compare)
{
    // Ties keep the buffered (left) item first: stable.
    bottomUpMergeSort(slots_.data(), count_, [&](Object** rightSlot, Object** bufferedSlot) {
        return compare(bufferedSlot, rightSlot) > 0;
    });
}

std::string CCArray::description() const
{
    std::string text = std::string("<") + ccClassName(typeid(*this)) + " = " + ccAddressString(this) + "> = ( ";
    for (Object* item : *this) {
        text += std::string("<") + ccClassName(typeid(*item)) + " = " + ccAddressString(item) + ">, ";
    }
    text += ")";
    return text;
}

void CCArray::encodeWithCoder(KeyedArchiver& coder) const
{
    ArchiveItem::Items items;
    items.reserve(count_);
    for (Object* item : *this) {
        if (auto* boxed = dynamic_cast<ValueObject*>(item)) {
            items.emplace_back(boxed->value());
        } else {
            items.emplace_back(Ref<Object>(item));
        }
    }
    coder.encodeItem("nsarray", ArchiveItem::array(std::move(items)));
}

bool CCArray::initWithCoder(KeyedUnarchiver& coder)
{
    const ArchiveItem stored = coder.decodeItem("nsarray");
    if (stored.kind() != ArchiveItem::Kind::Array) {
        return false;
    }
    // Objects come back as themselves; strings and numbers come back boxed.
    for (const ArchiveItem& item : stored.items()) {
        const bool object = item.kind() == ArchiveItem::Kind::Object && item.object();
        const bool plain = item.kind() == ArchiveItem::Kind::Value && !item.isNull();
        if (!object && !plain) {
            return false;
        }
    }
    removeAllObjects();
    for (const ArchiveItem& item : stored.items()) {
        if (item.kind() == ArchiveItem::Kind::Object) {
            addObject(item.object().get());
        } else {
            addObject(ValueObject::with(item.value()).get());
        }
    }
    return true;
}

} // namespace mw
