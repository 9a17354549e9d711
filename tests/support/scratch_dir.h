#pragma once
// A private directory for one test under the system's temporary directory, removed with all it
// holds when the object goes. Written with std::filesystem only, so the same test runs on Linux
// and as a Windows program under Wine.
//
//   ScratchDir dir("zunit-settings");
//   ASSERT_TRUE(dir.ok());
//   std::string file = dir.path() + "/zUnitFinder.cfg";

#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <system_error>

class ScratchDir {
public:
    explicit ScratchDir(std::string_view prefix) {
        std::error_code error;
        const std::filesystem::path base = std::filesystem::temp_directory_path(error);
        if (error) {
            return;
        }
        std::random_device seed;
        std::mt19937_64 random(seed());
        for (int attempt = 0; attempt < 100; ++attempt) {
            const std::filesystem::path candidate =
                base / (std::string(prefix) + "-" + std::to_string(random() % 1000000000u));
            if (std::filesystem::create_directory(candidate, error)) {
                path_ = candidate.generic_string();
                return;
            }
        }
    }
    ~ScratchDir() {
        if (!path_.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(path_, ignored);
        }
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    bool ok() const { return !path_.empty(); }
    // Forward slashes on every system; empty when no directory could be made.
    const std::string& path() const { return path_; }

private:
    std::string path_;
};
