#include "platform/files/profile.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

namespace zplat {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) {
            return false;
        }
    }
    return true;
}

// A text as a C string would read it: up to its first NUL.
std::string_view UpToNul(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

// One line of the file. Offsets are into the whole content; [begin, end) is the line without its
// line break, next is where the following line starts.
struct Line {
    enum Kind { kBlank, kComment, kHeader, kEntry };
    Kind kind = kBlank;
    size_t begin = 0;
    size_t end = 0;
    size_t next = 0;
    std::string_view name;   // section name of a header, key of an entry
    std::string_view value;  // value of an entry (blanks dropped)
    size_t nameBegin = 0;    // offset of an entry's key, where a rewrite of the line starts
};

std::vector<Line> SplitLines(std::string_view content) {
    std::vector<Line> lines;
    size_t pos = 0;
    // A UTF-8 byte order mark is no part of the first line's text.
    if (content.substr(0, 3) == "\xEF\xBB\xBF") {
        pos = 3;
    }
    while (pos < content.size()) {
        Line line;
        line.begin = pos;
        size_t newline = content.find('\n', pos);
        line.next = newline == std::string_view::npos ? content.size() : newline + 1;
        line.end = newline == std::string_view::npos ? content.size() : newline;
        if (line.end > line.begin && content[line.end - 1] == '\r') {
            --line.end;
        }
        std::string_view text = content.substr(line.begin, line.end - line.begin);
        std::string_view trimmed = Trim(text);
        if (trimmed.empty()) {
            line.kind = Line::kBlank;
        } else if (trimmed.front() == ';') {
            line.kind = Line::kComment;
        } else if (trimmed.front() == '[') {
            line.kind = Line::kHeader;
            std::string_view inner = trimmed.substr(1);
            line.name = Trim(inner.substr(0, inner.find(']')));
        } else {
            line.kind = Line::kEntry;
            line.nameBegin = line.begin + static_cast<size_t>(trimmed.data() - text.data());
            size_t equals = trimmed.find('=');
            line.name = Trim(trimmed.substr(0, equals));
            if (equals != std::string_view::npos) {
                line.value = Trim(trimmed.substr(equals + 1));
            }
        }
        lines.push_back(line);
        pos = line.next;
    }
    return lines;
}

// Index of the first header named section, or lines.size().
size_t FindSection(const std::vector<Line>& lines, std::string_view section) {
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind == Line::kHeader && SameName(lines[i].name, section)) {
            return i;
        }
    }
    return lines.size();
}

// Index one past the last line of the section whose header is at index header.
size_t SectionEnd(const std::vector<Line>& lines, size_t header) {
    size_t i = header + 1;
    while (i < lines.size() && lines[i].kind != Line::kHeader) {
        ++i;
    }
    return i;
}

// Index of the first entry named key in the section at header, or lines.size(). Only the first
// section of that name is searched, as later ones of the same name are shadowed by it.
size_t FindKey(const std::vector<Line>& lines, size_t header, std::string_view key) {
    size_t end = SectionEnd(lines, header);
    for (size_t i = header + 1; i < end; ++i) {
        if (lines[i].kind == Line::kEntry && SameName(lines[i].name, key)) {
            return i;
        }
    }
    return lines.size();
}

uint32_t CopyText(std::string_view text, char* buffer, uint32_t size) {
    if (buffer == nullptr || size == 0) {
        return 0;
    }
    size_t count = std::min<size_t>(text.size(), size - 1);
    if (count > 0) {  // an empty view may have no data at all
        std::memcpy(buffer, text.data(), count);
    }
    buffer[count] = '\0';
    return static_cast<uint32_t>(count);
}

