#include <gtest/gtest.h>

#include <functional>

#include <map>

#include "foundation/KeyedArchive.h"
#include "foundation/Log.h"
#include "foundation/PropertyList.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

// A cost line: the smallest archivable record.
class TestCost : public Object, public Archivable {
public:
    int32_t resource = 0;
    int32_t quantity = 0;

    std::string className() const override { return "TestCost"; }
    void encodeWithCoder(KeyedArchiver& coder) const override
    {
        coder.encodeInt32("Resource", resource);
        coder.encodeInt32("Quantity", quantity);
    }
    bool initWithCoder(KeyedUnarchiver& coder) override
    {
        resource = coder.decodeInt32("Resource");
        quantity = coder.decodeInt32("Quantity");
        return true;
    }
};

// A record with every field kind, a nested object, a list of objects and a
// table keyed by numbers, as the game's records have.
class TestUpgrade : public Object, public Archivable {
public:
    int32_t id = 0;
    int64_t bigCounter = 0;
    float chance = 0;
    double exact = 0;
    bool done = false;
    std::string name;
    Value::Bytes blob;
    Ref<TestCost> mainCost;
    std::vector<Ref<TestCost>> costs;
    std::map<int32_t, int32_t> bonus;
    Value extra;

    std::string className() const override { return "TestUpgrade"; }
    void encodeWithCoder(KeyedArchiver& coder) const override
    {
        coder.encodeInt32("ID", id);
        coder.encodeInt64("BigCounter", bigCounter);
        coder.encodeFloat("Chance", chance);
        coder.encodeDouble("Exact", exact);
        coder.encodeBool("Done", done);
        coder.encodeString("Name", name);
        coder.encodeData("Blob", blob);
        coder.encodeObject("MainCost", mainCost);
        ArchiveItem::Items items(costs.begin(), costs.end());
        coder.encodeItem("Costs", ArchiveItem::array(std::move(items)));
        ArchiveItem::Entries entries;
        for (const auto& [key, value] : bonus) entries.emplace_back(key, value);
        coder.encodeItem("Bonus", ArchiveItem::dictionary(std::move(entries)));
        coder.encodeValue("Extra", extra);
    }
    bool initWithCoder(KeyedUnarchiver& coder) override
    {
        id = coder.decodeInt32("ID");
        bigCounter = coder.decodeInt64("BigCounter");
        chance = coder.decodeFloat("Chance");
        exact = coder.decodeDouble("Exact");
        done = coder.decodeBool("Done");
        name = coder.decodeString("Name");
        blob = coder.decodeData("Blob");
        mainCost = coder.decodeObjectOfClass<TestCost>("MainCost");
        const ArchiveItem costItems = coder.decodeItem("Costs");
        for (const ArchiveItem& item : costItems.items()) costs.push_back(item.objectAs<TestCost>());
        const ArchiveItem bonusItems = coder.decodeItem("Bonus");
        for (const auto& [key, value] : bonusItems.entries()) {
            bonus[key.value().asInt()] = value.value().asInt();
        }
        extra = coder.decodeValue("Extra");
        return true;
    }
};

// Refuses every archive: its decode must come back null.
class TestPicky : public Object, public Archivable {
public:
    std::string className() const override { return "TestPicky"; }
    void encodeWithCoder(KeyedArchiver&) const override {}
    bool initWithCoder(KeyedUnarchiver&) override { return false; }
};

// Holds itself: encoding must stop instead of recursing for ever.
class TestLoop : public Object, public Archivable {
public:
    TestLoop* next = this;
    std::string className() const override { return "TestLoop"; }
    void encodeWithCoder(KeyedArchiver& coder) const override { coder.encodeObject("Next", next); }
    bool initWithCoder(KeyedUnarchiver&) override { return true; }
};

const ArchivableRegistration<TestCost> costRegistration("TestCost");
const ArchivableRegistration<TestUpgrade> upgradeRegistration("TestUpgrade");
const ArchivableRegistration<TestPicky> pickyRegistration("TestPicky");

Ref<TestCost> cost(int32_t resource, int32_t quantity)
{
    Ref<TestCost> made = makeRef<TestCost>();
    made->resource = resource;
    made->quantity = quantity;
    return made;
}

