#include "foundation/string.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <new>
#include <string>

namespace {

// The shared empty string handed out by the read accessors. Nothing writes through it: it is
// only ever returned as const.
const char kEmptyText[1] = {'\0'};

// Room that LoadString offers the resource loader first, and adds each time the text may have
// been cut: 1024 bytes.
constexpr int kLoadStringStep = 1024;

// Significant digits of a double appended with += or +.
constexpr int kAppendDoubleDigits = 15;

// Counts the characters of s before its NUL, looking at no more than max of them (s need not be
// terminated within max bytes).
int BoundedLength(const char* s, int64_t max) {
    int64_t n = 0;
    while (n < max && s[n] != '\0') {
        ++n;
    }
    return static_cast<int>(n);
}

// Lengths and capacities are 32-bit signed; a text that cannot be described by them cannot be
// stored, which is reported like any other allocation failure.
int CheckedSize(int64_t size) {
    if (size < 0 || size > INT_MAX) {
        throw std::bad_alloc();
    }
    return static_cast<int>(size);
}

int TextLength(const char* s) {
    return CheckedSize(static_cast<int64_t>(std::strlen(s)));
}

// A blank for the trims: the space always; otherwise also every byte whose value as a signed
// 8-bit number is below 0x20 (0x01-0x1F and 0x80-0xFF). NUL is never a blank: it ends the scan.
bool IsTrimBlank(unsigned char b, int spacesOnly) {
    if (b == ' ') {
        return true;
    }
    return spacesOnly == 0 && b != '\0' && static_cast<signed char>(b) < 0x20;
}

bool IsStripByte(unsigned char b, int c) {
    return b != '\0' && b == static_cast<unsigned char>(c);
}

// ---- Format size estimate ------------------------------------------------------------------

// What a conversion of the estimate's table is, and so what it adds and which argument it takes.
enum class Conversion { kChar, kInt, kShort, kFloat, kHex, kString, kOther };

// The conversions the estimate knows, with an optional l or h before the letter.
Conversion Classify(char letter, char prefix) {
    switch (letter) {
        case 'c':
        case 'C':
            return Conversion::kChar;
        case 'd':
        case 'i':
        case 'u':
            return prefix == 'h' ? Conversion::kShort : Conversion::kInt;
        case 'f':
        case 'F':
        case 'e':
        case 'E':
            return prefix == 'h' ? Conversion::kOther : Conversion::kFloat;
        case 'x':
        case 'X':
            return prefix == 'h' ? Conversion::kOther : Conversion::kHex;
        case 'p':
            return prefix == '\0' ? Conversion::kHex : Conversion::kOther;
        case 's':
        case 'S':
            return Conversion::kString;
        default:
            return Conversion::kOther;
    }
}

// A wide character travels through "..." as its promoted type (int where wint_t is 16 bits).
using PromotedWint = decltype(+wint_t{});

// Reads "up to 10 decimal digits" or a star (an int argument) at p.
int64_t ReadCount(const char*& p, va_list& args) {
    if (*p == '*') {
        ++p;
        return va_arg(args, int);
    }
    int64_t value = 0;
    for (int digits = 0; digits < 10 && *p >= '0' && *p <= '9'; ++digits, ++p) {
        value = value * 10 + (*p - '0');
    }
    return value;
}

// A conversion outside the estimate's table still consumes the argument that vsprintf takes for
// it (read from the length modifier and letter at p), so the arguments of later conversions stay
// in line and a %s further on never reads a number as a string pointer.
void SkipOtherArgument(const char* p, va_list& args) {
    enum class Size { kDefault, kChar, kShort, kLong, kLongLong, kMax, kSize, kDiff, kLongDouble };
    Size size = Size::kDefault;
    switch (*p) {
        case 'h':
            ++p;
            size = Size::kShort;
            if (*p == 'h') {
                ++p;
                size = Size::kChar;
            }
            break;
        case 'l':
            ++p;
            size = Size::kLong;
            if (*p == 'l') {
                ++p;
                size = Size::kLongLong;
            }
            break;
        case 'q':
            ++p;
            size = Size::kLongLong;
            break;
        case 'j':
            ++p;
            size = Size::kMax;
            break;
        case 'z':
            ++p;
            size = Size::kSize;
            break;
        case 't':
            ++p;
            size = Size::kDiff;
            break;
        case 'L':
            ++p;
            size = Size::kLongDouble;
            break;
        default:
            break;
    }
    switch (*p) {
        case 'd':
        case 'i':
        case 'o':
        case 'u':
        case 'x':
        case 'X':
            switch (size) {
                case Size::kLong:
                    (void)va_arg(args, long);
                    break;
                case Size::kLongLong:
                    (void)va_arg(args, long long);
                    break;
                case Size::kMax:
                    (void)va_arg(args, intmax_t);
                    break;
                case Size::kSize:
                    (void)va_arg(args, size_t);
                    break;
                case Size::kDiff:
                    (void)va_arg(args, ptrdiff_t);
                    break;
                default:
                    (void)va_arg(args, int);
                    break;
            }
            break;
        case 'c':
            if (size == Size::kLong) {
                (void)va_arg(args, PromotedWint);
            } else {
                (void)va_arg(args, int);
            }
            break;
        case 'C':
            (void)va_arg(args, PromotedWint);
            break;
        case 'f':
        case 'F':
        case 'e':
        case 'E':
        case 'g':
        case 'G':
        case 'a':
        case 'A':
            if (size == Size::kLongDouble) {
                (void)va_arg(args, long double);
            } else {
                (void)va_arg(args, double);
            }
            break;
        case 's':
        case 'S':
        case 'p':
        case 'n':
            (void)va_arg(args, void*);
            break;
        default:
            break;  // not a conversion vsprintf knows: it takes no argument
    }
}

}  // namespace

