#pragma once
// The Windows SDK headers as the *_win.cpp files of the platform layer include them: after every
// platform header they need, because the SDK defines as macros many names that the platform layer
// also declares (INFINITE, WAIT_TIMEOUT, SOCKET_ERROR, HKEY_LOCAL_MACHINE, ...; the values agree,
// so code below this include may use either spelling). The SDK's "A or W" function macros whose
// names the platform layer uses for its own calls are removed, so that zplat::CreateProcess stays
// zplat::CreateProcess. Include this in *_win.cpp files only, last.

#ifndef _WIN32
#error "platform/windows_sdk.h is for the Windows faces of the platform layer only"
#endif

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif

// winsock2.h must come before windows.h, and the others after both.
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <mswsock.h>
#include <iphlpapi.h>
#include <shellapi.h>
// clang-format on

#undef CreateProcess
#undef WSASocket
#undef ShellExecute
#undef RegOpenKeyEx
#undef RegEnumKeyEx
#undef RegQueryValueEx
#undef GetComputerNameEx
#undef GetCurrentDirectory
