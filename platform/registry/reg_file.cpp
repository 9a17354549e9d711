#include "platform/registry/reg_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <vector>

namespace zplat {

namespace {

constexpr std::string_view kHeader = "WINE REGISTRY Version 2";

void AppendUtf8(uint32_t cp, std::string* out) {
    if (cp < 0x80) {
        out->push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Reads escaped text from *pos up to the unescaped terminator. On success *pos is just past the
// terminator. Empty optional for a bad escape or a missing terminator.
std::optional<std::string> ReadEscaped(std::string_view line, size_t* pos, char terminator) {
    std::string out;
    size_t i = *pos;
    while (i < line.size()) {
        char c = line[i];
        if (c == terminator) {
            *pos = i + 1;
            return out;
        }
        if (c != '\\') {
            out.push_back(c);
            ++i;
            continue;
        }
        if (i + 1 >= line.size()) {
            return std::nullopt;
        }
        char e = line[i + 1];
        i += 2;
        switch (e) {
            case '\\':
            case '"':
            case '[':
            case ']':
                out.push_back(e);
                break;
            case 'a':
                out.push_back('\a');
                break;
            case 'b':
                out.push_back('\b');
                break;
            case 'e':
                out.push_back('\x1b');
                break;
            case 'f':
                out.push_back('\f');
                break;
            case 'n':
                out.push_back('\n');
                break;
            case 'r':
                out.push_back('\r');
                break;
            case 't':
                out.push_back('\t');
                break;
            case 'v':
                out.push_back('\v');
                break;
            case 'x': {
                uint32_t cp = 0;
                int digits = 0;
                while (digits < 4 && i < line.size() && HexDigit(line[i]) >= 0) {
                    cp = cp * 16 + static_cast<uint32_t>(HexDigit(line[i]));
                    ++i;
                    ++digits;
                }
                if (digits == 0) {
                    return std::nullopt;
                }
                AppendUtf8(cp, &out);
                break;
            }
            default:
                if (e >= '0' && e <= '7') {
                    uint32_t cp = static_cast<uint32_t>(e - '0');
                    int digits = 1;
                    while (digits < 3 && i < line.size() && line[i] >= '0' && line[i] <= '7') {
                        cp = cp * 8 + static_cast<uint32_t>(line[i] - '0');
                        ++i;
                        ++digits;
                    }
                    AppendUtf8(cp, &out);
                    break;
                }
                return std::nullopt;
        }
    }
    return std::nullopt;
}

bool OnlySpaceFrom(std::string_view line, size_t pos) {
    for (size_t i = pos; i < line.size(); ++i) {
        if (line[i] != ' ' && line[i] != '\t' && line[i] != '\r') {
            return false;
        }
    }
    return true;
}

// "01,02,ab" with optional blanks; an empty list is zero bytes. A trailing comma, a lone digit or
// any other character makes it malformed.
std::optional<std::vector<uint8_t>> ParseHexBytes(std::string_view text) {
    std::vector<uint8_t> bytes;
    size_t i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r')) {
            ++i;
        }
    };
    skipBlanks();
    if (i == text.size()) {
        return bytes;
    }
    for (;;) {
        skipBlanks();
        if (i + 2 > text.size() || HexDigit(text[i]) < 0 || HexDigit(text[i + 1]) < 0) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<uint8_t>(HexDigit(text[i]) * 16 + HexDigit(text[i + 1])));
        i += 2;
        skipBlanks();
        if (i == text.size()) {
            return bytes;
        }
        if (text[i] != ',') {
            return std::nullopt;
        }
        ++i;
    }
}

// UTF-16LE bytes to UTF-8; NULs stay NULs. Malformed for an odd count.
std::optional<std::vector<uint8_t>> Utf16ToUtf8(const std::vector<uint8_t>& bytes) {
    if (bytes.size() % 2 != 0) {
        return std::nullopt;
    }
    std::string out;
    for (size_t i = 0; i < bytes.size(); i += 2) {
        uint32_t unit = bytes[i] | (static_cast<uint32_t>(bytes[i + 1]) << 8);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < bytes.size()) {
            uint32_t low = bytes[i + 2] | (static_cast<uint32_t>(bytes[i + 3]) << 8);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00), &out);
                i += 2;
                continue;
            }
        }
        AppendUtf8(unit, &out);
    }
    return std::vector<uint8_t>(out.begin(), out.end());
}

