#include "catalogue/product_info.h"

#include <tinyxml2.h>

#include <climits>
#include <cstring>

#include "catalogue/product_kind.h"

// Deeply nested documents must fail to parse instead of recursing without bound.
static_assert(TINYXML2_MAX_ELEMENT_DEPTH <= 1000, "the XML parser must limit element depth");

namespace {

// The first child node whose value is name, as a name lookup among child nodes finds it.
const tinyxml2::XMLNode* FirstChildNamed(const tinyxml2::XMLNode* parent, const char* name) {
    for (const tinyxml2::XMLNode* node = parent->FirstChild(); node != nullptr;
         node = node->NextSibling()) {
        const char* value = node->Value();
        if (value != nullptr && std::strcmp(value, name) == 0) {
            return node;
        }
    }
    return nullptr;
}

}  // namespace

int ParseLeadingInt(const char* text) {
    if (text == nullptr) {
        return 0;
    }
    while (*text == ' ' || (*text >= '\t' && *text <= '\r')) {
        ++text;
    }
    bool negative = *text == '-';
    if (*text == '-' || *text == '+') {
        ++text;
    }
    long long value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + (*text - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) {
            value = static_cast<long long>(INT_MAX) + 1;
        }
    }
    if (negative) {
        return static_cast<int>(-value);
    }
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

bool ReadProductInfo(const char* text, const char* label, ZProductInfo* info) {
    if (text == nullptr || info == nullptr || *text == '\0') {
        return false;
    }
    size_t length = strnlen(text, kMaxProductInfoLength + 1);
    if (length > kMaxProductInfoLength) {
        return false;
    }
    tinyxml2::XMLDocument document;
    if (document.Parse(text, length) != tinyxml2::XML_SUCCESS) {
        return false;
    }

    const tinyxml2::XMLNode* data = FirstChildNamed(&document, "data");
    const tinyxml2::XMLNode* config = data ? FirstChildNamed(data, "systemconfig") : nullptr;
    const tinyxml2::XMLNode* entry = config ? FirstChildNamed(config, "entry") : nullptr;
    const tinyxml2::XMLElement* element = entry ? entry->ToElement() : nullptr;

    ZProductInfo read = *info;
    for (; element != nullptr; element = element->NextSiblingElement()) {
        if (const char* serial = element->Attribute("serial")) {
            read.hasSerial = true;
            read.serial = serial;
        }
        if (const char* suffix = FindEditionSuffix(label, element->Attribute("model"))) {
            read.suffix = suffix;
        }
        if (const char* version = element->Attribute("masterversion")) {
            read.hasMajorVersion = true;
            read.majorVersion = ParseLeadingInt(version);
        }
    }
    *info = std::move(read);
    return true;
}
