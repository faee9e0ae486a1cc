// Replays fuzz inputs (files, or every file of a directory) through the
// answer camera, as the fuzzer would, outside libFuzzer: every input must
// keep the run's promises, and one whose name begins "complete-" must also
// end in "Update complete!". Exits non-zero on the first that does not.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/fuzz/answer_run.h"

namespace fs = std::filesystem;

namespace {

bool Replay(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const AnswerRun run = RunAnswers(data.data(), data.size());
    std::string broken = BrokenPromise(run);
    if (broken.empty() && file.filename().string().rfind("complete-", 0) == 0 && !run.Complete())
        broken = "a complete camera's answers did not end in Update complete!: " + run.status;
    std::printf("%s: %zu bytes, %zu calls: %s\n", file.filename().string().c_str(), data.size(), run.calls,
                broken.empty() ? "ok" : broken.c_str());
    return broken.empty();
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<fs::path> files;
    for (int i = 1; i < argc; ++i) {
        if (fs::is_directory(argv[i])) {
            for (const auto& entry : fs::directory_iterator(argv[i]))
                if (entry.is_regular_file()) files.push_back(entry.path());
        } else {
            files.push_back(argv[i]);
        }
    }
    if (files.empty()) {
        std::fprintf(stderr, "no inputs to replay\n");
        return 1;
    }
    size_t passed = 0;
    for (const fs::path& file : files) passed += Replay(file);
    std::printf("%zu passed, %zu failed\n", passed, files.size() - passed);
    return passed == files.size() ? 0 : 1;
}
