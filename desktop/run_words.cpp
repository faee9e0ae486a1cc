#include "desktop/run_words.h"

#include <cstdio>

#include "update/run_ends.h"

std::string VerdictDetail(const RunVerdict& verdict, const CheckReport& found) {
    std::string text = RunEndDetail(verdict, found);
    const std::string record = RecordWords(verdict);
    if (!record.empty()) text += (text.empty() ? "" : "\n") + record;
    return text;
}

std::string ProgressWords(uint32_t done, uint32_t total, uint64_t elapsedMs) {
    char text[96];
    int n = std::snprintf(text, sizeof text, "%.1f of %.1f KiB", done / 1024.0, total / 1024.0);
    // A rate read from less than a few kibibytes says little.
    constexpr uint32_t kRateFromBytes = 4096;
    if (done >= kRateFromBytes && done < total && elapsedMs > 0) {
        const uint64_t leftMs = uint64_t(total - done) * elapsedMs / done;
        std::snprintf(text + n, sizeof text - n, ", about %llu s left", (unsigned long long)(leftMs + 999) / 1000);
    }
    return text;
}
