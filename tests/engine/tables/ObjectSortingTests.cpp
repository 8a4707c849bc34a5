#include <gtest/gtest.h>

#include <vector>

#include "engine/support/CCArray.h"
#include "engine/tables/CCObjectSorting.h"

namespace mw::test {
namespace {

// The two kinds of array the operations serve, behind one face.
struct EngineArray {
    Ref<CCArray> items = CCArray::array();
    CCArray& array() { return *items; }
    uint32_t count() const { return items->count(); }
    Object* at(uint32_t i) const { return items->objectAtIndex(i); }
};

struct PlainArray {
    std::vector<Ref<Object>> items;
    std::vector<Ref<Object>>& array() { return items; }
    uint32_t count() const { return static_cast<uint32_t>(items.size()); }
    Object* at(uint32_t i) const { return items[i].get(); }
};

template <typename Array>
class ObjectSortingTest : public ::testing::Test {
protected:
    // Inserts objects with the keys, in that order; returns them.
    std::vector<Ref<CCSortedObject>> insert(std::vector<uint32_t> keys)
    {
        std::vector<Ref<CCSortedObject>> made;
        for (uint32_t key : keys) {
            made.push_back(CCSortedObject::objectWithObjectID(key));
            insertSortedObject(items.array(), made.back().get());
        }
        return made;
    }
    std::vector<uint32_t> keys() const
    {
        std::vector<uint32_t> found;
        for (uint32_t i = 0; i < items.count(); ++i)
            found.push_back(dynamic_cast<CCSortableObject*>(items.at(i))->objectID());
        return found;
    }

    Array items;
};

using ArrayKinds = ::testing::Types<EngineArray, PlainArray>;
TYPED_TEST_SUITE(ObjectSortingTest, ArrayKinds);

TYPED_TEST(ObjectSortingTest, SearchGivesTheEqualKeyOrWhereTheKeyBelongs)
{
    (void)this->insert({2, 5, 9});
    struct Case {
        uint32_t key;
        uint32_t index;
    };
    for (const Case& c : {Case{5, 1}, Case{6, 2}, Case{10, 3}, Case{0, 0}, Case{2, 0}, Case{9, 2}}) {
        SCOPED_TRACE(c.key);
        auto probe = CCSortedObject::objectWithObjectID(c.key);
        EXPECT_EQ(indexOfSortedObject(this->items.array(), probe.get()), c.index);
    }
    EXPECT_EQ(indexOfSortedObject(this->items.array(), nullptr), kCCSortedObjectNotFound);
    auto notSortable = makeRef<Object>();
    EXPECT_EQ(indexOfSortedObject(this->items.array(), notSortable.get()), kCCSortedObjectNotFound);
}

TYPED_TEST(ObjectSortingTest, InsertionKeepsAscendingOrderAndRefusesObjectsWithoutAKey)
{
    (void)this->insert({7, 3, 5, 0xFFFFFFFFu, 0});
    EXPECT_EQ(this->keys(), (std::vector<uint32_t>{0, 3, 5, 7, 0xFFFFFFFFu}));
    auto notSortable = makeRef<Object>();
    insertSortedObject(this->items.array(), notSortable.get());
    insertSortedObject(this->items.array(), nullptr);
    EXPECT_EQ(this->items.count(), 5u);
}

TYPED_TEST(ObjectSortingTest, RemovalAndLookUpGoByKey)
{
    auto made = this->insert({3, 5, 7});
    // Another object with an element's key stands for that element.
    auto twin = CCSortedObject::objectWithObjectID(5);
    removeSortedObject(this->items.array(), twin.get());
    EXPECT_EQ(this->keys(), (std::vector<uint32_t>{3, 7}));
    removeSortedObject(this->items.array(), twin.get()); // absent now
    EXPECT_EQ(this->keys(), (std::vector<uint32_t>{3, 7}));

    EXPECT_EQ(objectWithObjectID(this->items.array(), 7), made[2].get());
    EXPECT_EQ(objectWithObjectID(this->items.array(), 5), nullptr);
    EXPECT_EQ(objectWithObjectID(this->items.array(), 8), nullptr);
    TypeParam empty;
    EXPECT_EQ(objectWithObjectID(empty.array(), 0), nullptr);
    removeSortedObject(empty.array(), twin.get());
    EXPECT_EQ(empty.count(), 0u);
}

TYPED_TEST(ObjectSortingTest, RekeyingMovesTheElementToItsNewPlace)
{
    auto made = this->insert({3, 5, 7});
    setObjectIDOfSortedObject(this->items.array(), 8, made[0].get());
    EXPECT_EQ(this->keys(), (std::vector<uint32_t>{5, 7, 8}));
    EXPECT_EQ(this->items.at(2), made[0].get());
    EXPECT_EQ(made[0]->retainCount(), 2); // the test's and the array's

    auto absent = CCSortedObject::objectWithObjectID(4);
    setObjectIDOfSortedObject(this->items.array(), 1, absent.get());
    EXPECT_EQ(this->keys(), (std::vector<uint32_t>{5, 7, 8}));
    EXPECT_EQ(absent->objectID(), 4u);
}

} // namespace
} // namespace mw::test
