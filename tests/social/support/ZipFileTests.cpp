#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unzip.h>
#include <zip.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "social/support/CCZipFile.h"
#include "tests/support/SourceTree.h"
#include "tests/support/TempDir.h"

namespace mw {
namespace {

namespace fs = std::filesystem;

class RecordingDelegate : public CCZipFileDelegate {
public:
    explicit RecordingDelegate(unsigned responds = kErrorMessage, bool allowOverwrite = true)
        : responds_(responds), allowOverwrite_(allowOverwrite)
    {
    }
    unsigned respondsTo() const override { return responds_; }
    void ErrorMessage(const std::string& message) override { messages.push_back(message); }
    bool OverWriteOperation(const std::string& path) override
    {
        asked.push_back(path);
        return allowOverwrite_;
    }
    std::vector<std::string> messages;
    std::vector<std::string> asked;

private:
    unsigned responds_;
    bool allowOverwrite_;
};

struct Entry {
    std::string name;
    std::string data;
    int method = Z_DEFLATED;
    tm_zip date{0, 0, 12, 1, 0, 2020}; // 2020-01-01 12:00:00
};

// An archive written by minizip itself, entry by entry as given.
void writeArchive(const std::string& path, const std::vector<Entry>& entries)
{
    zipFile zip = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
    ASSERT_TRUE(zip);
    for (const Entry& entry : entries) {
        zip_fileinfo info{};
        info.tmz_date = entry.date;
        ASSERT_EQ(zipOpenNewFileInZip(zip, entry.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                      entry.method, Z_DEFAULT_COMPRESSION),
                  ZIP_OK);
        ASSERT_EQ(zipWriteInFileInZip(zip, entry.data.data(), static_cast<unsigned>(entry.data.size())),
                  ZIP_OK);
        ASSERT_EQ(zipCloseFileInZip(zip), ZIP_OK);
    }
    ASSERT_EQ(zipClose(zip, nullptr), ZIP_OK);
}

std::string readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Every path below a folder with its content ("/" for folders).
std::map<std::string, std::string> tree(const std::string& folder)
{
    std::map<std::string, std::string> out;
    if (!fs::exists(folder)) return out;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string relative = fs::relative(entry.path(), folder).string();
        out[relative] = entry.is_directory() ? "/" : readBytes(entry.path().string());
    }
    return out;
}

time_t modificationTime(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mtime : 0;
}

class ZipFileTest : public ::testing::Test {
protected:
    test::TempDir scratch_;
    std::string archive_ = scratch_.file("archive.zip");
    std::string out_ = scratch_.file("out/target");
};

TEST_F(ZipFileTest, RootDirectoryIsTheFirstEntrysFolder)
{
    struct Case {
        std::vector<Entry> entries;
        bool breakFirstEntry;
        std::string root;
        std::vector<std::string> messages;
    };
    const std::vector<Case> cases = {
        {{{"theme/", ""}, {"theme/master.ctd", "{}"}}, false, "theme", {}},
        {{{"theme\\", ""}, {"theme\\master.ctd", "{}"}}, false, "theme", {}},
        {{{"master.ctd", "{}"}, {"theme/", ""}}, false, "", {"Root directory not found"}},
        {{{"theme/", ""}, {"theme/master.ctd", "{}"}}, true, "", {"Failed to open zip file"}},
    };
    for (const Case& c : cases) {
        writeArchive(archive_, c.entries);
        if (c.breakFirstEntry) {
            std::string bytes = readBytes(archive_);
            bytes[0] = 'X'; // the first local header's signature
            writeBytes(archive_, bytes);
        }
        CCZipFile zip;
        RecordingDelegate delegate;
        zip.setDelegate(&delegate);
        ASSERT_TRUE(zip.UnzipOpenFile(archive_));
        EXPECT_EQ(zip.rootDirectory(), c.root);
        EXPECT_EQ(delegate.messages, c.messages);
    }
}

TEST_F(ZipFileTest, SingleEntriesAreFoundByNameWithOrWithoutCase)
{
    writeArchive(archive_,
                 {{"theme/", ""}, {"theme/Images/Tab.png", "png"}, {"theme\\skins\\row.ctd", "row"}});
    CCZipFile zip;
    RecordingDelegate delegate;
    zip.setDelegate(&delegate);
    ASSERT_TRUE(zip.UnzipOpenFile(archive_));
    EXPECT_TRUE(zip.UnzipSpecifiedFile("theme/images/tab.png", out_, false));
    EXPECT_EQ(readBytes(out_ + "/theme/Images/Tab.png"), "png");
    EXPECT_FALSE(zip.UnzipSpecifiedFile("theme/images/tab.png", scratch_.file("other"), true));
    EXPECT_FALSE(fs::exists(scratch_.file("other")));
    EXPECT_FALSE(zip.UnzipSpecifiedFile("theme/missing.png", out_, false));
    EXPECT_TRUE(zip.hasEntry("theme/images/tab.png", false));
    EXPECT_FALSE(zip.hasEntry("theme/images/tab.png", true));
    EXPECT_FALSE(zip.hasEntry("theme/missing.png", false));
    EXPECT_TRUE(delegate.messages.empty());
    // Stored with backslashes, extracted under the "/" path.
    EXPECT_TRUE(zip.UnzipSpecifiedFile("theme\\skins\\row.ctd", out_, true));
    EXPECT_EQ(readBytes(out_ + "/theme/skins/row.ctd"), "row");
}

TEST_F(ZipFileTest, OverwritingAsksTheDelegateWhenItAnswers)
{
    writeArchive(archive_, {{"a.txt", "new"}});
    struct Case {
        unsigned responds;
        bool allow;
        bool result;
        std::string content;
        std::vector<std::string> messages;
    };
    const std::vector<Case> cases = {
        {0, false, true, "new", {}}, // no delegate operation: overwrite
        {CCZipFileDelegate::kErrorMessage | CCZipFileDelegate::kOverWriteOperation, false, false, "old",
         {"Error occurs while overwriting file"}},
        {CCZipFileDelegate::kErrorMessage | CCZipFileDelegate::kOverWriteOperation, true, true, "new", {}},
    };
    for (const Case& c : cases) {
        scratch_.write("out/target/a.txt", "old");
        CCZipFile zip;
        RecordingDelegate delegate(c.responds, c.allow);
        zip.setDelegate(&delegate);
        ASSERT_TRUE(zip.UnzipOpenFile(archive_));
        EXPECT_EQ(zip.UnzipSpecifiedFile("a.txt", out_, true), c.result);
        EXPECT_EQ(readBytes(out_ + "/a.txt"), c.content);
        EXPECT_EQ(delegate.messages, c.messages);
    }
    // Without any delegate at all.
    scratch_.write("out/target/a.txt", "old");
    CCZipFile zip;
    ASSERT_TRUE(zip.UnzipOpenFile(archive_));
    EXPECT_TRUE(zip.UnzipSpecifiedFile("a.txt", out_, true));
    EXPECT_EQ(readBytes(out_ + "/a.txt"), "new");
}

TEST_F(ZipFileTest, HostileNamesWriteNothingOutsideTheTarget)
{
    const std::string outside = "/tmp/mosswick-zip-escape-" + std::to_string(::getpid());
    const std::vector<std::string> names = {"../x", "a/../../x",    outside, "C:\\x",
                                            "c:x",  "a\\..\\..\\x", "..",    "a/.."};
    for (const std::string& name : names) {
        writeArchive(archive_, {{"safe.txt", "ok"}, {name, "escaped"}, {"later.txt", "late"}});
        const std::map<std::string, std::string> before = tree(scratch_.path());
        for (const bool whole : {false, true}) {
            CCZipFile zip;
            RecordingDelegate delegate;
            zip.setDelegate(&delegate);
            ASSERT_TRUE(zip.UnzipOpenFile(archive_));
            const bool result =
                whole ? zip.UnzipFileTo(out_, true) : zip.UnzipSpecifiedFile(name, out_, true);
            EXPECT_FALSE(result) << name;
            EXPECT_EQ(delegate.messages, std::vector<std::string>{"Unsafe entry name"}) << name;
        }
        std::map<std::string, std::string> after = tree(scratch_.path());
        // Only what belongs inside the target may have appeared.
        for (auto it = after.begin(); it != after.end();) {
            it =
                it->first.rfind("out", 0) == 0 && (it->second != "escaped") ? after.erase(it) : std::next(it);
        }
        EXPECT_EQ(after, before) << name;
        EXPECT_FALSE(fs::exists(outside)) << name;
        fs::remove_all(scratch_.file("out"));
    }
}

TEST_F(ZipFileTest, AFailedEntryLeavesNoPartialFile)
{
    std::string big(200000, '\0');
    uint32_t state = 12345; // incompressible bytes, so the damage lands inside the entry's data
    for (char& byte : big) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<char>(state >> 24);
    }
    struct Case {
        const char* what;
        int method;
        bool makeFolderAFile;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"stored entry with a wrong checksum", 0, false, "Failed to reading zip file"},
        {"deflated entry with broken data", Z_DEFLATED, false, "Failed to reading zip file"},
        {"folder that cannot be made", 0, true, "Error occurs while writing file"},
    };
    for (const Case& c : cases) {
        writeArchive(archive_, {{"dir/big.bin", big, c.method}});
        if (!c.makeFolderAFile) {
            std::string bytes = readBytes(archive_);
            for (size_t i = 1000; i < 1100; ++i) bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
            writeBytes(archive_, bytes);
        } else {
            scratch_.write("out/target/dir", "a file where the folder should be");
        }
        CCZipFile zip;
        RecordingDelegate delegate;
        zip.setDelegate(&delegate);
        ASSERT_TRUE(zip.UnzipOpenFile(archive_));
        EXPECT_FALSE(zip.UnzipSpecifiedFile("dir/big.bin", out_, true)) << c.what;
        EXPECT_EQ(delegate.messages, std::vector<std::string>{c.message}) << c.what;
        for (const auto& [path, content] : tree(out_)) {
            EXPECT_TRUE(content == "/" || content == "a file where the folder should be")
                << c.what << ": " << path;
        }
        fs::remove_all(scratch_.file("out"));
    }
    if (::geteuid() != 0) { // the superuser writes into read-only folders
        writeArchive(archive_, {{"big.bin", big}});
        fs::create_directories(out_);
        ::chmod(out_.c_str(), 0500);
        CCZipFile zip;
        RecordingDelegate delegate;
        zip.setDelegate(&delegate);
        ASSERT_TRUE(zip.UnzipOpenFile(archive_));
        EXPECT_FALSE(zip.UnzipSpecifiedFile("big.bin", out_, true));
        EXPECT_EQ(delegate.messages, std::vector<std::string>{"Error occurs while writing file"});
        ::chmod(out_.c_str(), 0700);
        EXPECT_TRUE(tree(out_).empty());
    }
    // A truncated archive does not open at all.
    writeArchive(archive_, {{"big.bin", big}});
    const std::string bytes = readBytes(archive_);
    writeBytes(archive_, bytes.substr(0, bytes.size() / 2));
    CCZipFile zip;
    EXPECT_FALSE(zip.UnzipOpenFile(archive_));
    EXPECT_FALSE(zip.UnzipSpecifiedFile("big.bin", out_, true));
    EXPECT_FALSE(fs::exists(out_ + "/big.bin"));
}