// ---- Construction --------------------------------------------------------------------------

ZString::ZString() : buffer(nullptr), capacity(0), length(0) {}

ZString::ZString(const char* s) : ZString() {
    if (s != nullptr) {
        int n = TextLength(s);
        char* copy = new char[n + 1];
        std::memcpy(copy, s, static_cast<size_t>(n) + 1);
        Adopt(copy, n + 1, n);
    }
}

ZString::ZString(const char* s, int maxChars) : ZString() {
    if (s != nullptr && maxChars > 0) {
        int n = BoundedLength(s, std::min(maxChars, INT_MAX - 1));
        char* copy = new char[n + 1];
        std::memcpy(copy, s, static_cast<size_t>(n));
        copy[n] = '\0';
        Adopt(copy, n + 1, n);
    }
}

ZString::ZString(const ZString& other) : ZString() {
    if (other.capacity != 0) {
        int n = other.GetLength();
        char* copy = new char[n + 1];
        std::memcpy(copy, other.GetString(), static_cast<size_t>(n));
        copy[n] = '\0';
        Adopt(copy, n + 1, n);
    }
}

ZString::ZString(ZString&& other) noexcept
    : buffer(other.buffer), capacity(other.capacity), length(other.length) {
    other.buffer = nullptr;
    other.capacity = 0;
    other.length = 0;
}

ZString::ZString(int value) : ZString() {
    char text[16];  // "-2147483648" and its NUL
    std::snprintf(text, sizeof text, "%d", value);
    ZString::Assign(text);
}

ZString::ZString(double value, int digits) : ZString() {
    int needed = std::snprintf(nullptr, 0, "%.*g", digits, value);
    if (needed < 0) {
        return;  // nothing printable: no storage
    }
    int size = CheckedSize(static_cast<int64_t>(needed) + 1);
    char* text = new char[size];
    std::snprintf(text, static_cast<size_t>(size), "%.*g", digits, value);
    Adopt(text, size, needed);
}

ZString& ZString::operator=(const ZString& other) {
    Assign(other);
    return *this;
}

ZString& ZString::operator=(ZString&& other) noexcept {
    if (this != &other) {
        delete[] buffer;
        buffer = other.buffer;
        capacity = other.capacity;
        length = other.length;
        other.buffer = nullptr;
        other.capacity = 0;
        other.length = 0;
    }
    return *this;
}

ZString& ZString::operator=(const char* s) {
    Assign(s);
    return *this;
}

ZString::~ZString() {
    ZString::Empty();
}

void ZString::Adopt(char* newBuffer, int size, int textLength) {
    delete[] buffer;
    buffer = newBuffer;
    capacity = size;
    length = textLength;
}

// ---- Storage -------------------------------------------------------------------------------

void ZString::Empty() {
    delete[] buffer;
    buffer = nullptr;
    capacity = 0;
    length = 0;
}

