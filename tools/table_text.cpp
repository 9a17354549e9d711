#include "tools/table_text.h"

#include <algorithm>

namespace table_text {

std::string Printable(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            c = '?';
        }
    }
    return out;
}

std::string CsvField(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
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
