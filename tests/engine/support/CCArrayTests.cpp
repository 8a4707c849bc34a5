#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/support/CCArray.h"
#include "foundation/KeyedArchive.h"
#include "foundation/ValueObject.h"
#include "foundation/Random.h"
#include "tests/support/ScriptedRandom.h"

namespace mw {
namespace {

// An item with a sort key and a name; it reports its destruction.
class Item : public Object, public Archivable {
public:
    Item() = default;
    Item(int key, std::string name, bool* destroyed = nullptr) : key(key), name(std::move(name)), destroyed(destroyed) {}
    ~Item() override
    {
        if (destroyed) *destroyed = true;
    }

    // Selector-style comparison by key.
    int compare(Object* other)
    {
        const int otherKey = static_cast<Item*>(other)->key;
        return key < otherKey ? -1 : (key > otherKey ? 1 : 0);
    }
    void touch() { ++touches; }
    void touchFrom(Object* sender)
    {
        ++touches;
        lastSender = sender;
    }

    std::string className() const override { return "CCArrayTestItem"; }
    void encodeWithCoder(KeyedArchiver& coder) const override
    {
        coder.encodeInt32("key", key);
        coder.encodeString("name", name);
    }
    bool initWithCoder(KeyedUnarchiver& coder) override
    {
        key = coder.decodeInt32("key");
        name = coder.decodeString("name");
        return true;
    }