void ZString::Allocate(int size) {
    Empty();
    // A negative size is a caller error; it leaves the string without storage like size 0.
    if (size > 0) {
        buffer = new char[size];
        buffer[0] = '\0';
        capacity = size;
        length = 0;
    }
}

void ZString::Compact() {
    if (capacity == 0) {
        return;
    }
    // Whoever wrote into the buffer may have filled it without a NUL: then every byte is text.
    int n = BoundedLength(buffer, capacity);
    int size = CheckedSize(static_cast<int64_t>(n) + 1);
    char* copy = new char[size];
    std::memcpy(copy, buffer, static_cast<size_t>(n));
    copy[n] = '\0';
    Adopt(copy, size, n);
}

void ZString::Assign(const char* s) {
    if (s == nullptr) {
        Empty();
        return;
    }
    // Copy first, release afterwards: s may point into this string's own buffer.
    int n = TextLength(s);
    char* copy = new char[n + 1];
    std::memcpy(copy, s, static_cast<size_t>(n) + 1);
    Adopt(copy, n + 1, n);
}

void ZString::Assign(const ZString& other) {
    if (other.GetLength() == 0) {
        Empty();
        return;
    }
    Assign(other.GetString());
}

int ZString::AssignN(const char* s, unsigned maxSize) {
    if (s == nullptr || maxSize == 0) {
        return 0;
    }
    // At most maxSize - 1 characters and the NUL. The copy is made before the old buffer goes,
    // so s may point into this string.
    int64_t room = std::min<int64_t>(static_cast<int64_t>(maxSize) - 1, INT_MAX - 1);
    int n = BoundedLength(s, room);
    char* copy = new char[n + 1];
    std::memcpy(copy, s, static_cast<size_t>(n));
    copy[n] = '\0';
    Adopt(copy, n + 1, n);
    return n;
}

bool ZString::LoadString(zplat::HMODULE module, unsigned id) {
    Empty();
    int room = kLoadStringStep;
    int loaded = 0;
    for (;;) {
        Allocate(room);
        loaded = zplat::LoadStringA(module, id, buffer, capacity);
        // room - 1 characters means the text may have been cut: offer more room and load again.
        // The room stops growing where a capacity can no longer describe it.
        if (loaded != room - 1 || room > INT_MAX - kLoadStringStep) {
            break;
        }
        room += kLoadStringStep;
    }
    if (loaded <= 0) {
        Empty();
        return false;
    }
    Compact();
    return true;
}

// ---- Read access ---------------------------------------------------------------------------

ZString* ZString::Clone() const {
    return new ZString(*this);
}

const char* ZString::GetString() const {
    return buffer != nullptr ? buffer : kEmptyText;
}

int ZString::GetLength() const {
    return capacity != 0 ? length : 0;
}

bool ZString::IsEmpty() const {
    return GetLength() == 0;
}

char* ZString::GetBuffer() {
    return buffer;
}

char& ZString::operator[](unsigned i) {
    if (i < static_cast<unsigned>(GetLength())) {
        return buffer[i];
    }
    // Out of range: a NUL of this thread's own, reset on every such access, so a write through
    // the reference can never change the shared empty string that every empty ZString returns.
    thread_local char outOfRange;
    outOfRange = '\0';
    return outOfRange;
}

const char& ZString::operator[](unsigned i) const {
    if (i < static_cast<unsigned>(GetLength())) {
        return buffer[i];
    }
    return kEmptyText[0];
}

const char* ZString::GetTail(unsigned i) const {
    if (i < static_cast<unsigned>(GetLength())) {
        return buffer + i;
    }
    return kEmptyText;
}

char* ZString::Duplicate() const {
    int n = BoundedLength(GetString(), GetLength());
    char* copy = new char[n + 1];
    std::memcpy(copy, GetString(), static_cast<size_t>(n));
    copy[n] = '\0';
    return copy;
}

// ---- Appending -----------------------------------------------------------------------------

void ZString::AppendBytes(const char* s, int count) {
    int oldLength = GetLength();
    int newLength = CheckedSize(static_cast<int64_t>(oldLength) + count + 1) - 1;
    if (newLength + 1 > capacity) {
        // Grow to twice the size needed, so repeated appends double the buffer.
        int size =
            static_cast<int>(std::min<int64_t>(2 * (static_cast<int64_t>(newLength) + 1), INT_MAX));
        char* grown = new char[size];
        if (oldLength > 0) {
            std::memcpy(grown, buffer, static_cast<size_t>(oldLength));
        }
        // s may lie in the old buffer, which is released only after this copy.
        std::memcpy(grown + oldLength, s, static_cast<size_t>(count));
        grown[newLength] = '\0';
        Adopt(grown, size, newLength);
        return;
    }
    std::memmove(buffer + oldLength, s, static_cast<size_t>(count));
    buffer[newLength] = '\0';
    length = newLength;
}