TEST_F(ZipFileTest, ExtractedFilesTakeTheEntrysLocalDateAndTime)
{
    // tm_mon wraps to 0 in minizip's "+1", so this writes a date field of 0.
    const tm_zip zero{0, 0, 0, 0, static_cast<uInt>(-1), 0};
    writeArchive(archive_, {{"dated.txt", "d", Z_DEFLATED, tm_zip{56, 34, 12, 15, 5, 2021}},
                            {"undated.txt", "u", Z_DEFLATED, zero}});
    {
        unzFile raw = unzOpen(archive_.c_str());
        ASSERT_EQ(unzLocateFile(raw, "undated.txt", 1), UNZ_OK);
        unz_file_info info{};
        ASSERT_EQ(unzGetCurrentFileInfo(raw, &info, nullptr, 0, nullptr, 0, nullptr, 0), UNZ_OK);
        ASSERT_EQ(info.dosDate, 0u);
        unzClose(raw);
    }
    CCZipFile zip;
    ASSERT_TRUE(zip.UnzipOpenFile(archive_));
    ASSERT_TRUE(zip.UnzipFileTo(out_, true));
    std::tm expected{};
    expected.tm_year = 121;
    expected.tm_mon = 5;
    expected.tm_mday = 15;
    expected.tm_hour = 12;
    expected.tm_min = 34;
    expected.tm_sec = 56;
    expected.tm_isdst = -1;
    EXPECT_EQ(modificationTime(out_ + "/dated.txt"), std::mktime(&expected));
    EXPECT_LE(
        std::llabs(static_cast<long long>(modificationTime(out_ + "/undated.txt") - std::time(nullptr))), 60);

    // A file added by the writer keeps its date to the format's two seconds.
    const std::string source = scratch_.write("source.txt", "text");
    const struct timespec times[2] = {{1500000001, 0}, {1500000001, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, source.c_str(), times, 0), 0);
    CCZipFile writer;
    ASSERT_TRUE(writer.CreateZipFile2(scratch_.file("written.zip")));
    ASSERT_TRUE(writer.addFileToZip(source, "copy.txt"));
    ASSERT_TRUE(writer.CloseZipFile2());
    CCZipFile reader;
    ASSERT_TRUE(reader.UnzipOpenFile(scratch_.file("written.zip")));
    ASSERT_TRUE(reader.UnzipSpecifiedFile("copy.txt", out_, true));
    EXPECT_LE(std::llabs(static_cast<long long>(modificationTime(out_ + "/copy.txt")) - 1500000001LL), 2);
}

