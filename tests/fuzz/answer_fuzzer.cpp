// libFuzzer entry: the input is a camera's answers (tests/fuzz/answer_format.h).
// Any broken promise aborts, which the fuzzer reports as a crash.
#include <cstdio>
#include <cstdlib>

#include "tests/fuzz/answer_run.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const AnswerRun run = RunAnswers(data, size);
    const std::string broken = BrokenPromise(run);
    if (!broken.empty()) {
        std::fprintf(stderr, "broken promise: %s\nlog:\n%s\n", broken.c_str(), run.log.c_str());
        std::abort();
    }
    return 0;
}