Ref<TestUpgrade> sampleUpgrade()
{
    Ref<TestUpgrade> upgrade = makeRef<TestUpgrade>();
    upgrade->id = -17;
    upgrade->bigCounter = int64_t(1) << 42;
    upgrade->chance = 0.3f;
    upgrade->exact = 0.1;
    upgrade->done = true;
    upgrade->name = "Młyn – mill";
    upgrade->blob = {0, 255, 7};
    upgrade->mainCost = cost(3, 40);
    upgrade->costs = {cost(1, 10), cost(2, 20)};
    upgrade->bonus = {{5, 2}, {-1, 9}};
    upgrade->extra = Value::dictionary({{"list", Value::array({1, "x"})}, {"$class", "not an object"}});
    return upgrade;
}

TEST(KeyedArchiveTest, NestedObjectsSurviveTheRoundTrip)
{
    Ref<TestUpgrade> original = sampleUpgrade();
    std::string error;
    std::vector<uint8_t> bytes = archivedDataWithRootObject(original.get(), &error);
    ASSERT_FALSE(bytes.empty()) << error;

    Ref<TestUpgrade> back = dynamicRef<TestUpgrade>(unarchiveObjectWithData(bytes, &error));
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(back->id, -17);
    EXPECT_EQ(back->bigCounter, int64_t(1) << 42);
    EXPECT_EQ(back->chance, 0.3f);
    EXPECT_EQ(back->exact, 0.1);
    EXPECT_TRUE(back->done);
    EXPECT_EQ(back->name, "Młyn – mill");
    EXPECT_EQ(back->blob, (Value::Bytes{0, 255, 7}));
    ASSERT_TRUE(back->mainCost);
    EXPECT_EQ(back->mainCost->quantity, 40);
    ASSERT_EQ(back->costs.size(), 2u);
    ASSERT_TRUE(back->costs[1]);
    EXPECT_EQ(back->costs[1]->resource, 2);
    EXPECT_EQ(back->costs[1]->quantity, 20);
    EXPECT_EQ(back->bonus, (std::map<int32_t, int32_t>{{5, 2}, {-1, 9}}));
    EXPECT_EQ(back->extra, original->extra);
}

TEST(KeyedArchiveTest, NumberKindsStayDistinctInTheBytes)
{
    std::vector<uint8_t> bytes = archivedDataWithRootObject(sampleUpgrade().get());
    std::optional<Value> archive = readPropertyList(bytes.data(), bytes.size());
    ASSERT_TRUE(archive);
    const Value& fields = (*archive)["$top"]["root"];
    EXPECT_EQ(fields["$class"].asString(), "TestUpgrade");
    EXPECT_TRUE(fields["ID"].is32Bit());
    EXPECT_TRUE(fields["BigCounter"].isInteger());
    EXPECT_FALSE(fields["BigCounter"].is32Bit());
    EXPECT_TRUE(fields["Chance"].isFloat());
    EXPECT_TRUE(fields["Exact"].isReal());
    EXPECT_FALSE(fields["Exact"].isFloat());
    EXPECT_TRUE(fields["Done"].isBool());
    EXPECT_TRUE(fields["Name"].isString());
    EXPECT_TRUE(fields["Blob"].isData());
    EXPECT_EQ(fields["MainCost"]["$class"].asString(), "TestCost");
    // Number keys stay numbers.
    EXPECT_TRUE(fields["Bonus"]["NS.keys"][0].isInteger());
}

