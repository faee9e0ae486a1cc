// The committed image files against the generator that writes them and the
// arrays compiled from them. Native build only: runs a host program.
#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "firmware/firmware_image.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << "cannot read " << path;
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Index of the first differing byte, or -1 when a and b are equal.
long FirstDifference(const Bytes& a, const Bytes& b) {
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        if (a[i] != b[i]) return static_cast<long>(i);
    return a.size() == b.size() ? -1 : static_cast<long>(std::min(a.size(), b.size()));
}

int RunGenerator(const std::string& arguments) {
    const std::string command = std::string("\"") + MAKE_FIRMWARE_IMAGES + "\" " + arguments;
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

using TempDir = TempFolder;

TEST(CommittedImages, TheGeneratorWritesTheCommittedFilesByteForByte) {
    TempDir dir;
    ASSERT_FALSE(dir.path.empty());
    ASSERT_EQ(RunGenerator("\"" + dir.path.string() + "\""), 0);
    for (const char* name : {"image133.bin", "image135.bin"}) {
        SCOPED_TRACE(name);
        const Bytes written = ReadFile(dir.path / name);
        const Bytes committed = ReadFile(fs::path(COMMITTED_FIRMWARE_DIR) / name);
        EXPECT_EQ(written.size(), 65536u);
        EXPECT_EQ(FirstDifference(written, committed), -1);
    }
}

TEST(CommittedImages, TheGeneratorRefusesBadArguments) {
    EXPECT_EQ(RunGenerator(""), 2);
    EXPECT_EQ(RunGenerator("a b"), 2);
    EXPECT_EQ(RunGenerator("/nonexistent/korvane/folder"), 1);
}

TEST(CommittedImages, TheBuiltInImagesAreTheCommittedFiles) {
    const struct {
        int id;
        const char* file;
    } images[] = {{kImageV0308, "image133.bin"}, {kImageV0309, "image135.bin"}};
    for (const auto& image : images) {
        SCOPED_TRACE(image.file);
        const uint8_t* data = nullptr;
        uint32_t size = 0;
        ASSERT_EQ(FindFirmwareResource(image.id, &data, &size), FirmwareStatus::Ok);
        const Bytes committed = ReadFile(fs::path(COMMITTED_FIRMWARE_DIR) / image.file);
        EXPECT_EQ(FirstDifference(Bytes(data, data + size), committed), -1);
    }
}

}  // namespace