void ZString::Append(const char* s) {
    if (s == nullptr) {
        return;
    }
    AppendBytes(s, TextLength(s));
}

void ZString::Append(const ZString& other) {
    Append(other.GetString());
}

void ZString::Append(char c) {
    // A NUL would end the text inside its own length; it appends nothing, as the one-character
    // text made of it would.
    if (c != '\0' && capacity != 0 && capacity - 1 > length) {
        buffer[length] = c;
        ++length;
        buffer[length] = '\0';
        return;
    }
    const char text[2] = {c, '\0'};
    Append(text);
}

void ZString::AppendN(const char* s, int count) {
    if (s == nullptr || count <= 0) {
        return;
    }
    int n = BoundedLength(s, count);
    if (n == 0) {
        return;
    }
    AppendBytes(s, n);
}

ZString& ZString::operator+=(const char* s) {
    Append(s);
    return *this;
}

ZString& ZString::operator+=(char c) {
    Append(c);
    return *this;
}

ZString& ZString::operator+=(int value) {
    Append(ZString(value).GetString());
    return *this;
}

ZString& ZString::operator+=(double value) {
    Append(ZString(value, kAppendDoubleDigits).GetString());
    return *this;
}

ZString& ZString::operator+=(const ZString& other) {
    Append(other);
    return *this;
}

ZString ZString::Concatenated(const char* tail) const {
    int headLength = GetLength();
    int tailLength = tail != nullptr ? TextLength(tail) : 0;
    int size = CheckedSize(static_cast<int64_t>(headLength) + tailLength + 1);
    char* joined = new char[size];
    std::memcpy(joined, GetString(), static_cast<size_t>(headLength));
    if (tailLength > 0) {
        std::memcpy(joined + headLength, tail, static_cast<size_t>(tailLength));
    }
    joined[size - 1] = '\0';
    ZString result;
    result.Adopt(joined, size, size - 1);
    return result;
}

ZString ZString::operator+(const char* s) const {
    return Concatenated(s);
}

ZString ZString::operator+(int value) const {
    return Concatenated(ZString(value).GetString());
}

ZString ZString::operator+(double value) const {
    return Concatenated(ZString(value, kAppendDoubleDigits).GetString());
}

ZString ZString::operator+(const ZString& other) const {
    return Concatenated(other.GetString());
}

// ---- Comparison ----------------------------------------------------------------------------

bool ZString::operator==(const ZString& other) const {
    if (capacity != 0 && other.capacity != 0) {
        return std::strcmp(buffer, other.buffer) == 0;
    }
    return GetLength() == 0 && other.GetLength() == 0;
}

bool ZString::operator==(const char* s) const {
    if (capacity != 0 && s != nullptr && *s != '\0') {
        return std::strcmp(buffer, s) == 0;
    }
    return GetLength() == 0 && (s == nullptr || *s == '\0');
}

bool ZString::operator!=(const ZString& other) const {
    return !(*this == other);
}

bool ZString::operator!=(const char* s) const {
    return !(*this == s);
}

bool ZString::operator<(const ZString& other) const {
    if (capacity == 0 || other.capacity == 0) {
        return false;
    }
    return std::strcmp(buffer, other.buffer) < 0;
}

bool ZString::operator>(const ZString& other) const {
    if (capacity == 0 || other.capacity == 0) {
        return false;
    }
    return std::strcmp(buffer, other.buffer) > 0;
}

bool ZString::operator<=(const ZString& other) const {
    return !(*this > other);
}

bool ZString::operator>=(const ZString& other) const {
    return !(*this < other);
}

// ---- Search --------------------------------------------------------------------------------

int ZString::FindChar(char c, bool reverse) const {
    if (!reverse) {
        return FindChar(c, 0, false);
    }
    int last = GetLength() > 0 ? GetLength() - 1 : 0;
    return FindChar(c, last, true);
}