    int key = 0;
    std::string name;
    bool* destroyed = nullptr;
    int touches = 0;
    Object* lastSender = nullptr;
};
const ArchivableRegistration<Item> itemRegistration("CCArrayTestItem");

Item* asItem(Object* o) { return static_cast<Item*>(o); }

// The names of the items in order, e.g. "ABC".
std::string names(const CCArray& array)
{
    std::string result;
    for (Object* o : array) result += asItem(o)->name;
    return result;
}

// A fixture with named items A..F (one Ref each) and an array builder.
class CCArrayTest : public ::testing::Test {
public:
    CCArrayTest()
    {
        for (char c = 'A'; c <= 'F'; ++c) items.push_back(makeRef<Item>(c - 'A', std::string(1, c)));
    }
    Item* item(char name) { return items[name - 'A'].get(); }
    Ref<CCArray> arrayOf(const std::string& spelled)
    {
        auto array = CCArray::array();
        for (char c : spelled) array->addObject(item(c));
        return array;
    }
    std::vector<Ref<Item>> items;
};

TEST_F(CCArrayTest, CapacityStartsAtLeastOneAndDoublesWhenFull)
{
    struct Case {
        uint32_t initialCapacity;
        int adds;
        std::vector<uint32_t> capacityAfterEachAdd;
    };
    const std::vector<Case> cases = {
        {0, 3, {1, 2, 4}},
        {1, 3, {1, 2, 4}},
        {2, 5, {2, 2, 4, 4, 8}},
        {5, 6, {5, 5, 5, 5, 5, 10}},
    };
    for (const auto& c : cases) {
        auto array = CCArray::arrayWithCapacity(c.initialCapacity);
        EXPECT_EQ(array->capacity(), std::max<uint32_t>(c.initialCapacity, 1));
        for (int i = 0; i < c.adds; ++i) {
            array->addObject(items[i % items.size()]);
            EXPECT_EQ(array->capacity(), c.capacityAfterEachAdd[i]) << "capacity " << c.initialCapacity << " add " << i;
        }
        // Removing never shrinks; only reduceMemoryFootprint does.
        array->removeAllObjects();
        EXPECT_EQ(array->capacity(), c.capacityAfterEachAdd.back());
    }
}

TEST_F(CCArrayTest, EditsKeepOrderExceptTheFastRemovals)
{
    struct Case {
        const char* what;
        std::string start;
        std::function<void(CCArray&, CCArrayTest&)> edit;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"removeObject drops only the first occurrence", "ABA", [](CCArray& a, CCArrayTest& t) { a.removeObject(t.item('A')); }, "BA"},
        {"removeObject of an absent item", "ABC", [](CCArray& a, CCArrayTest& t) { a.removeObject(t.item('F')); }, "ABC"},
        {"removeObjectAtIndex", "ABCD", [](CCArray& a, CCArrayTest&) { a.removeObjectAtIndex(1); }, "ACD"},
        {"insertObject in the middle", "ABC", [](CCArray& a, CCArrayTest& t) { a.insertObject(t.item('E'), 1); }, "AEBC"},
        {"insertObject at the end", "AB", [](CCArray& a, CCArrayTest& t) { a.insertObject(t.item('E'), 2); }, "ABE"},
        {"replaceObjectAtIndex", "ABC", [](CCArray& a, CCArrayTest& t) { a.replaceObjectAtIndex(1, t.item('E')); }, "AEC"},
        {"removeObjectsInArray", "ABCAD",
         [](CCArray& a, CCArrayTest& t) {
             auto ad = t.arrayOf("AD");
             a.removeObjectsInArray(ad);
         },
         "BCA"},
        {"removeObjectsInArray of itself", "ABC", [](CCArray& a, CCArrayTest&) { a.removeObjectsInArray(&a); }, ""},
        {"removeLastObject", "ABC", [](CCArray& a, CCArrayTest&) { a.removeLastObject(); }, "AB"},
        {"removeLastObject of an empty array", "", [](CCArray& a, CCArrayTest&) { a.removeLastObject(); }, ""},
        {"fastRemoveObject moves the last item in", "ABC", [](CCArray& a, CCArrayTest& t) { a.fastRemoveObject(t.item('A')); }, "CB"},
        {"fastRemoveObject of the last item", "ABC", [](CCArray& a, CCArrayTest& t) { a.fastRemoveObject(t.item('C')); }, "AB"},
        {"fastRemoveObjectAtIndex", "ABCD", [](CCArray& a, CCArrayTest&) { a.fastRemoveObjectAtIndex(1); }, "ADC"},
        {"exchangeObject", "ABCD", [](CCArray& a, CCArrayTest& t) { a.exchangeObject(t.item('A'), t.item('C')); }, "CBAD"},
        {"exchangeObject with an absent item", "ABC", [](CCArray& a, CCArrayTest& t) { a.exchangeObject(t.item('A'), t.item('F')); }, "ABC"},
        {"addObjectsFromArray of itself", "AB", [](CCArray& a, CCArrayTest&) { a.addObjectsFromArray(&a); }, "ABAB"},
        {"reverse of none", "", [](CCArray& a, CCArrayTest&) { a.reverseObjects(); }, ""},
        {"reverse of one", "A", [](CCArray& a, CCArrayTest&) { a.reverseObjects(); }, "A"},
        {"reverse of three", "ABC", [](CCArray& a, CCArrayTest&) { a.reverseObjects(); }, "CBA"},
        {"reverse of four", "ABCD", [](CCArray& a, CCArrayTest&) { a.reverseObjects(); }, "DCBA"},
    };
    for (const auto& c : cases) {
        auto array = arrayOf(c.start);
        c.edit(*array, *this);
        EXPECT_EQ(names(*array), c.expected) << c.what;
    }
}

TEST_F(CCArrayTest, HoldsOneReferencePerSlotAndReleasesWhatItDrops)
{
    bool destroyed = false;
    auto array = CCArray::array();
    {
        auto lonely = makeRef<Item>(9, "Z", &destroyed);
        array->addObject(lonely);
        array->addObject(lonely);
        EXPECT_EQ(lonely->retainCount(), 3);
        array->removeObjectAtIndex(0);
        EXPECT_EQ(lonely->retainCount(), 2);
    }
    EXPECT_FALSE(destroyed) << "the array's slot keeps the item alive";
    array->removeAllObjects();
    EXPECT_TRUE(destroyed);

    bool destroyedWithArray = false;
    {
        auto holder = CCArray::array();
        auto onlyInTheArray = makeRef<Item>(1, "Y", &destroyedWithArray);
        holder->addObject(onlyInTheArray);
    }
    EXPECT_TRUE(destroyedWithArray) << "destroying the array releases its items";
}

TEST_F(CCArrayTest, ArraysMadeFromOthersShareTheirItemsInOrder)
{
    struct Case {
        const char* what;
        std::function<Ref<CCArray>(CCArrayTest&)> make;
        uint32_t capacity;
    };
    const std::vector<Case> cases = {
        {"arrayWithArray",
         [](CCArrayTest& t) {
             auto cab = t.arrayOf("CAB");
             return CCArray::arrayWithArray(cab);
         },
         3},
        {"copy", [](CCArrayTest& t) { return t.arrayOf("CAB")->copy(); }, 3},
        {"arrayWithNSArray", [](CCArrayTest& t) { return CCArray::arrayWithNSArray(t.arrayOf("CAB")->getNSArray()); },
         3},
        {"arrayWithArray of an empty array",
         [](CCArrayTest&) {
             auto empty = CCArray::array();
             return CCArray::arrayWithArray(empty);
         },
         1},
    };
    for (const auto& c : cases) {
        const int32_t countBefore = item('A')->retainCount();
        auto made = c.make(*this);
        EXPECT_EQ(made->capacity(), c.capacity) << c.what;
        if (made->count() > 0) {
            EXPECT_EQ(names(*made), "CAB") << c.what;
            EXPECT_EQ(made->objectAtIndex(1), item('A')) << c.what << ": the same objects, not copies";
            EXPECT_EQ(item('A')->retainCount(), countBefore + 1) << c.what;
        }
    }

    auto target = arrayOf("A");
    target->addObjectsFromNSArray(arrayOf("BC")->getNSArray());
    auto d = arrayOf("D");
    target->addObjectsFromArray(d);
    EXPECT_EQ(names(*target), "ABCD");
    EXPECT_EQ(target->capacity(), 4u) << "doubled to hold the batch, then enough for the next";
    target->exchangeObjectAtIndex(0, 3);
    EXPECT_EQ(names(*target), "DBCA");
}

TEST_F(CCArrayTest, LooksItemsUpByIdentityNotByValue)
{
    auto array = arrayOf("AB");
    auto twinOfA = makeRef<Item>(item('A')->key, "A");
    EXPECT_EQ(array->indexOfObject(item('B')), 1u);
    EXPECT_EQ(array->indexOfObject(twinOfA), CCArray::NotFound);
    EXPECT_EQ(CCArray::NotFound, 2147483647u);
    EXPECT_FALSE(array->containsObject(twinOfA));
    EXPECT_TRUE(array->containsObject(item('A')));
}

TEST_F(CCArrayTest, EmptyArrayHasNoLastOrRandomItem)
{
    auto empty = CCArray::array();
    EXPECT_EQ(empty->lastObject(), nullptr);
    EXPECT_EQ(empty->randomObject(), nullptr);
}

TEST_F(CCArrayTest, NullItemsAndInsertsPastTheEndAreRefused)
{
    auto array = arrayOf("AB");
    array->addObject(nullptr);
    array->insertObject(nullptr, 1);
    array->insertObject(item('C'), 3); // one past the end would leave a hole
    array->addObjectsFromNSArray({Ref<Object>(item('D')), Ref<Object>(), Ref<Object>(item('E'))});
    EXPECT_EQ(names(*array), "ABDE");
    array->insertObject(item('C'), 2); // at the end is fine
    EXPECT_EQ(names(*array), "ABCDE");
}

TEST_F(CCArrayTest, RandomObjectStaysInsideTheArrayForEveryDraw)
{
    struct Case {
        int32_t draw;
        char expected;
    };
    // The largest draws round up to 1.0 in single precision; they must still
    // pick the last item, not one past it.
    const std::vector<Case> cases = {{0, 'A'}, {1 << 30, 'B'}, {2147483647 - 64, 'C'}, {2147483647, 'C'}};
    auto array = arrayOf("ABC");
    for (const auto& c : cases) {
        ScopedRandomSource source(std::make_shared<test::ScriptedRandom>(c.draw));
        ASSERT_NE(array->randomObject(), nullptr);
        EXPECT_EQ(asItem(array->randomObject())->name, std::string(1, c.expected)) << c.draw;
    }
}

TEST_F(CCArrayTest, ReduceMemoryFootprintShrinksToTheCountButNeverBelowOne)
{
    auto empty = CCArray::arrayWithCapacity(8);
    empty->reduceMemoryFootprint();
    EXPECT_EQ(empty->capacity(), 1u);

    auto three = arrayOf("ABC");
    three->addObject(item('D'));
    three->removeLastObject();  // capacity 4, count 3
    three->reduceMemoryFootprint();
    EXPECT_EQ(three->capacity(), 3u);
    EXPECT_EQ(names(*three), "ABC");
    three->addObject(item('D'));
    EXPECT_EQ(three->capacity(), 6u);
}

TEST_F(CCArrayTest, IsEqualToArrayNeedsTheSameLengthAndEqualItems)
{
    auto twinOfA = makeRef<Item>(0, "A");
    struct Case {
        const char* what;
        std::string mine;
        std::string theirs;
        bool byKey;
        bool expected;
    };
    const std::vector<Case> cases = {
        {"same items", "ABC", "ABC", false, true},
        {"both empty", "", "", false, true},
        {"other array longer", "AB", "ABC", false, false},
        {"other array shorter", "ABC", "AB", false, false},
        {"empty against non-empty", "", "A", false, false},
        {"one item differs", "ABC", "ABD", false, false},
        {"same order required", "AB", "BA", false, false},
    };
    for (const auto& c : cases) {
        auto theirs = arrayOf(c.theirs);
        EXPECT_EQ(arrayOf(c.mine)->isEqualToArray(theirs), c.expected) << c.what;
    }
    EXPECT_FALSE(arrayOf("A")->isEqualToArray(nullptr));

    // With an equality predicate, distinct but equal items match.
    auto withTwin = CCArray::array();
    withTwin->addObject(twinOfA);
    const auto sameKey = [](const Object* a, const Object* b) {
        return static_cast<const Item*>(a)->key == static_cast<const Item*>(b)->key;
    };
    EXPECT_FALSE(arrayOf("A")->isEqualToArray(withTwin));
    EXPECT_TRUE(arrayOf("A")->isEqualToArray(withTwin, sameKey));

    // Boxed strings and numbers compare by value, other objects by identity.
    const auto boxed = [](std::initializer_list<Value> values) {
        auto array = CCArray::array();
        for (const Value& v : values) array->addObject(ValueObject::with(v).get());
        return array;
    };
    const auto equal = [&](std::initializer_list<Value> mine, std::initializer_list<Value> theirs) {
        auto other = boxed(theirs);
        return boxed(mine)->isEqualToArray(other);
    };
    EXPECT_TRUE(equal({Value("farm"), Value(3)}, {Value("farm"), Value(3)}));
    EXPECT_FALSE(equal({Value("farm")}, {Value("mill")}));
    EXPECT_FALSE(equal({Value(3)}, {Value("3")}));
}

int compareItemSlots(const void* a, const void* b)
{
    const int keyA = asItem(*static_cast<Object* const*>(a))->key;
    const int keyB = asItem(*static_cast<Object* const*>(b))->key;
    return keyA < keyB ? -1 : (keyA > keyB ? 1 : 0);
}

int compareItems(Object* a, Object* b, void* context)
{
    ++*static_cast<int*>(context);
    return asItem(a)->compare(b);
}

struct SortStyle {
    const char* name;
    bool stable;
    std::function<void(CCArray&)> sort;
};

std::vector<SortStyle> sortStyles()
{
    static int calls = 0;
    return {
        {"insertionSort", true, [](CCArray& a) { a.insertionSort(compare_selector(Item::compare)); }},
        {"sortUsingSelector", false, [](CCArray& a) { a.sortUsingSelector(compare_selector(Item::compare)); }},
        {"sortUsingFunction", false, [](CCArray& a) { a.sortUsingFunction(compareItems, &calls); }},
        {"insertionSortUsingCFuncComparator", true, [](CCArray& a) { a.insertionSortUsingCFuncComparator(compareItemSlots); }},
        {"qsortUsingCFuncComparator", false, [](CCArray& a) { a.qsortUsingCFuncComparator(compareItemSlots); }},
        {"mergesortLUsingCFuncComparator", true, [](CCArray& a) { a.mergesortLUsingCFuncComparator(compareItemSlots); }},
    };
}

TEST(CCArraySort, EveryStyleSortsByKeyAndTheStableOnesKeepEqualKeysInOrder)
{
    // 37 items with many equal keys; each name records the original position.
    std::vector<Ref<Item>> pool;
    for (int i = 0; i < 37; ++i) pool.push_back(makeRef<Item>((i * 7919) % 5, std::to_string(i)));

    for (const auto& style : sortStyles()) {
        auto array = CCArray::array();
        for (auto& item : pool) array->addObject(item);
        style.sort(*array);

        std::vector<Ref<Item>> expected = pool;
        std::stable_sort(expected.begin(), expected.end(), [](const Ref<Item>& a, const Ref<Item>& b) { return a->key < b->key; });
        ASSERT_EQ(array->count(), pool.size()) << style.name;
        for (uint32_t i = 0; i < array->count(); ++i) {
            EXPECT_EQ(asItem(array->objectAtIndex(i))->key, expected[i]->key) << style.name << " at " << i;
            if (style.stable) {
                EXPECT_EQ(array->objectAtIndex(i), expected[i].get()) << style.name << " moved equal keys at " << i;
            }
        }
    }
}

TEST(CCArraySort, MergeStylesMatchTheirTieRules)
{
    auto first = makeRef<Item>(1, "first");
    auto second = makeRef<Item>(1, "second");
    const auto pair = [&] {
        auto array = CCArray::array();
        array->addObject(first);
        array->addObject(second);
        return array;
    };
    // The selector/function merge places the right-run item first on a tie.
    auto byFunction = pair();
    int calls = 0;
    byFunction->sortUsingFunction(compareItems, &calls);
    EXPECT_EQ(asItem(byFunction->objectAtIndex(0))->name, "second");
    EXPECT_EQ(calls, 1);
    // The slot-comparator merge keeps the left item first.
    auto bySlots = pair();
    bySlots->mergesortLUsingCFuncComparator(compareItemSlots);
    EXPECT_EQ(asItem(bySlots->objectAtIndex(0))->name, "first");

    auto descending = CCArray::array();
    std::vector<Ref<Item>> numbers;
    for (int key : {4, 3, 2, 1}) numbers.push_back(makeRef<Item>(key, std::to_string(key)));
    for (auto& n : numbers) descending->addObject(n);
    descending->mergesortLUsingCFuncComparator(compareItemSlots);
    EXPECT_EQ(names(*descending), "1234");
}

TEST_F(CCArrayTest, MessagingWalkRereadsTheCount)
{
    auto array = arrayOf("ABC");
    array->makeObjectsPerformSelector(call_selector(Item::touch));
    EXPECT_EQ(item('A')->touches + item('B')->touches + item('C')->touches, 3);
    array->makeObjectsPerformSelector(callO_selector(Item::touchFrom), item('F'));
    for (char c : std::string("ABC")) {
        EXPECT_EQ(item(c)->touches, 2) << c;
        EXPECT_EQ(item(c)->lastSender, item('F')) << c;
    }

    // A receiver that removes the first item during the walk: the rest shift
    // down under the walk, which then ends at the new count.
    struct Remover : Object {
        CCArray* array = nullptr;
        int seen = 0;
        void take(Object*)
        {
            ++seen;
            if (array->count() > 0) array->removeObjectAtIndex(0);
        }
    };
    auto remover = makeRef<Remover>();
    auto shrinking = arrayOf("ABCD");
    remover->array = shrinking;
    shrinking->makeObjectPerformSelectorWithArrayObjects(remover, callO_selector(Remover::take));
    EXPECT_EQ(remover->seen, 2);
    EXPECT_EQ(names(*shrinking), "CD");
}

TEST_F(CCArrayTest, ArchivesItsItemsInOrderUnderNsarray)
{
    auto array = arrayOf("CAB");
    std::string error;
    const auto bytes = archivedDataWithRootObject(array.get(), &error);
    ASSERT_FALSE(bytes.empty()) << error;
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_NE(text.find("nsarray"), std::string::npos);

    auto decoded = dynamicRef<CCArray>(unarchiveObjectWithData(bytes, &error));
    ASSERT_TRUE(decoded) << error;
    EXPECT_EQ(names(*decoded), "CAB");
    EXPECT_NE(decoded->objectAtIndex(0), item('C')) << "decoding builds new objects";

    auto emptyDecoded = dynamicRef<CCArray>(unarchiveObjectWithData(archivedDataWithRootObject(CCArray::array().get())));
    ASSERT_TRUE(emptyDecoded);
    EXPECT_EQ(emptyDecoded->count(), 0u);
}

TEST(CCArrayArchive, StringsSurviveBoxedInOrder)
{
    auto array = CCArray::array();
    array->addObject(ValueObject::with(Value("first")).get());
    array->addObject(ValueObject::with(Value("zweite \u00e4")).get());
    std::string error;
    const auto bytes = archivedDataWithRootObject(array.get(), &error);
    ASSERT_FALSE(bytes.empty()) << error;

    auto decoded = dynamicRef<CCArray>(unarchiveObjectWithData(bytes, &error));
    ASSERT_TRUE(decoded) << error;
    ASSERT_EQ(decoded->count(), 2u);
    auto* first = dynamic_cast<ValueObject*>(decoded->objectAtIndex(0));
    auto* second = dynamic_cast<ValueObject*>(decoded->objectAtIndex(1));
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->value().asString(), "first");
    EXPECT_EQ(second->value().asString(), "zweite \u00e4");
}

TEST(CCArrayArchive, RejectsAnArchiveWithANullItem)
{
    // A hand-made archive whose "nsarray" holds a null.
    struct Forged : Object, Archivable {
        std::string className() const override { return "CCArray"; }
        void encodeWithCoder(KeyedArchiver& coder) const override
        {
            coder.encodeItem("nsarray", ArchiveItem::array({ArchiveItem(Value("text")), ArchiveItem(Value())}));
        }
        bool initWithCoder(KeyedUnarchiver&) override { return false; }
    } forged;
    std::string error;
    const auto bytes = archivedDataWithRootObject(&forged, &error);
    if (bytes.empty()) {
        GTEST_SKIP() << "the writer refuses nulls itself: " << error;
    }
    EXPECT_FALSE(unarchiveObjectWithData(bytes, &error));
}

TEST_F(CCArrayTest, DescriptionNamesTheClassAndEachItem)
{
    auto array = arrayOf("AB");
    const std::string text = array->description();
    EXPECT_EQ(text.rfind("<CCArray = ", 0), 0u) << text;
    EXPECT_NE(text.find("> = ( <Item = "), std::string::npos) << text;
    EXPECT_EQ(text.substr(text.size() - 4), ">, )");
}

} // namespace
} // namespace mw
