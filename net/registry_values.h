#pragma once
// Small readers over the platform registry view shared by the adapter classes: a key's subkey
// names, one value's bytes, and the strings of a string or multi-string value.
//
//   zplat::HKEY key;  // opened with zplat::RegOpenKeyEx
//   std::vector<uint8_t> data;
//   uint32_t type;
//   if (ReadRegistryValue(key, "IPAddress", &type, &data)) {
//       std::vector<std::string> items = RegistryStrings(type, data);
//   }
//
// Registry data is treated as untrusted bytes: strings are read only within the value's length,
// whether or not the value ends with its NULs.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/registry/registry.h"

// The subkey names of an open key, in enumeration order.
std::vector<std::string> RegistrySubKeys(zplat::HKEY key);

// The bytes of a value; false when it is absent.
bool ReadRegistryValue(zplat::HKEY key, const char* name, uint32_t* type,
                       std::vector<uint8_t>* data);

// The strings of a value: each string of a multi-string (up to its empty terminator), or the one
// string of any other type (bytes up to the first NUL).
std::vector<std::string> RegistryStrings(uint32_t type, const std::vector<uint8_t>& data);

// The bytes of a value followed by two NULs, so that a walk over the strings of a multi-string
// stops inside the block even when the stored value lacks its terminators.
std::vector<char> TerminatedRegistryText(const std::vector<uint8_t>& data);
