#pragma once

#include <cstdint>
#include <vector>

#include "engine/support/CCArray.h"
#include "foundation/Object.h"
#include "foundation/Ref.h"

namespace mw {

// An object that an array can keep in order by an unsigned key, its object
// identifier. Keys are expected to be unique within one array.
class CCSortableObject {
public:
    virtual ~CCSortableObject() = default;
    virtual uint32_t objectID() const = 0;
    virtual void setObjectID(uint32_t objectID) = 0;
};

// The plainest sortable object: a key and nothing else.
class CCSortedObject : public Object, public CCSortableObject {
public:
    explicit CCSortedObject(uint32_t objectID = 0) : objectID_(objectID) {}

    static Ref<CCSortedObject> objectWithObjectID(uint32_t objectID)
    {
        return makeRef<CCSortedObject>(objectID);
    }

    uint32_t objectID() const override { return objectID_; }
    void setObjectID(uint32_t objectID) override { objectID_ = objectID; }

private:
    uint32_t objectID_;
};

// Operations that keep an array sorted by ascending object identifier and
// find, insert, remove and re-key its items by binary search. They exist for
// the engine's CCArray and for a plain vector of objects, with one contract.
// Every item of such an array must be a CCSortableObject; the objects passed
// in must be too, or they count as absent (an item that is not one reads as
// key 0).

// The index "not found": what indexOfSortedObject answers for an object that
// has no key.
inline constexpr uint32_t kCCSortedObjectNotFound = 0x7FFFFFFF;

// The index of an item with the object's key if there is one, otherwise the
// index of the first item with a greater key (the count when there is none):
// the place where the object belongs. kCCSortedObjectNotFound for null or an
// object without a key.
uint32_t indexOfSortedObject(const CCArray& array, const Object* object);
uint32_t indexOfSortedObject(const std::vector<Ref<Object>>& array, const Object* object);

// Inserts the object (retained) where it belongs; null or an object without
// a key is ignored.
void insertSortedObject(CCArray& array, Object* object);
void insertSortedObject(std::vector<Ref<Object>>& array, Object* object);

// Removes the item whose key equals the object's (which need not be the
// object itself); nothing when there is none.
void removeSortedObject(CCArray& array, const Object* object);
void removeSortedObject(std::vector<Ref<Object>>& array, const Object* object);

// Gives the item whose key equals the object's the new key and moves it to
// its new place; nothing when there is no such item.
void setObjectIDOfSortedObject(CCArray& array, uint32_t objectID, const Object* object);
void setObjectIDOfSortedObject(std::vector<Ref<Object>>& array, uint32_t objectID, const Object* object);

// The item with the key, or null.
Object* objectWithObjectID(const CCArray& array, uint32_t objectID);
Object* objectWithObjectID(const std::vector<Ref<Object>>& array, uint32_t objectID);

} // namespace mw