TEST(KeyedArchiveTest, WrongKindsAndMissingKeysDecodeForgivingly)
{
    KeyedArchiver archiver;
    archiver.encodeFloat("f", 2.75f);
    archiver.encodeBool("b", true);
    archiver.encodeString("s", "12.5 apples");
    archiver.encodeInt32("i", 7);
    std::vector<uint8_t> bytes = archiver.encodedData();
    ASSERT_FALSE(bytes.empty());

    KeyedUnarchiver unarchiver(bytes);
    ASSERT_TRUE(unarchiver.ok()) << unarchiver.error();
    EXPECT_EQ(unarchiver.decodeInt32("f"), 2);
    EXPECT_EQ(unarchiver.decodeInt32("b"), 1);
    EXPECT_EQ(unarchiver.decodeDouble("s"), 12.5);
    EXPECT_TRUE(unarchiver.decodeBool("i"));
    EXPECT_EQ(unarchiver.decodeString("i"), "7");
    EXPECT_FALSE(unarchiver.containsValueForKey("missing"));
    EXPECT_EQ(unarchiver.decodeInt64("missing"), 0);
    EXPECT_FALSE(unarchiver.decodeBool("missing"));
    EXPECT_EQ(unarchiver.decodeString("missing"), "");
    EXPECT_TRUE(unarchiver.decodeData("missing").empty());
    EXPECT_FALSE(unarchiver.decodeObject("missing"));
    EXPECT_TRUE(unarchiver.decodeItem("missing").isNull());
    EXPECT_FALSE(unarchiver.decodeObject("i")); // a plain value is no object
    EXPECT_TRUE(unarchiver.ok());
}

// Decimals (numbers read from JSON) in an archive: one an integer or a real
// holds comes back as that number, any other as the decimal with its literal.
TEST(KeyedArchiveTest, DecimalsComeBackAsTheirNumber)
{
    const std::vector<std::pair<const char*, Value::Kind>> cases = {
        {"42", Value::Kind::Integer},
        {"2.5", Value::Kind::Real},
        {"123456789012345678901234567890", Value::Kind::Decimal},
        {"-0.1000000000000000000001", Value::Kind::Decimal},
    };
    KeyedArchiver archiver;
    Value::Array list;
    for (const auto& [literal, kind] : cases) {
        archiver.encodeValue(literal, *Value::decimal(literal));
        list.push_back(*Value::decimal(literal));
    }
    archiver.encodeValue("list", Value(list));
    const std::vector<uint8_t> bytes = archiver.encodedData();
    ASSERT_FALSE(bytes.empty()) << archiver.error();

    KeyedUnarchiver unarchiver(bytes);
    ASSERT_TRUE(unarchiver.ok()) << unarchiver.error();
    for (const auto& [literal, kind] : cases) {
        SCOPED_TRACE(literal);
        const Value back = unarchiver.decodeValue(literal);
        EXPECT_EQ(back.kind(), kind);
        EXPECT_EQ(back, *Value::decimal(literal));
        EXPECT_EQ(unarchiver.decodeDouble(literal), Value::decimal(literal)->asDouble());
        EXPECT_EQ(unarchiver.decodeInt64(literal), Value::decimal(literal)->asInt64());
    }
    EXPECT_EQ(unarchiver.decodeValue("list"), Value(list));
    EXPECT_EQ(unarchiver.decodeString("123456789012345678901234567890"), "123456789012345678901234567890");
}

TEST(KeyedArchiveTest, TablesOfObjectsKeepTheirKeys)
{
    // The save keeps tables such as identifier -> record in one entry.
    ArchiveItem::Entries table;
    table.emplace_back(3, ArchiveItem(cost(3, 30)));
    table.emplace_back(1, ArchiveItem(cost(1, 10)));
    table.emplace_back("named", ArchiveItem(Value(true)));
    KeyedArchiver archiver;
    archiver.encodeItem("collectibleDict", ArchiveItem::dictionary(table));
    std::vector<uint8_t> bytes = archiver.encodedData();

    KeyedUnarchiver unarchiver(bytes);
    ArchiveItem back = unarchiver.decodeItem("collectibleDict");
    ASSERT_EQ(back.kind(), ArchiveItem::Kind::Dictionary);
    ASSERT_EQ(back.entries().size(), 3u);
    const ArchiveItem* three = back.find(Value(3));
    ASSERT_TRUE(three);
    ASSERT_TRUE(three->objectAs<TestCost>());
    EXPECT_EQ(three->objectAs<TestCost>()->quantity, 30);
    EXPECT_FALSE(back.find(Value("3"))); // the key kept its number kind
    EXPECT_EQ(back.find(Value("named"))->value(), Value(true));
    // Read as a plain value, keys turn into strings and objects drop out.
    EXPECT_EQ(unarchiver.decodeValue("collectibleDict"), Value::dictionary({{"named", true}}));
}