bool IsStringType(uint32_t type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

std::optional<uint32_t> ParseTypeNumber(std::string_view text, size_t* pos) {
    // "(N)" with N in hex, as the files write it (hex(b) is REG_QWORD).
    size_t i = *pos;
    if (i >= text.size() || text[i] != '(') {
        return std::nullopt;
    }
    ++i;
    uint32_t type = 0;
    int digits = 0;
    while (i < text.size() && HexDigit(text[i]) >= 0 && digits < 8) {
        type = type * 16 + static_cast<uint32_t>(HexDigit(text[i]));
        ++i;
        ++digits;
    }
    if (digits == 0 || i >= text.size() || text[i] != ')') {
        return std::nullopt;
    }
    *pos = i + 1;
    return type;
}

// The data part of a value line (after '='). Empty optional when malformed.
std::optional<RegValue> ParseData(std::string_view data) {
    size_t pos = 0;
    if (!data.empty() && data[0] == '"') {
        pos = 1;
        auto text = ReadEscaped(data, &pos, '"');
        if (!text || !OnlySpaceFrom(data, pos)) {
            return std::nullopt;
        }
        return RegValue::Sz(*text);
    }
    if (data.substr(0, 4) == "str(") {
        pos = 3;
        auto type = ParseTypeNumber(data, &pos);
        if (!type || data.substr(pos, 2) != ":\"") {
            return std::nullopt;
        }
        pos += 2;
        auto text = ReadEscaped(data, &pos, '"');
        if (!text || !OnlySpaceFrom(data, pos)) {
            return std::nullopt;
        }
        // A multi-string's text carries each string's NUL; the list's final NUL is implied.
        return RegValue::Sz(*text, *type);
    }
    if (data.substr(0, 6) == "dword:") {
        std::string_view digits = data.substr(6);
        while (!digits.empty() && (digits.back() == ' ' || digits.back() == '\r')) {
            digits.remove_suffix(1);
        }
        if (digits.empty() || digits.size() > 8) {
            return std::nullopt;
        }
        uint32_t value = 0;
        for (char c : digits) {
            if (HexDigit(c) < 0) {
                return std::nullopt;
            }
            value = value * 16 + static_cast<uint32_t>(HexDigit(c));
        }
        return RegValue::Dword(value);
    }
    if (data.substr(0, 3) == "hex") {
        pos = 3;
        uint32_t type = REG_BINARY;
        if (pos < data.size() && data[pos] == '(') {
            auto t = ParseTypeNumber(data, &pos);
            if (!t) {
                return std::nullopt;
            }
            type = *t;
        }
        if (pos >= data.size() || data[pos] != ':') {
            return std::nullopt;
        }
        auto bytes = ParseHexBytes(data.substr(pos + 1));
        if (!bytes) {
            return std::nullopt;
        }
        if (IsStringType(type)) {
            bytes = Utf16ToUtf8(*bytes);
            if (!bytes) {
                return std::nullopt;
            }
        }
        return RegValue::Binary(std::move(*bytes), type);
    }
    return std::nullopt;
}

std::vector<std::string> LogicalLines(std::string_view text) {
    std::vector<std::string> lines;
    std::string current;
    bool continuing = false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (continuing) {
            while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) {
                line.remove_prefix(1);
            }
        }
        current.append(line);
        // Hex data continues on the next line after a trailing backslash.
        continuing =
            !current.empty() && current.back() == '\\' && current.find("=hex") != std::string::npos;
        if (continuing) {
            current.pop_back();
            continue;
        }
        lines.push_back(std::move(current));
        current.clear();
    }
    if (!current.empty()) {
        // A continuation that never ends: keep the cut line so its value reads as malformed.
        lines.push_back(current + ",");
    }
    return lines;
}

}  // namespace