TEST_F(ZipFileTest, WholeArchiveExtractionRebuildsTheTree)
{
    const std::map<std::string, std::string> files = {
        {"theme/master.ctd", "{\"items\":[]}"},
        {"theme/images/a.png", std::string(5000, 'a')},
        {"theme/images/deep/er/b.png", "b"},
        {"theme/empty.txt", ""},
    };
    CCZipFile writer;
    EXPECT_FALSE(writer.addFileToZip(scratch_.write("x", "x"), "x")); // nothing open yet
    EXPECT_FALSE(writer.CloseZipFile2());
    ASSERT_TRUE(writer.CreateZipFile2(archive_));
    for (const auto& [name, content] : files) {
        ASSERT_TRUE(writer.addFileToZip(scratch_.write("source/" + name, content), name));
    }
    EXPECT_FALSE(writer.addFileToZip(scratch_.file("no such file"), "none"));
    ASSERT_TRUE(writer.CloseZipFile2());

    CCZipFile reader;
    ASSERT_TRUE(reader.UnzipOpenFile(archive_));
    ASSERT_TRUE(reader.UnzipFileTo(out_, false));
    EXPECT_EQ(tree(out_), tree(scratch_.file("source")));
    EXPECT_TRUE(reader.UnzipCloseFile());
    EXPECT_TRUE(reader.UnzipCloseFile());
    EXPECT_FALSE(reader.UnzipFileTo(out_, false));
}