// Copies names as a list: each name and a NUL, then one more NUL. A list that does not fit is cut
// and still ends with two NULs; the result is then size - 2.
uint32_t CopyList(const std::vector<std::string_view>& names, char* buffer, uint32_t size) {
    if (buffer == nullptr || size == 0) {
        return 0;
    }
    if (size == 1) {
        buffer[0] = '\0';
        return 0;
    }
    size_t used = 0;
    for (std::string_view name : names) {
        name = UpToNul(name);
        if (used + name.size() + 2 > size) {
            // used never passes size - 1: the previous name may have filled all but the last byte.
            size_t room = used < size - 2 ? size - 2 - used : 0;
            if (room > 0) {
                std::memcpy(buffer + used, name.data(), room);
            }
            buffer[size - 2] = '\0';
            buffer[size - 1] = '\0';
            return size - 2;
        }
        if (!name.empty()) {
            std::memcpy(buffer + used, name.data(), name.size());
        }
        used += name.size();
        buffer[used++] = '\0';
    }
    buffer[used] = '\0';
    if (used == 0) {
        buffer[1] = '\0';  // an empty list is still two NULs
    }
    return static_cast<uint32_t>(used);
}

std::string_view LineBreakOf(std::string_view content) {
    return content.find("\r\n") != std::string_view::npos ? "\r\n" : "\n";
}

bool HasLineBreak(const char* text) {
    return text != nullptr && std::strpbrk(text, "\r\n") != nullptr;
}

std::mutex& ProfileLock() {
    static std::mutex lock;
    return lock;
}

ProfileFileStore* g_store = nullptr;

ProfileFileStore& Store() {
    return g_store != nullptr ? *g_store : SystemProfileFileStore();
}

}  // namespace

uint32_t ProfileGetString(std::string_view content, const char* section, const char* key,
                          const char* defaultValue, char* buffer, uint32_t size) {
    std::vector<Line> lines = SplitLines(content);
    if (section == nullptr) {
        std::vector<std::string_view> names;
        for (const Line& line : lines) {
            if (line.kind == Line::kHeader) {
                names.push_back(line.name);
            }
        }
        return CopyList(names, buffer, size);
    }
    size_t header = FindSection(lines, section);
    if (key == nullptr) {
        std::vector<std::string_view> names;
        if (header < lines.size()) {
            size_t end = SectionEnd(lines, header);
            for (size_t i = header + 1; i < end; ++i) {
                if (lines[i].kind == Line::kEntry) {
                    names.push_back(lines[i].name);
                }
            }
        }
        return CopyList(names, buffer, size);
    }
    if (header < lines.size()) {
        size_t entry = FindKey(lines, header, key);
        if (entry < lines.size()) {
            std::string_view value = UpToNul(lines[entry].value);
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                value.back() == value.front()) {
                value = value.substr(1, value.size() - 2);
            }
            return CopyText(value, buffer, size);
        }
    }
    std::string_view fallback = defaultValue != nullptr ? defaultValue : "";
    while (!fallback.empty() && IsBlank(fallback.back())) {
        fallback.remove_suffix(1);
    }
    return CopyText(fallback, buffer, size);
}

uint32_t ProfileParseInt(std::string_view value, int32_t defaultValue) {
    value = Trim(value);
    if (value.empty()) {
        return static_cast<uint32_t>(defaultValue);
    }
    bool negative = false;
    if (value.front() == '+' || value.front() == '-') {
        negative = value.front() == '-';
        value.remove_prefix(1);
    }
    // Unsigned arithmetic wraps like the 32-bit conversion it stands for, without overflow.
    uint32_t result = 0;
    for (char c : value) {
        if (c < '0' || c > '9') {
            break;
        }
        result = result * 10u + static_cast<uint32_t>(c - '0');
    }
    return negative ? 0u - result : result;
}

