#include <gtest/gtest.h>

#include <sys/file.h>
#include <fcntl.h>
#include <unistd.h>

#include <array>

#include "platform/files.h"
#include "skin_test_support.h"

namespace qv::platform {
namespace {

namespace fs = std::filesystem;

class MappedFiles : public ::testing::Test {
protected:
    test::TempDir dir;
    fs::path root = dir / "drive_c";
    std::unique_ptr<FileSystem> files = makeFileSystem(root.string());

    bool write(TextView path, std::initializer_list<std::string> blocks) {
        std::vector<std::vector<std::uint8_t>> storage;
        for (const auto& b : blocks) storage.push_back(test::bytesOf(b));
        std::vector<ByteSpan> spans(storage.begin(), storage.end());
        return files->WriteFileBytes(path, spans);
    }
};

struct MappingCase {
    const char* windowsPath;
    const char* below;  // relative to the temporary directory
};

class PathMapping : public MappedFiles, public ::testing::WithParamInterface<MappingCase> {};

TEST_P(PathMapping, LandsWhereExpected) {
    fs::create_directories(root / "Windows" / "SYSTEM32");
    EXPECT_EQ(files->localPath(GetParam().windowsPath), (dir.path() / GetParam().below).string());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PathMapping,
    ::testing::Values(
        // existing directories keep their spelling on disk, whatever the text's case
        MappingCase{"C:\\WINDOWS\\system32\\JiaH.dll", "drive_c/Windows/SYSTEM32/JiaH.dll"},
        MappingCase{"c:/windows/System32/skinh.she", "drive_c/Windows/SYSTEM32/skinh.she"},
        MappingCase{"C:\\New\\Dir\\x", "drive_c/New/Dir/x"},
        MappingCase{"C:\\..\\..\\etc\\passwd", "drive_c/etc/passwd"},  // never above the drive
        MappingCase{"C:\\.\\WINDOWS\\\\x", "drive_c/Windows/x"},
        MappingCase{"D:\\data\\x", "drive_d/data/x"}));

TEST_F(MappedFiles, PathsWithoutDriveAreNativeWithSlashes) {
    EXPECT_EQ(files->localPath("/opt/quorvel\\JiaH.dll"), "/opt/quorvel/JiaH.dll");
}

TEST_F(MappedFiles, ExistingFileIsFoundIgnoringCase) {
    test::writeBytes(root / "WINDOWS" / "system32" / "JIAH.DLL", {1});
    EXPECT_TRUE(files->FileExists("C:\\WINDOWS\\system32\\JiaH.dll"));
    EXPECT_FALSE(files->FileExists("C:\\WINDOWS\\system32\\skinh.she"));
    EXPECT_FALSE(files->FileExists(""));
}

TEST_F(MappedFiles, DirectoryCountsAsExisting) {
    fs::create_directories(root / "WINDOWS" / "system32" / "JiaH.dll");
    EXPECT_TRUE(files->FileExists("C:\\WINDOWS\\system32\\JiaH.dll"));
}

TEST_F(MappedFiles, WriteCreatesDirectoriesAndWritesBlocksInOrder) {
    EXPECT_TRUE(write("C:\\WINDOWS\\system32\\skinh.she", {"ab", "", "cd", "e"}));
    EXPECT_EQ(test::readText(root / "WINDOWS" / "system32" / "skinh.she"), "abcde");
}

TEST_F(MappedFiles, WriteTruncatesAndNoBlocksLeavesAnEmptyFile) {
    ASSERT_TRUE(write("C:\\f", {"a long first content"}));
    EXPECT_TRUE(write("C:\\f", {"short"}));
    EXPECT_EQ(test::readText(root / "f"), "short");
    EXPECT_TRUE(write("C:\\f", {}));
    EXPECT_EQ(fs::file_size(root / "f"), 0u);
}

TEST_F(MappedFiles, WriteIntoExistingFileOfOtherCaseReplacesThatFile) {
    test::writeBytes(root / "SKINH.SHE", {1, 2, 3});
    EXPECT_TRUE(write("C:\\skinh.she", {"x"}));
    EXPECT_EQ(test::readText(root / "SKINH.SHE"), "x");
    EXPECT_FALSE(fs::exists(root / "skinh.she"));
}

TEST_F(MappedFiles, EmptyPathFailsAndTouchesNothing) {
    EXPECT_FALSE(write("", {"x"}));
    EXPECT_FALSE(fs::exists(root));
}

TEST_F(MappedFiles, DirectoryInTheWayFailsAndStays) {
    fs::create_directories(root / "JiaH.dll" / "inside");
    EXPECT_FALSE(write("C:\\JiaH.dll", {"x"}));
    EXPECT_TRUE(fs::is_directory(root / "JiaH.dll" / "inside"));
}

TEST_F(MappedFiles, FileInPlaceOfADirectoryFails) {
    test::writeBytes(root / "plain", {7});
    EXPECT_FALSE(write("C:\\plain\\x", {"x"}));
    EXPECT_EQ(test::readBytes(root / "plain"), std::vector<std::uint8_t>{7});
}

TEST_F(MappedFiles, FileHeldByAnotherWriterFailsAndKeepsItsBytes) {
    test::writeBytes(root / "held", {1, 2, 3});
    const int holder = ::open((root / "held").c_str(), O_RDONLY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    EXPECT_FALSE(write("C:\\held", {"x"}));
    ::close(holder);
    EXPECT_EQ(test::readBytes(root / "held"), (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST_F(MappedFiles, FailedWriteReportsFailure) {
    // /dev/full accepts the open and fails every write
    const std::array<std::uint8_t, 3> bytes{1, 2, 3};
    const std::array<ByteSpan, 1> blocks{ByteSpan(bytes)};
    EXPECT_FALSE(files->WriteFileBytes("/dev/full", blocks));
}

}  // namespace
}  // namespace qv::platform