int ZString::FindChar(char c, int start, bool reverse) const {
    if (static_cast<unsigned>(start) >= static_cast<unsigned>(GetLength()) || c == '\0') {
        return -1;
    }
    if (!reverse) {
        for (int i = start; i < length && buffer[i] != '\0'; ++i) {
            if (buffer[i] == c) {
                return i;
            }
        }
        return -1;
    }
    // Backwards down to and including the first character.
    for (int i = start; i >= 0; --i) {
        if (buffer[i] == c) {
            return i;
        }
    }
    return -1;
}

int ZString::Find(const char* s) const {
    return Find(s, 0);
}

int ZString::Find(const char* s, int start) const {
    if (static_cast<unsigned>(start) >= static_cast<unsigned>(GetLength()) || s == nullptr ||
        buffer == nullptr) {
        return -1;
    }
    const char* hit = std::strstr(buffer + start, s);
    return hit != nullptr ? static_cast<int>(hit - buffer) : -1;
}

// ---- Editing -------------------------------------------------------------------------------

bool ZString::Insert(const char* s, int pos) {
    if (s == nullptr || pos < 0 || pos > GetLength()) {
        return false;
    }
    if (pos == GetLength()) {
        Append(s);
        return true;
    }
    int n = TextLength(s);
    int size = CheckedSize(static_cast<int64_t>(length) + n + 1);
    char* joined = new char[size];
    std::memcpy(joined, buffer, static_cast<size_t>(pos));
    std::memcpy(joined + pos, s, static_cast<size_t>(n));
    std::memcpy(joined + pos + n, buffer + pos, static_cast<size_t>(length - pos) + 1);
    Adopt(joined, size, size - 1);
    return true;
}

bool ZString::Remove(int pos, int count) {
    // A negative count would move text from before pos; it is refused like a bad position.
    if (pos < 0 || pos >= GetLength() || buffer == nullptr || count < 0) {
        return false;
    }
    if (static_cast<int64_t>(pos) + count >= length) {
        buffer[pos] = '\0';
        length = pos;
        return true;
    }
    std::memmove(buffer + pos, buffer + pos + count, static_cast<size_t>(length - pos - count) + 1);
    length -= count;
    return true;
}

bool ZString::Replace(int pos, int count, const char* s) {
    if (!Remove(pos, count)) {
        return false;
    }
    return Insert(s, pos);
}

int ZString::ReplaceAll(const char* from, const char* to) {
    // An empty searched text is found everywhere and would be replaced forever.
    if (from == nullptr || to == nullptr || *from == '\0') {
        return 0;
    }
    // Own copies: from or to may point into this string, which changes below.
    const std::string needle(from);
    const std::string replacement(to);
    const int needleLength = CheckedSize(static_cast<int64_t>(needle.size()));
    const int replacementLength = CheckedSize(static_cast<int64_t>(replacement.size()));
    int count = 0;
    int position = 0;
    for (;;) {
        int pos = Find(needle.c_str(), position);
        if (pos == -1) {
            break;
        }
        if (!Remove(pos, needleLength) || !Insert(replacement.c_str(), pos)) {
            break;
        }
        ++count;
        // Skip what was just inserted, so a replacement containing the needle never recurses.
        position = pos + replacementLength;
    }
    return count;
}

ZString ZString::SubString(int start, int count) const {
    // A negative start would read before the text; it gives no storage like one past the end.
    if (capacity == 0 || start < 0 || start >= length || count <= 0) {
        return ZString();
    }
    return ZString(buffer + start, count);
}

// ---- Case, trimming and reversal ----------------------------------------------------------

int ZString::ToUpper() {
    if (capacity == 0) {
        return 0;
    }
    int changed = 0;
    for (int i = 0; i < length; ++i) {
        if (buffer[i] >= 'a' && buffer[i] <= 'z') {
            buffer[i] = static_cast<char>(buffer[i] - 32);
            ++changed;
        }
    }
    return changed;
}

int ZString::ToLower() {
    if (capacity == 0) {
        return 0;
    }
    int changed = 0;
    for (int i = 0; i < length; ++i) {
        if (buffer[i] >= 'A' && buffer[i] <= 'Z') {
            buffer[i] = static_cast<char>(buffer[i] + 32);
            ++changed;
        }
    }
    return changed;
}

int ZString::TrimLeftWhere(bool (*isBlank)(unsigned char, int), int arg) {
    if (capacity == 0) {
        return 0;
    }
    int removed = 0;
    while (removed < length && isBlank(static_cast<unsigned char>(buffer[removed]), arg)) {
        ++removed;
    }
    if (removed > 0) {
        std::memmove(buffer, buffer + removed, static_cast<size_t>(length - removed) + 1);
        length -= removed;
    }
    return removed;
}