// An archive of `count` small entries whose directory records each carry
// `extraRecords` empty extra-field records: the library reads such a field
// record by record at every look at the entry.
void writeArchiveWithExtraFields(const std::string& path, int count, size_t extraRecords)
{
    std::string extra;
    for (size_t i = 0; i < extraRecords; ++i) extra += std::string("\x77\x77\x00\x00", 4);
    zipFile zip = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
    ASSERT_TRUE(zip);
    for (int i = 0; i < count; ++i) {
        zip_fileinfo info{};
        const std::string name = "theme/" + std::to_string(i) + ".ctd";
        ASSERT_EQ(zipOpenNewFileInZip(zip, name.c_str(), &info, nullptr, 0, extra.data(),
                                      static_cast<uInt>(extra.size()), nullptr, Z_DEFLATED,
                                      Z_DEFAULT_COMPRESSION),
                  ZIP_OK);
        ASSERT_EQ(zipWriteInFileInZip(zip, "{}", 2), ZIP_OK);
        ASSERT_EQ(zipCloseFileInZip(zip), ZIP_OK);
    }
    ASSERT_EQ(zipClose(zip, nullptr), ZIP_OK);
}

// The reader walks an archive's directory within a bounded number of file
// operations, and refuses at the cap with a clear message what would cost
// more (a hostile theme could otherwise cost hundreds of thousands of
// system calls at every lookup).
TEST_F(ZipFileTest, AnArchiveTooCostlyToWalkIsRefusedAtTheCap)
{
    struct Case {
        const char* name;
        int entries;
        size_t extraRecords; // per entry
        bool opens;
    };
    const Case cases[] = {
        {"a few entries with a few extra records", 20, 4, true},
        {"long extra fields", 8, 16383, false},
        {"one entry with a long extra field", 1, 16383, false},
        {"thousands of entries", 3000, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeArchiveWithExtraFields(archive_, c.entries, c.extraRecords);
        CCZipFile zip;
        RecordingDelegate delegate;
        zip.setDelegate(&delegate);
        EXPECT_EQ(zip.UnzipOpenFile(archive_), c.opens);
        EXPECT_LE(zip.readerCalls(), CCZipFile::kMostDirectoryCalls) << "nothing made past the cap";
        if (c.opens) {
            EXPECT_TRUE(delegate.messages.empty());
            EXPECT_EQ(zip.rootDirectory(), "");
            EXPECT_TRUE(zip.UnzipSpecifiedFile("theme/3.ctd", out_, true));
        } else {
            EXPECT_EQ(delegate.messages, std::vector<std::string>{CCZipFile::kDirectoryTooCostly});
            EXPECT_FALSE(zip.UnzipSpecifiedFile("theme/3.ctd", out_, true)) << "nothing stays open";
        }
    }
}

// The game's own theme sits well within the cap.
TEST_F(ZipFileTest, TheShippedThemeOpensWellWithinTheCap)
{
    CCZipFile zip;
    ASSERT_TRUE(zip.UnzipOpenFile(test::sourceTreePath("resources/mosswick_01.lumoratheme")));
    EXPECT_LT(zip.readerCalls(), CCZipFile::kMostDirectoryCalls / 2);
    EXPECT_EQ(zip.rootDirectory(), "mosswick_01");
}

} // namespace
} // namespace mw
