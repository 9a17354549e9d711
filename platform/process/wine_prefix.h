#pragma once
// Where the Windows programs installed under Wine live on this machine: the Wine prefix, and the
// host path behind a drive-letter path inside it. Client applications found through the Wine
// registry are named by drive-letter paths ("C:\Program Files\...\Client.exe"); these functions
// let the process layer check such a path and hand it to `wine`.
//
//   std::string prefix = zplat::WinePrefix();                 // $WINEPREFIX, else ~/.wine
//   std::string host = zplat::WindowsPathToHost(prefix, "C:\\Program Files\\A\\a.exe");
//   // host == prefix + "/drive_c/Program Files/A/a.exe" when that file exists, else ""
//
// All results are plain values owned by the caller.

#include <string>
#include <string_view>

namespace zplat {

// $WINEPREFIX when set and not empty, otherwise "$HOME/.wine" (the account's home directory when
// HOME is unset). The directory need not exist.
std::string WinePrefix();

// True for "X:\..." and "X:/..." with X a letter: a path that only means something inside Wine.
bool IsDriveLetterPath(std::string_view path);

// The host path of an existing file or directory named by a drive-letter path inside the prefix,
// looked up through the prefix's dosdevices links ("c:" falls back to drive_c) with each component
// matched without regard to letter case, as Windows does. Empty when the path is not a drive-letter
// path, names a component ".." (never leaves the drive), or does not exist.
std::string WindowsPathToHost(const std::string& prefix, std::string_view windowsPath);

}  // namespace zplat
