#include "tools/input_file.h"

#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

namespace {

namespace fs = std::filesystem;

const char* KindName(fs::file_type type) {
    switch (type) {
        case fs::file_type::directory:
            return "a directory";
        case fs::file_type::fifo:
            return "a FIFO";
        case fs::file_type::socket:
            return "a socket";
        case fs::file_type::character:
            return "a character device";
        case fs::file_type::block:
            return "a block device";
        default:
            return "not a regular file";
    }
}

// "16 MiB" for whole MiB, else the bytes.
std::string SizeText(uint64_t bytes) {
    if (bytes >= (1u << 20) && bytes % (1u << 20) == 0) {
        return std::to_string(bytes >> 20) + " MiB";
    }
    return std::to_string(bytes) + " bytes";
}

}  // namespace

bool ZInputFile::Read(const std::string& path, uint64_t maxBytes, std::string* text,
                      std::string* error) {
    std::error_code failure;
    const fs::file_status status = fs::status(path, failure);  // follows links
    if (failure || !fs::exists(status)) {
        *error = path + ": cannot be read";
        return false;
    }
    if (!fs::is_regular_file(status)) {
        *error = path + ": is " + KindName(status.type()) + ", not a regular file";
        return false;
    }
    const uintmax_t size = fs::file_size(path, failure);
    if (failure) {
        *error = path + ": cannot be read";
        return false;
    }
    if (size > maxBytes) {
        *error = path + ": " + std::to_string(size) + " bytes is more than the " +
                 SizeText(maxBytes) + " an input file may have";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = path + ": cannot be read";
        return false;
    }
    // Read in pieces up to one byte past the limit: the size checked above may be out of date.
    std::string read;
    std::vector<char> piece(64 * 1024);
    while (in && read.size() <= maxBytes) {
        in.read(piece.data(), static_cast<std::streamsize>(piece.size()));
        read.append(piece.data(), static_cast<size_t>(in.gcount()));
    }
    if (in.bad()) {
        *error = path + ": cannot be read";
        return false;
    }
    if (read.size() > maxBytes) {
        *error = path + ": grew past the " + SizeText(maxBytes) +
                 " an input file may have while it was read";
        return false;
    }
    *text = std::move(read);
    return true;
}
