#pragma once
// System error numbers that the IP Helper, registry and process calls of the platform layer
// return, with their Windows values (winerror.h) so callers can keep the numbers they test for.

#include <cstdint>

namespace zplat {

inline constexpr uint32_t NO_ERROR = 0;
inline constexpr uint32_t ERROR_SUCCESS = 0;
inline constexpr uint32_t ERROR_FILE_NOT_FOUND = 2;
inline constexpr uint32_t ERROR_ACCESS_DENIED = 5;
inline constexpr uint32_t ERROR_INVALID_HANDLE = 6;
inline constexpr uint32_t ERROR_NOT_SUPPORTED = 50;
inline constexpr uint32_t ERROR_INVALID_PARAMETER = 87;
inline constexpr uint32_t ERROR_BUFFER_OVERFLOW = 111;
inline constexpr uint32_t ERROR_NO_DATA = 232;
inline constexpr uint32_t ERROR_MORE_DATA = 234;
inline constexpr uint32_t ERROR_NO_MORE_ITEMS = 259;
inline constexpr uint32_t ERROR_IO_PENDING = 997;
inline constexpr uint32_t ERROR_NOT_FOUND = 1168;
inline constexpr uint32_t ERROR_GEN_FAILURE = 31;

}  // namespace zplat
