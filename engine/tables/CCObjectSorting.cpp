#include "engine/tables/CCObjectSorting.h"

#include <optional>

namespace mw {

namespace {

using ObjectVector = std::vector<Ref<Object>>;

std::optional<uint32_t> keyOf(const Object* object)
{
    const auto* sortable = dynamic_cast<const CCSortableObject*>(object);
    if (!sortable) return std::nullopt;
    return sortable->objectID();
}

// Both kinds of array seen through the same four operations (the last two
// only for a mutable array).
template <typename Array>
struct ArrayItems {
    Array& array;
    uint32_t count() const { return array.count(); }
    Object* at(uint32_t index) const { return array.objectAtIndex(index); }
    void insert(Object* object, uint32_t index) { array.insertObject(object, index); }
    void erase(uint32_t index) { array.removeObjectAtIndex(index); }
};

template <typename Vector>
struct VectorItems {
    Vector& array;
    uint32_t count() const { return static_cast<uint32_t>(array.size()); }
    Object* at(uint32_t index) const { return array[index].get(); }
    void insert(Object* object, uint32_t index) { array.insert(array.begin() + index, Ref<Object>(object)); }
    void erase(uint32_t index) { array.erase(array.begin() + index); }
};

// The first index whose key is not below `key` (count when there is none).
template <typename Items>
uint32_t lowerBound(const Items& items, uint32_t key)
{
    uint32_t low = 0;
    uint32_t high = items.count();
    while (low < high) {
        const uint32_t middle = low + (high - low) / 2;
        if (keyOf(items.at(middle)).value_or(0) < key) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low;
}

// The index of the item with the key, or nothing.
template <typename Items>
std::optional<uint32_t> findKey(const Items& items, uint32_t key)
{
    const uint32_t index = lowerBound(items, key);
    if (index < items.count() && keyOf(items.at(index)).value_or(0) == key) return index;
    return std::nullopt;
}

template <typename Items>
uint32_t indexOf(const Items& items, const Object* object)
{
    const std::optional<uint32_t> key = keyOf(object);
    return key ? lowerBound(items, *key) : kCCSortedObjectNotFound;
}

template <typename Items>
void insert(Items items, Object* object)
{
    const std::optional<uint32_t> key = keyOf(object);
    if (key) items.insert(object, lowerBound(items, *key));
}

template <typename Items>
void remove(Items items, const Object* object)
{
    const std::optional<uint32_t> key = keyOf(object);
    if (!key) return;
    if (const std::optional<uint32_t> index = findKey(items, *key)) items.erase(*index);
}

template <typename Items>
void rekey(Items items, uint32_t objectID, const Object* object)
{
    const std::optional<uint32_t> key = keyOf(object);
    if (!key) return;
    const std::optional<uint32_t> index = findKey(items, *key);
    if (!index) return;
    const Ref<Object> item(items.at(*index)); // alive while out of the array
    auto* sortable = dynamic_cast<CCSortableObject*>(item.get());
    if (!sortable) return;
    items.erase(*index);
    sortable->setObjectID(objectID);
    items.insert(item.get(), lowerBound(items, objectID));
}

template <typename Items>
Object* lookUp(const Items& items, uint32_t objectID)
{
    const std::optional<uint32_t> index = findKey(items, objectID);
    return index ? items.at(*index) : nullptr;
}

} // namespace

uint32_t indexOfSortedObject(const CCArray& array, const Object* object)
{
    return indexOf(ArrayItems<const CCArray>{array}, object);
}

uint32_t indexOfSortedObject(const std::vector<Ref<Object>>& array, const Object* object)
{
    return indexOf(VectorItems<const ObjectVector>{array}, object);
}

void insertSortedObject(CCArray& array, Object* object) { insert(ArrayItems<CCArray>{array}, object); }

void insertSortedObject(std::vector<Ref<Object>>& array, Object* object)
{
    insert(VectorItems<ObjectVector>{array}, object);
}

void removeSortedObject(CCArray& array, const Object* object) { remove(ArrayItems<CCArray>{array}, object); }

void removeSortedObject(std::vector<Ref<Object>>& array, const Object* object)
{
    remove(VectorItems<ObjectVector>{array}, object);
}

void setObjectIDOfSortedObject(CCArray& array, uint32_t objectID, const Object* object)
{
    rekey(ArrayItems<CCArray>{array}, objectID, object);
}

void setObjectIDOfSortedObject(std::vector<Ref<Object>>& array, uint32_t objectID, const Object* object)
{
    rekey(VectorItems<ObjectVector>{array}, objectID, object);
}

Object* objectWithObjectID(const CCArray& array, uint32_t objectID)
{
    return lookUp(ArrayItems<const CCArray>{array}, objectID);
}

Object* objectWithObjectID(const std::vector<Ref<Object>>& array, uint32_t objectID)
{
    return lookUp(VectorItems<const ObjectVector>{array}, objectID);
}

} // namespace mw