bool ProfileSetString(std::string* content, const char* section, const char* key,
                      const char* value) {
    if (content == nullptr || section == nullptr || HasLineBreak(section) || HasLineBreak(key) ||
        HasLineBreak(value) || std::strchr(section, ']') != nullptr ||
        (key != nullptr && std::strchr(key, '=') != nullptr)) {
        return false;
    }
    std::vector<Line> lines = SplitLines(*content);
    size_t header = FindSection(lines, section);
    std::string_view eol = LineBreakOf(*content);

    if (key == nullptr) {
        if (header < lines.size()) {
            size_t end = SectionEnd(lines, header);
            size_t from = lines[header].begin;
            size_t to = end < lines.size() ? lines[end].begin : content->size();
            content->erase(from, to - from);
        }
        return true;
    }

    size_t entry = header < lines.size() ? FindKey(lines, header, key) : lines.size();
    if (value == nullptr) {
        if (entry < lines.size()) {
            content->erase(lines[entry].begin, lines[entry].next - lines[entry].begin);
        }
        return true;
    }

    if (entry < lines.size()) {
        // The key keeps its spelling and indentation; the rest of the line becomes "=value".
        const Line& line = lines[entry];
        std::string replacement(line.name);
        replacement += '=';
        replacement += value;
        content->replace(line.nameBegin, line.end - line.nameBegin, replacement);
        return true;
    }

    std::string added = std::string(key) + "=" + value;
    if (header < lines.size()) {
        // After the section's last non-blank line, so blank lines that part it from the next
        // section stay where they are.
        size_t last = header;
        size_t end = SectionEnd(lines, header);
        for (size_t i = header + 1; i < end; ++i) {
            if (lines[i].kind != Line::kBlank) {
                last = i;
            }
        }
        const Line& after = lines[last];
        if (after.next == content->size() && content->back() != '\n') {  // no final line break
            content->insert(after.next, std::string(eol) + added + std::string(eol));
        } else {
            content->insert(after.next, added + std::string(eol));
        }
        return true;
    }

    std::string block;
    if (!content->empty()) {
        if (content->back() != '\n') {
            block += eol;
        }
        if (!lines.empty() && lines.back().kind != Line::kBlank) {
            block += eol;
        }
    }
    block += "[";
    block += section;
    block += "]";
    block += eol;
    block += added;
    block += eol;
    content->append(block);
    return true;
}

uint32_t GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                                  char* buffer, uint32_t size, const char* fileName) {
    std::string content;
    if (fileName != nullptr) {
        std::lock_guard<std::mutex> lock(ProfileLock());
        if (Store().Read(fileName, &content) != ProfileFileStore::kRead) {
            content.clear();
        }
    }
    return ProfileGetString(content, section, key, defaultValue, buffer, size);
}

uint32_t GetPrivateProfileIntA(const char* section, const char* key, int32_t defaultValue,
                               const char* fileName) {
    if (section == nullptr || key == nullptr) {
        return static_cast<uint32_t>(defaultValue);
    }
    // Wide enough for any decimal 32-bit value with sign and surrounding text.
    char text[64];
    GetPrivateProfileStringA(section, key, "", text, sizeof text, fileName);
    return ProfileParseInt(text, defaultValue);
}

bool WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* fileName) {
    if (fileName == nullptr) {
        return false;
    }
    std::lock_guard<std::mutex> lock(ProfileLock());
    ProfileFileStore& store = Store();
    std::string content;
    ProfileFileStore::ReadResult read = store.Read(fileName, &content);
    if (read == ProfileFileStore::kUnreadable) {
        return false;  // writing would replace content that was never seen
    }
    if (read == ProfileFileStore::kMissing) {
        content.clear();
    }
    std::string updated = content;
    if (!ProfileSetString(&updated, section, key, value)) {
        return false;
    }
    if (updated == content) {
        return true;  // nothing changes; a delete of what is not there creates no file
    }
    return store.Write(fileName, updated);
}

bool CanWriteProfileFile(const char* fileName) {
    if (fileName == nullptr) {
        return false;
    }
    std::lock_guard<std::mutex> lock(ProfileLock());
    return Store().CanWrite(fileName);
}

ProfileFileStore* SetProfileFileStore(ProfileFileStore* store) {
    std::lock_guard<std::mutex> lock(ProfileLock());
    ProfileFileStore* previous = g_store;
    g_store = store;
    return previous;
}

}  // namespace zplat
