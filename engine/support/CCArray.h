#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "foundation/KeyedArchive.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"
#include "foundation/Selector.h"

namespace mw {

// A comparison sent to one object with another as the argument: -1, 0 or 1.
using SEL_Compare = int (Object::*)(Object* other);
#define compare_selector(_SELECTOR) static_cast<::mw::SEL_Compare>(&_SELECTOR)

// The engine's ordered array of retained objects. Items are compared by
// identity (pointer equality). The node tree and the touch dispatcher walk
// the item buffer directly (items()/count(), or a range-for), so the buffer
// is a plain array of pointers; it grows by doubling and only
// reduceMemoryFootprint shrinks it.
//
// Index arguments must be below count() (insertObject: at most count()); the
// array checks them only in debug builds.
//
// In a keyed archive the array writes its items, in order, under "nsarray";
// the items must themselves be archivable objects.
class CCArray : public Object, public Archivable {
public:
    static constexpr uint32_t NotFound = 2147483647;  // indexOfObject of an absent item

    // An empty array with room for max(capacity, 1) items.
    explicit CCArray(uint32_t capacity = 2);
    ~CCArray() override;

    static Ref<CCArray> array() { return makeRef<CCArray>(); }
    static Ref<CCArray> arrayWithCapacity(uint32_t capacity) { return makeRef<CCArray>(capacity); }
    // The same items, each retained once more (shallow copy).
    static Ref<CCArray> arrayWithArray(const CCArray* other);
    static Ref<CCArray> arrayWithNSArray(const std::vector<Ref<Object>>& items);
    // A new array holding the same items.
    Ref<CCArray> copy() const { return arrayWithArray(this); }

    uint32_t count() const { return count_; }
    uint32_t capacity() const { return capacity_; }
    Object* const* items() const { return slots_.data(); }
    Object* const* begin() const { return slots_.data(); }
    Object* const* end() const { return slots_.data() + count_; }

    uint32_t indexOfObject(const Object* object) const;
    bool containsObject(const Object* object) const { return indexOfObject(object) != NotFound; }
    Object* objectAtIndex(uint32_t index) const;
    template <typename T>
    T* objectAtIndexAs(uint32_t index) const { return static_cast<T*>(objectAtIndex(index)); }
    // Null when empty.
    Object* lastObject() const { return count_ ? slots_[count_ - 1] : nullptr; }
    // A uniformly chosen item from random(); null when empty.
    Object* randomObject() const;
    // The items as a platform-style array.
    std::vector<Ref<Object>> getNSArray() const;
    // True when both arrays hold the same number of items and each pair is
    // equal. Items are equal when isEqual says so if given; otherwise when
    // identical, or when both are boxed values (ValueObject) of equal value.
    bool isEqualToArray(const CCArray* other,
                        const std::function<bool(const Object*, const Object*)>& isEqual = {}) const;

    // Each adding operation retains what it stores.
    void addObject(Object* object);
    void addObjectsFromArray(const CCArray* other);
    void addObjectsFromNSArray(const std::vector<Ref<Object>>& items);
    void insertObject(Object* object, uint32_t index);
    void replaceObjectAtIndex(uint32_t index, Object* object);

    // Each removing operation releases what it drops. Absent objects are ignored.
    void removeObject(const Object* object);
    void removeObjectAtIndex(uint32_t index);
    void removeObjectsInArray(const CCArray* other);
    // Nothing happens on an empty array.
    void removeLastObject();
    void removeAllObjects();
    // Move the last item into the freed slot: constant time, order not kept.
    void fastRemoveObject(const Object* object);
    void fastRemoveObjectAtIndex(uint32_t index);

    // Swaps the first occurrences of both; nothing when either is absent.
    void exchangeObject(const Object* object1, const Object* object2);
    void exchangeObjectAtIndex(uint32_t index1, uint32_t index2);
    void reverseObjects();
    // Shrinks the buffer to max(count, 1) slots.
    void reduceMemoryFootprint();

    // The count is re-read before every call, so items removed by a call
    // shift the rest down under the walk.
    void makeObjectsPerformSelector(SEL_Call selector);
    void makeObjectsPerformSelector(SEL_CallO selector, Object* object);
    // Sends the selector to the target once per item, with the item.
    void makeObjectPerformSelectorWithArrayObjects(Object* target, SEL_CallO selector);

    // Sorting. Four styles, as callers need stability or speed:
    // insertion sort by selector: stable; an item moves left while the item
    // before it answers 1 when compared with it.
    void insertionSort(SEL_Compare selector);
    // Merge sort through a comparison function; equal items may change order.
    using CompareFunction = int (*)(Object* a, Object* b, void* context);
    void sortUsingFunction(CompareFunction compare, void* context);
    void sortUsingSelector(SEL_Compare selector);
    // Comparators over item slots (pointers to Object*), qsort style.
    using SlotComparator = int (*)(const void* slotA, const void* slotB);
    void insertionSortUsingCFuncComparator(SlotComparator compare);  // stable
    void qsortUsingCFuncComparator(SlotComparator compare);          // not stable
    void mergesortLUsingCFuncComparator(SlotComparator compare);     // stable

    // "<CCArray = ADDRESS> = ( item, item, )"
    std::string description() const;

    // Keyed archiving (registered as "CCArray").
    std::string className() const override { return "CCArray"; }
    void encodeWithCoder(KeyedArchiver& coder) const override;
    // Rejects an archive whose "nsarray" is missing or holds anything but objects.
    bool initWithCoder(KeyedUnarchiver& coder) override;

private:
    void ensureCapacity(uint32_t needed);

    uint32_t count_ = 0;
    uint32_t capacity_ = 0;
    std::vector<Object*> slots_;  // capacity_ slots; the first count_ hold one retain each
};

} // namespace mw