int ZString::TrimRightWhere(bool (*isBlank)(unsigned char, int), int arg) {
    if (capacity == 0) {
        return 0;
    }
    // The first character always stays.
    int end = length;
    while (end > 1 && isBlank(static_cast<unsigned char>(buffer[end - 1]), arg)) {
        --end;
    }
    int removed = length - end;
    buffer[end] = '\0';
    length = end;
    return removed;
}

int ZString::Trim(bool spacesOnly) {
    return TrimLeft(spacesOnly) + TrimRight(spacesOnly);
}

int ZString::TrimLeft(bool spacesOnly) {
    return TrimLeftWhere(IsTrimBlank, spacesOnly ? 1 : 0);
}

int ZString::TrimRight(bool spacesOnly) {
    return TrimRightWhere(IsTrimBlank, spacesOnly ? 1 : 0);
}

int ZString::Strip(char c) {
    return StripLeft(c) + StripRight(c);
}

int ZString::StripLeft(char c) {
    return TrimLeftWhere(IsStripByte, c);
}

int ZString::StripRight(char c) {
    return TrimRightWhere(IsStripByte, c);
}

int ZString::Reverse() {
    if (capacity == 0) {
        return 0;
    }
    std::reverse(buffer, buffer + length);
    return length / 2;
}

// ---- Numbers -------------------------------------------------------------------------------