TEST(KeyedArchiveTest, UnknownOrRejectedClassesDecodeAsNullWithAnError)
{
    struct Case {
        const char* name;
        std::string className;
        const char* errorContains;
    };
    const std::vector<Case> cases = {
        {"unknown class", "NoSuchClass", "unknown archived class \"NoSuchClass\""},
        {"rejected by its class", "TestPicky", "rejected"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Value archive = Value::dictionary({
            {"$archiver", "MosswickKeyedArchive"},
            {"$version", 1},
            {"$top", Value::dictionary({{"root", Value::dictionary({{"$class", c.className}})}})},
        });
        const std::string text = writePropertyList(archive);
        std::string error;
        Ref<Object> object = unarchiveObjectWithData(reinterpret_cast<const uint8_t*>(text.data()), text.size(), &error);
        EXPECT_FALSE(object);
        EXPECT_NE(error.find(c.errorContains), std::string::npos) << error;
    }
}

TEST(KeyedArchiveTest, BytesThatAreNoArchiveAreAnError)
{
    const std::vector<std::string> inputs = {
        "",
        "not xml at all",
        "<plist><dict><key>root</key><string>x</string></dict></plist>",
        "<plist><dict><key>$archiver</key><string>MosswickKeyedArchive</string></dict></plist>",
    };
    for (const std::string& input : inputs) {
        SCOPED_TRACE(input);
        KeyedUnarchiver unarchiver(reinterpret_cast<const uint8_t*>(input.data()), input.size());
        EXPECT_FALSE(unarchiver.ok());
        EXPECT_EQ(unarchiver.decodeInt32("anything"), 0);
        EXPECT_FALSE(unarchiver.decodeObject("root"));
    }
}

TEST(KeyedArchiveTest, EncodingFailuresAreReported)
{
    TestLoop loop;
    loop.retain(); // lives on the stack; the count must never reach zero
    std::string error;
    EXPECT_TRUE(archivedDataWithRootObject(&loop, &error).empty());
    EXPECT_NE(error.find("deeply"), std::string::npos) << error;

    KeyedArchiver reserved;
    reserved.encodeInt32("$class", 1);
    EXPECT_FALSE(reserved.ok());
    EXPECT_TRUE(reserved.encodedData().empty());

    class Plain : public Object {};
    KeyedArchiver notArchivable;
    notArchivable.encodeItem("x", ArchiveItem(makeRef<Plain>()));
    EXPECT_FALSE(notArchivable.ok());
}

TEST(KeyedArchiveTest, FilesRoundTrip)
{
    test::TempDir dir;
    const std::string path = dir.file("record.archive");
    std::string error;
    ASSERT_TRUE(archiveRootObjectToFile(cost(4, 44).get(), path, &error)) << error;
    Ref<TestCost> back = dynamicRef<TestCost>(unarchiveObjectWithFile(path, &error));
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(back->quantity, 44);
    EXPECT_FALSE(unarchiveObjectWithFile(dir.file("missing"), &error));
}

// Every failed whole-object load leaves exactly one log line naming the cause,
// whether or not the caller asked for the reason.
TEST(KeyedArchiveTest, FailedLoadsLogOneLine)
{
    test::TempDir dir;
    KeyedArchiver rootless;
    rootless.encodeInt32("count", 1);
    const std::vector<uint8_t> noRoot = rootless.encodedData();
    const std::string garbage = "<plist><dict><key>a</key></plist>";
    struct Case {
        const char* name;
        std::function<Ref<Object>()> load;
        const char* logged;
    };
    const std::vector<Case> cases = {
        {"missing file", [&] { return unarchiveObjectWithFile(dir.file("missing")); }, "missing"},
        {"no root", [&] { return unarchiveObjectWithData(noRoot); }, "no root object"},
        {"malformed", [&] { return unarchiveObjectWithData(reinterpret_cast<const uint8_t*>(garbage.data()), garbage.size()); },
         "not a keyed archive"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedLogCapture capture;
        EXPECT_FALSE(c.load());
        ASSERT_EQ(capture.lines().size(), 1u);
        EXPECT_TRUE(capture.contains(c.logged)) << capture.lines()[0];
    }
}

} // namespace
} // namespace mw
