#pragma once
// ZString: the program's growable, NUL-terminated string of 8-bit bytes, kept on the heap.
// It is lenient at the edges: positions out of range give -1, false, an empty result or the
// shared empty string, never an error. A string is either without storage (no buffer; the state
// of a default-constructed string) or with storage (a buffer holding the text and its NUL, which
// may be the empty text). A few comparisons tell the two apart.
//
//   ZString name("unit");
//   name += '-';
//   name += 7;                          // "unit-7"
//   if (name.Find("-") == 4) { ... }
//   ZString line;
//   line.Format("%s:%d", name.GetString(), 4258);
//
// Ownership: each ZString owns its buffer alone (new[]/delete[]); copies copy the text. Texts
// handed out by Clone and Duplicate belong to the caller (delete / delete[]). GetString and
// GetTail return views into the string that stay valid until it changes. Null const char*
// arguments are accepted everywhere and mean "nothing".
//
// Every operation after the constructors and assignment operators is virtual, and the order of
// their declarations is the order of the virtual slots (the destructor is the sixth); keep it when
// adding anything.
//
// A ZString has no lock: one thread uses an object at a time.

#include <cstdarg>

#include "platform/files/string_resources.h"

class ZString {
public:
    ZString();
    ZString(const char* s);  // NOLINT(google-explicit-constructor): text literals convert freely
    ZString(const char* s, int maxChars);
    ZString(const ZString& other);
    ZString(ZString&& other) noexcept;
    explicit ZString(int value);
    ZString(double value, int digits);

    // Assignment copies the text as Assign does (an empty source leaves no storage).
    ZString& operator=(const ZString& other);
    ZString& operator=(ZString&& other) noexcept;
    ZString& operator=(const char* s);

    virtual void Empty();
    virtual void Append(const ZString& other);
    virtual void Append(char c);
    // The buffer size Format allocates first for format and arguments: an estimate of the
    // formatted length + 1 (0 for a null format). Format never relies on it being large enough.
    virtual int EstimateFormatSize(const char* format, va_list arguments) const;
    // After a direct write into GetBuffer: re-measure the text up to its NUL and shrink the
    // buffer to fit.
    virtual void Compact();
    virtual ~ZString();
    virtual ZString* Clone() const;
    virtual const char* GetString() const;
    virtual int GetLength() const;
    virtual void Assign(const char* s);
    virtual void Assign(const ZString& other);
    virtual ZString& operator+=(const char* s);
    virtual ZString& operator+=(char c);
    virtual ZString& operator+=(int value);
    virtual ZString& operator+=(double value);
    virtual ZString& operator+=(const ZString& other);
    virtual ZString operator+(const char* s) const;
    virtual ZString operator+(int value) const;
    virtual ZString operator+(double value) const;
    virtual ZString operator+(const ZString& other) const;
    virtual bool operator==(const ZString& other) const;
    virtual bool operator==(const char* s) const;
    virtual bool operator!=(const ZString& other) const;
    virtual bool operator!=(const char* s) const;
    virtual bool operator<(const ZString& other) const;
    virtual bool operator>(const ZString& other) const;
    virtual bool operator<=(const ZString& other) const;
    virtual bool operator>=(const ZString& other) const;
    // Character i, or a NUL byte when i is out of range. Writing through the reference returned
    // for an out-of-range i changes nothing the string or any other string can see.
    virtual char& operator[](unsigned i);
    virtual char* GetBuffer();
    virtual bool IsEmpty() const;
    virtual const char* GetTail(unsigned i) const;
    virtual int FindChar(char c, bool reverse) const;
    virtual int FindChar(char c, int start, bool reverse) const;
    virtual int Find(const char* s) const;
    virtual int Find(const char* s, int start) const;
    virtual void Allocate(int size);
    virtual void AppendN(const char* s, int count);
    virtual void Append(const char* s);
    virtual bool Insert(const char* s, int pos);
    virtual bool Remove(int pos, int count);
    virtual bool Replace(int pos, int count, const char* s);
    virtual int ReplaceAll(const char* from, const char* to);
    virtual int ToUpper();
    virtual int ToLower();
    virtual int ToInt() const;
    virtual double ToDouble() const;
    virtual int Trim(bool spacesOnly);
    virtual int TrimLeft(bool spacesOnly);
    virtual int TrimRight(bool spacesOnly);
    virtual int Strip(char c);
    virtual int StripLeft(char c);
    virtual int StripRight(char c);
    virtual ZString SubString(int start, int count) const;
    virtual int Reverse();
    virtual char* Duplicate() const;
    // Formats as vsprintf into a buffer of the estimate's size, or of the formatted length + 1
    // when that is larger; returns vsprintf's result.
    virtual int Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
    virtual int AssignN(const char* s, unsigned maxSize);
    // Loads string resource id of module (see zplat::RegisterStringResource), whatever its
    // length; false, and no storage, when there is no such text or it is empty.
    virtual bool LoadString(zplat::HMODULE module, unsigned id);
    virtual bool IsNumber(bool integerOnly) const;
    virtual ZString& AppendNRef(const char* s, int count);
    virtual ZString& AppendRef(const char* s);
    virtual ZString& InsertRef(const char* s, int pos);
    virtual ZString& RemoveRef(int pos, int count);
    virtual ZString& ReplaceRef(int pos, int count, const char* s);
    virtual ZString& ReplaceAllRef(const char* from, const char* to);
    virtual ZString& ToUpperRef();
    virtual ZString& ToLowerRef();
    virtual ZString& TrimRef(bool spacesOnly);
    virtual ZString& TrimLeftRef(bool spacesOnly);
    virtual ZString& TrimRightRef(bool spacesOnly);
    virtual ZString& StripRef(char c);
    virtual ZString& StripLeftRef(char c);
    virtual ZString& StripRightRef(char c);
    virtual ZString& ReverseRef();

    // Read-only access for const strings; same rule as the index operator above.
    const char& operator[](unsigned i) const;

protected:
    char* buffer;  // text and its NUL; null without storage
    int capacity;  // bytes in buffer; 0 exactly when buffer is null
    int length;    // characters before the NUL

private:
    // Takes over a buffer of size bytes that holds a NUL-terminated text of textLength bytes,
    // releasing the current one afterwards (so the new text may have been copied from it).
    void Adopt(char* newBuffer, int size, int textLength);
    void AppendBytes(const char* s, int count);
    // This text followed by tail, in a buffer of exactly the result's length + 1.
    ZString Concatenated(const char* tail) const;
    int TrimLeftWhere(bool (*isBlank)(unsigned char, int), int arg);
    int TrimRightWhere(bool (*isBlank)(unsigned char, int), int arg);
};
