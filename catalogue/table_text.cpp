#include "catalogue/table_text.h"

#include <algorithm>

#include "foundation/device_text.h"

namespace {

// Calls visit(position, size, controlCode) for every character of well-formed UTF-8: controlCode
// is the code of a C0, DEL or C1 control or of a bidirectional control (U+202A..U+202E embeddings
// and overrides, U+2066..U+2069 isolates), -1 for any other character.
template <class Visit>
void ForEachCharacter(const std::string& utf8, Visit visit) {
    for (size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const size_t size = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        int control = -1;
        if (lead < 0x20 || lead == 0x7F) {
            control = lead;
        } else if (lead == 0xC2 && i + 1 < utf8.size() &&
                   static_cast<unsigned char>(utf8[i + 1]) < 0xA0) {
            control = static_cast<unsigned char>(utf8[i + 1]);  // U+0080..U+009F
        } else if (lead == 0xE2 && i + 2 < utf8.size()) {
            const auto second = static_cast<unsigned char>(utf8[i + 1]);
            const auto third = static_cast<unsigned char>(utf8[i + 2]);
            const int code = 0x2000 | ((second & 0x3F) << 6) | (third & 0x3F);
            if ((code >= 0x202A && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069)) {
                control = code;  // reorders the rest of the line on a terminal
            }
        }
        visit(i, std::min(size, utf8.size() - i), control);
        i += size;
    }
}

// "\\u001b" for ESC: JSON's escape of a character of the Basic Multilingual Plane.
void AppendEscape(int code, std::string* out) {
    static constexpr char kHex[] = "0123456789abcdef";
    *out += "\\u";
    *out += kHex[(code >> 12) & 0xF];
    *out += kHex[(code >> 8) & 0xF];
    *out += kHex[(code >> 4) & 0xF];
    *out += kHex[code & 0xF];
}

}  // namespace

namespace table_text {

std::string Printable(const std::string& text) {
    const std::string utf8 = ZDeviceText::ToUtf8(text);
    std::string out;
    out.reserve(utf8.size());
    ForEachCharacter(utf8, [&](size_t at, size_t size, int control) {
        if (control >= 0) {
            out += '?';
        } else {
            out.append(utf8, at, size);
        }
    });
    return out;
}

std::string Quote(const std::string& text) {
    const std::string utf8 = ZDeviceText::ToUtf8(text);
    std::string out = "\"";
    ForEachCharacter(utf8, [&](size_t at, size_t size, int control) {
        const char c = utf8[at];
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (control >= 0) {
            AppendEscape(control, &out);
        } else {
            out.append(utf8, at, size);
        }
    });
    return out + "\"";
}

std::string EscapeJsonControls(const std::string& json) {
    std::string out;
    out.reserve(json.size());
    ForEachCharacter(json, [&](size_t at, size_t size, int control) {
        // DEL and C1 only: JSON writers escape C0 controls inside strings themselves, and the
        // newlines of an indented document lie outside strings. Bidirectional controls stay:
        // they are the text's own, and a reader of the JSON wants them.
        if (control == 0x7F || (control >= 0x80 && control <= 0x9F)) {
            AppendEscape(control, &out);
        } else {
            out.append(json, at, size);
        }
    });
    return out;
}

std::string CsvField(const std::string& text) {
    std::string out = "\"";
    for (char c : ZDeviceText::ToUtf8(text)) {
        out += c;
        if (c == '"') {
            out += '"';
        }
    }
    return out + "\"";
}

size_t DisplayWidth(const std::string& text) {
    size_t width = 0;
    for (unsigned char c : text) {
        width += (c & 0xC0) == 0x80 ? 0 : 1;
    }
    return width;
}

std::string Align(const std::vector<std::vector<std::string>>& rows) {
    std::vector<size_t> width;
    for (const auto& row : rows) {
        width.resize(std::max(width.size(), row.size()), 0);
        for (size_t c = 0; c < row.size(); ++c) {
            width[c] = std::max(width[c], DisplayWidth(row[c]));
        }
    }
    std::string text;
    for (const auto& row : rows) {
        std::string line;
        for (size_t c = 0; c < row.size(); ++c) {
            line += row[c];
            if (c + 1 < row.size()) {
                line += std::string(width[c] - DisplayWidth(row[c]) + 2, ' ');
            }
        }
        text += line + "\n";
    }
    return text;
}

}  // namespace table_text
