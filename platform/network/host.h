#pragma once
// The machine's names and name resolution, in the shape of gethostname, gethostbyname and
// GetComputerNameEx. The socket-style calls need a Winsock start-up (platform/network/socket.h)
// like the calls they stand in for and report errors through WSAGetLastError.
//
//   char name[128];
//   if (zplat::GetHostName(name, sizeof name) == 0) { ... }
//   std::vector<uint32_t> addresses;                     // network order
//   if (zplat::GetHostByName("localhost", &addresses)) { ... addresses[0] ... }
//
// No state of its own; safe from any thread.

#include <cstdint>
#include <vector>

namespace zplat {

// 0, or SOCKET_ERROR (WSAEFAULT when the buffer is too small or null, WSANOTINITIALISED).
int GetHostName(char* name, int length);

// The IPv4 addresses of a host name or dotted text, in the resolver's order. False with
// WSAHOST_NOT_FOUND (or WSANO_DATA, WSATRY_AGAIN, WSANOTINITIALISED) when there is none.
bool GetHostByName(const char* name, std::vector<uint32_t>* addresses);

// Formats of GetComputerNameEx; only the host-name forms are carried.
inline constexpr int ComputerNameDnsHostname = 1;
inline constexpr int ComputerNamePhysicalDnsHostname = 5;

// Copies the computer's host name (the part before the first dot) into buffer. On success *size
// is the length without the NUL; when the buffer is too small the call fails and *size is the
// room needed with the NUL, as GetComputerNameEx does. Unknown formats fail.
bool GetComputerNameEx(int format, char* buffer, uint32_t* size);

}  // namespace zplat