int ZString::ToInt() const {
    if (capacity == 0 || length == 0) {
        return 0;
    }
    // atol's reading without its undefined overflow: out-of-range values stop at the int limits,
    // as a 32-bit long does.
    long long value = std::strtoll(buffer, nullptr, 10);
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

double ZString::ToDouble() const {
    if (capacity == 0 || length == 0) {
        return 0.0;
    }
    return std::strtod(buffer, nullptr);
}

bool ZString::IsNumber(bool integerOnly) const {
    if (buffer == nullptr) {
        return false;
    }
    for (int i = 0; i < length; ++i) {
        char c = buffer[i];
        bool ok = (c >= '0' && c <= '9') || c == '-' || (!integerOnly && c == '.');
        if (!ok) {
            return false;
        }
    }
    return true;
}

// ---- Formatting ----------------------------------------------------------------------------

int ZString::EstimateFormatSize(const char* format, va_list arguments) const {
    if (format == nullptr) {
        return 0;
    }
    va_list args;
    va_copy(args, arguments);
    int64_t estimate = static_cast<int64_t>(std::strlen(format)) + 1;
    const char* p = format;
    while (*p != '\0') {
        if (*p != '%') {
            ++p;
            continue;
        }
        const char* directive = p++;  // the %
        int hexAllowance = 0;
        bool percent = false;
        for (;; ++p) {
            if (*p == '-' || *p == '0') {
                continue;
            }
            if (*p == '+' || *p == ' ') {
                estimate += 1;
                continue;
            }
            if (*p == '#') {
                hexAllowance = 2;
                continue;
            }
            if (*p == '%') {
                percent = true;
                ++p;
            }
            break;
        }
        if (percent) {
            estimate += 1 - (p - directive);
            continue;
        }
        int64_t width = ReadCount(p, args);
        int64_t precision = 0;
        if (*p == '.') {
            ++p;
            precision = ReadCount(p, args);
        }
        const char letter = *p;
        if (letter == '\0') {
            estimate -= p - directive;  // a directive cut off by the end of the format
            break;
        }
        Conversion kind = Classify(letter, '\0');
        char prefix = '\0';
        char typeLetter = letter;
        if ((letter == 'l' || letter == 'h') && p[1] != '\0') {
            Conversion pair = Classify(p[1], letter);
            if (pair != Conversion::kOther) {
                kind = pair;
                prefix = letter;
                typeLetter = p[1];
            }
        }
        int64_t added = 0;
        switch (kind) {
            case Conversion::kChar:
                if (prefix == 'l' || (prefix == '\0' && typeLetter == 'C')) {
                    (void)va_arg(args, PromotedWint);
                } else {
                    (void)va_arg(args, int);
                }
                added = std::max<int64_t>(width, 1);
                break;
            case Conversion::kInt:
                if (prefix == 'l') {
                    (void)va_arg(args, long);
                } else {
                    (void)va_arg(args, int);
                }
                added = std::max<int64_t>(width, 7);
                break;
            case Conversion::kShort:
                (void)va_arg(args, int);  // promoted
                added = std::max<int64_t>(width, 5);
                break;
            case Conversion::kFloat:
                (void)va_arg(args, double);
                added = std::max<int64_t>(width + precision, 12);
                break;
            case Conversion::kHex:
                if (typeLetter == 'p') {
                    (void)va_arg(args, void*);
                } else if (prefix == 'l') {
                    (void)va_arg(args, unsigned long);
                } else {
                    (void)va_arg(args, unsigned);
                }
                added = std::max<int64_t>(width, 8 + hexAllowance);
                break;
            case Conversion::kString: {
                const void* text = va_arg(args, const void*);
                const bool wide = prefix == 'l' || (prefix == '\0' && typeLetter == 'S');
                if (text == nullptr) {
                    added = 1;
                } else {
                    int64_t n =
                        wide ? static_cast<int64_t>(std::wcslen(static_cast<const wchar_t*>(text)))
                             : static_cast<int64_t>(std::strlen(static_cast<const char*>(text)));
                    added = std::max<int64_t>(width, n + 1);
                }
                break;
            }
            case Conversion::kOther:
                SkipOtherArgument(p, args);
                added = std::max<int64_t>(width, 8);
                break;
        }
        // Only the first letter of a two-letter conversion belongs to the directive here;
        // the second is walked again as plain text.
        ++p;
        estimate += added - (p - directive);
    }
    va_end(args);
    return static_cast<int>(std::clamp<int64_t>(estimate, 0, INT_MAX));
}

int ZString::Format(const char* format, ...) {
    if (format == nullptr) {
        Empty();
        return 0;
    }
    va_list args;
    va_start(args, format);
    va_list walk;
    va_copy(walk, args);
    const int estimate = EstimateFormatSize(format, walk);
    va_end(walk);
    // Measure the real text too: the estimate is only a guess and may be too small.
    va_list measure;
    va_copy(measure, args);
    const int needed = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    int64_t size = std::max(estimate, 1);
    if (needed >= 0) {
        size = std::max<int64_t>(size, static_cast<int64_t>(needed) + 1);
    }
    const int bytes = CheckedSize(size);
    // Formatted into a new buffer before the old one goes: the arguments may point into it.
    char* formatted = new char[bytes];
    int written = std::vsnprintf(formatted, static_cast<size_t>(bytes), format, args);
    va_end(args);
    if (written < 0) {
        // vsprintf failed (say, a wide character with no narrow form): an empty text.
        formatted[0] = '\0';
        Adopt(formatted, bytes, 0);
        return written;
    }
    Adopt(formatted, bytes, std::min(written, bytes - 1));
    return written;
}

// ---- Chaining forms ------------------------------------------------------------------------

ZString& ZString::AppendNRef(const char* s, int count) {
    AppendN(s, count);
    return *this;
}

ZString& ZString::AppendRef(const char* s) {
    Append(s);
    return *this;
}

ZString& ZString::InsertRef(const char* s, int pos) {
    Insert(s, pos);
    return *this;
}

ZString& ZString::RemoveRef(int pos, int count) {
    Remove(pos, count);
    return *this;
}

ZString& ZString::ReplaceRef(int pos, int count, const char* s) {
    Replace(pos, count, s);
    return *this;
}

ZString& ZString::ReplaceAllRef(const char* from, const char* to) {
    ReplaceAll(from, to);
    return *this;
}

ZString& ZString::ToUpperRef() {
    ToUpper();
    return *this;
}

ZString& ZString::ToLowerRef() {
    ToLower();
    return *this;
}

ZString& ZString::TrimRef(bool spacesOnly) {
    Trim(spacesOnly);
    return *this;
}

ZString& ZString::TrimLeftRef(bool spacesOnly) {
    TrimLeft(spacesOnly);
    return *this;
}

ZString& ZString::TrimRightRef(bool spacesOnly) {
    TrimRight(spacesOnly);
    return *this;
}

ZString& ZString::StripRef(char c) {
    Strip(c);
    return *this;
}

ZString& ZString::StripLeftRef(char c) {
    StripLeft(c);
    return *this;
}

ZString& ZString::StripRightRef(char c) {
    StripRight(c);
    return *this;
}

ZString& ZString::ReverseRef() {
    Reverse();
    return *this;
}