bool ParseRegFile(std::string_view text, MemoryRegistry* into) {
    std::vector<std::string> lines = LogicalLines(text);
    size_t i = 0;
    while (i < lines.size() && OnlySpaceFrom(lines[i], 0)) {
        ++i;
    }
    if (i == lines.size() || lines[i].rfind(kHeader, 0) != 0) {
        return false;
    }
    std::optional<std::string> key;  // empty while no good section is open
    for (++i; i < lines.size(); ++i) {
        std::string_view line = lines[i];
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) {
            line.remove_prefix(1);
        }
        if (line.empty() || line[0] == ';' || line[0] == '#') {
            continue;
        }
        if (line[0] == '[') {
            size_t pos = 1;
            key = ReadEscaped(line, &pos, ']');
            if (key) {
                into->CreateKey(*key);
            }
            continue;
        }
        if (!key) {
            continue;
        }
        std::string name;
        size_t pos;
        if (line[0] == '@') {
            pos = 1;
        } else if (line[0] == '"') {
            pos = 1;
            auto n = ReadEscaped(line, &pos, '"');
            if (!n) {
                continue;
            }
            name = std::move(*n);
        } else {
            continue;
        }
        if (pos >= line.size() || line[pos] != '=') {
            continue;
        }
        std::string_view data = line.substr(pos + 1);
        if (data == "-") {
            continue;  // a deleted value
        }
        auto value = ParseData(data);
        if (value) {
            into->SetValue(*key, name, std::move(*value));
        }
    }
    return true;
}

namespace {

// Reads the whole file when it is a regular file of at most kMaxRegFileBytes. The file is opened
// without blocking, so a FIFO put in its place cannot hang the caller, and checked on the opened
// descriptor, so what is read is what was checked. *problem names the file and what is wrong.
bool ReadRegFileText(const std::string& path, std::string* text, struct stat* st,
                     std::string* problem) {
    text->clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (errno != ENOENT) {
            *problem = path + ": cannot be opened (" + std::strerror(errno) + ")";
        }
        return false;
    }
    bool ok = false;
    if (::fstat(fd, st) != 0) {
        *problem = path + ": cannot be read (" + std::strerror(errno) + ")";
    } else if (!S_ISREG(st->st_mode)) {
        *problem = path + ": not a regular file; the Wine registry is not read from it";
    } else if (st->st_size > static_cast<off_t>(kMaxRegFileBytes)) {
        *problem = path + ": " + std::to_string(st->st_size) + " bytes, more than the " +
                   std::to_string(kMaxRegFileBytes) +
                   " a Wine registry file may have here; it is not read";
    } else {
        text->resize(static_cast<size_t>(st->st_size));
        size_t got = 0;
        ok = true;
        // A file that grows while it is read is cut at the size that was checked.
        while (got < text->size()) {
            ssize_t n = ::read(fd, text->data() + got, text->size() - got);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                if (n < 0) {
                    *problem = path + ": cannot be read (" + std::strerror(errno) + ")";
                    ok = false;
                }
                break;
            }
            got += static_cast<size_t>(n);
        }
        text->resize(got);
    }
    ::close(fd);
    if (!ok) {
        text->clear();
    }
    return ok;
}

}  // namespace

RegFileRegistry::RegFileRegistry(std::string path) : file_(std::move(path)) {}

std::string RegFileRegistry::Problem() {
    std::lock_guard<std::mutex> lock(mutex_);
    return problem_;
}

std::shared_ptr<MemoryRegistry> RegFileRegistry::Current() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        struct stat st;
        const bool exists = ::stat(file_.c_str(), &st) == 0;
        const int64_t mtime =
            exists ? static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec : -1;
        const int64_t size = exists ? static_cast<int64_t>(st.st_size) : -1;
        if (loaded_ && size == size_ && mtime == mtime_ns_) {
            return parsed_;
        }
        if (!parsing_) {
            break;
        }
        // Another thread reads the file: what was read before serves meanwhile, so a lookup never
        // waits for a long parse once there is something to answer from.
        if (loaded_) {
            return parsed_;
        }
        parsed_cv_.wait(lock);
    }
    parsing_ = true;
    lock.unlock();

    struct stat st {};
    std::string text, problem;
    auto fresh = std::make_shared<MemoryRegistry>();
    const bool read = ReadRegFileText(file_, &text, &st, &problem);
    if (read) {
        ParseRegFile(text, fresh.get());
    }

    lock.lock();
    parsing_ = false;
    parsed_ = std::move(fresh);
    loaded_ = true;
    problem_ = std::move(problem);
    if (read) {
        size_ = static_cast<int64_t>(st.st_size);
        mtime_ns_ = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    } else {
        // Refused or missing: looked at again at the next open, when the path may have changed.
        loaded_ = false;
        size_ = -1;
        mtime_ns_ = -1;
    }
    parsed_cv_.notify_all();
    return parsed_;
}

bool RegFileRegistry::Open(std::string_view path, RegKeyData* key) {
    return Current()->Open(path, key);
}

}  // namespace zplat
