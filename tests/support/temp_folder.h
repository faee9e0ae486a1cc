// A folder of its own for one test's files, removed with it.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <system_error>

struct TempFolder {
    TempFolder() {
        static std::atomic<unsigned> made{0};
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        std::error_code ignored;
        for (int attempt = 0; attempt < 100 && path.empty(); ++attempt) {
            const std::filesystem::path p = std::filesystem::temp_directory_path(ignored) /
                                            ("korvane-test-" + std::to_string(stamp) + "-" + std::to_string(made++));
            if (std::filesystem::create_directory(p, ignored)) path = p;
        }
    }
    ~TempFolder() {
        std::error_code ignored;
        if (!path.empty()) std::filesystem::remove_all(path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string Name() const { return path.string(); }
    std::filesystem::path path;
};
