// Property lists exchanged with another writer and reader: Python's plistlib,
// run as a separate program (tests/foundation/plist_peer.py).
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "foundation/PropertyList.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

// MOSSWICK_PYTHON3 names the interpreter; otherwise python3 is looked up in PATH.
std::string findPython()
{
    if (const char* chosen = std::getenv("MOSSWICK_PYTHON3"); chosen && *chosen) return chosen;
    const char* path = std::getenv("PATH");
    std::string_view folders = path ? path : "";
    while (!folders.empty()) {
        const size_t colon = folders.find(':');
        const std::string folder(folders.substr(0, colon));
        folders.remove_prefix(colon == std::string_view::npos ? folders.size() : colon + 1);
        const std::string candidate = (folder.empty() ? "." : folder) + "/python3";
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return std::string();
}

std::string shellQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

struct PeerRun {
    int status = -1;
    std::string output;
};

// The peer script, from the source tree CTest names ("" when it names none).
std::string peerScript()
{
    const char* source = std::getenv("MOSSWICK_SOURCE_DIR");
    return source && *source ? std::string(source) + "/tests/foundation/plist_peer.py" : std::string();
}

PeerRun runPeer(const std::string& python, const std::vector<std::string>& arguments)
{
    std::string command = shellQuoted(python) + " " + shellQuoted(peerScript());
    for (const std::string& argument : arguments) command += " " + shellQuoted(argument);
    command += " 2>&1";
    PeerRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.output.append(buffer, got);
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string shortest(double d)
{
    char buffer[64];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, d).ptr);
}

// Kinds and exact numbers, without the width marks that the other side has no
// notion of: a real must hold the very double, an integer the very number.
std::string canonical(const Value& value)
{
    switch (value.kind()) {
    case Value::Kind::Integer: return "integer " + value.asString();
    case Value::Kind::Real: return "real " + shortest(value.asDouble());
    case Value::Kind::Date: return "date " + shortest(value.asDate());
    case Value::Kind::Array: {
        std::string text = "[";
        for (const Value& item : value.asArray()) text += canonical(item) + ", ";
        return text + "]";
    }
    case Value::Kind::Dictionary: {
        std::vector<std::string> entries;
        for (const auto& [key, item] : value.asDict()) entries.push_back(key + ": " + canonical(item));
        std::sort(entries.begin(), entries.end());
        std::string text = "{";
        for (const std::string& entry : entries) text += entry + ", ";
        return text + "}";
    }
    default: return writePropertyList(value);
    }
}

struct PeerCase {
    const char* name;
    Value value;
    const char* python; // the same value as a Python expression
};

TEST(PropertyListInteropTest, ValuesCrossToPythonsPlistlibAndBack)
{
    const std::string python = findPython();
    if (python.empty()) GTEST_SKIP() << "python3 not found (MOSSWICK_PYTHON3 unset, none in PATH): not tested";
    if (peerScript().empty()) GTEST_SKIP() << "MOSSWICK_SOURCE_DIR unset: run through ctest";

    const uint8_t bytes[] = {0, 1, 0xFE, 0xFF, '<'};
    const std::vector<PeerCase> cases = {
        {"true", Value(true), "True"},
        {"false", Value(false), "False"},
        {"zero", Value(0), "0"},
        {"int32 min", Value(INT32_MIN), "-2**31"},
        {"int64 min", Value::int64(INT64_MIN), "-2**63"},
        {"int64 max", Value::int64(INT64_MAX), "2**63 - 1"},
        {"2^63", Value(uint64_t(1) << 63), "2**63"},
        {"uint64 max", Value(UINT64_MAX), "2**64 - 1"},
        {"0.1", Value(0.1), "0.1"},
        {"1e16", Value(1e16), "1e16"},
        {"0.1 + 0.2", Value(0.1 + 0.2), "0.1 + 0.2"},
        {"a third", Value(1.0 / 3.0), "1 / 3"},
        {"whole real", Value(3.0), "3.0"},
        {"smallest", Value(5e-324), "5e-324"},
        {"largest", Value(1.7976931348623157e308), "1.7976931348623157e308"},
        {"negative zero", Value(-0.0), "-0.0"},
        {"infinity", Value(INFINITY), "math.inf"},
        {"minus infinity", Value(-INFINITY), "-math.inf"},
        {"markup", Value("a < b && c > \"d\" 'e'"), R"('a < b && c > "d" \'e\'')"},
        {"non-ASCII", Value("Zażółć 🌾 ключ"), "'Zażółć 🌾 ключ'"},
        {"white space", Value("  two\n\tlines  "), R"('  two\n\tlines  ')"},
        {"empty string", Value(""), "''"},
        {"data", Value::data(bytes, sizeof bytes), R"(b'\x00\x01\xfe\xff<')"},
        {"empty data", Value::data(nullptr, 0), "b''"},
        {"date", Value::dateFromUnixTime(1796817600.0), "datetime.datetime(2026, 12, 9, 12, 0, 0)"},
        {"date before 1970", Value::dateFromUnixTime(-86400.0 * 365), "datetime.datetime(1969, 1, 1)"},
        {"date year 1", Value::dateFromUnixTime(-62135596800.0), "datetime.datetime(1, 1, 1)"},
        {"date year 9999", Value::dateFromUnixTime(253402300799.0), "datetime.datetime(9999, 12, 31, 23, 59, 59)"},
        {"array", Value::array({1, "two", 3.5, Value::array()}), "[1, 'two', 3.5, []]"},
        {"dictionary", Value::dictionary({{"empty", Value::dictionary()}, {"big", UINT64_MAX}}),
         "{'empty': {}, 'big': 2**64 - 1}"},
    };
    test::TempDir dir;
    Value ours;
    {
        std::ofstream table(dir.file("table.txt"), std::ios::binary);
        for (const PeerCase& c : cases) {
            table << c.name << '\t' << c.python << '\n';
            ours.set(c.name, c.value);
        }
    }
    std::string error;
    ASSERT_TRUE(writePropertyListFile(dir.file("ours.plist"), ours, &error)) << error;

    // Ours read by Python; Python's written for us.
    PeerRun run = runPeer(python, {dir.file("table.txt"), dir.file("ours.plist"), dir.file("theirs.plist")});
    EXPECT_EQ(run.status, 0) << run.output;

    std::optional<Value> theirs = readPropertyListFile(dir.file("theirs.plist"), &error);
    ASSERT_TRUE(theirs) << error;
    for (const PeerCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(canonical((*theirs)[c.name]), canonical(c.value));
    }

    // What we read from Python goes back unchanged.
    ASSERT_TRUE(writePropertyListFile(dir.file("back.plist"), *theirs, &error)) << error;
    run = runPeer(python, {dir.file("table.txt"), dir.file("back.plist")});
    EXPECT_EQ(run.status, 0) << run.output;
}

} // namespace
} // namespace mw
