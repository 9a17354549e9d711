#pragma once
// The finder's settings, kept in a profile file, section "SETUP":
//   CloseOnConnect  close after a Connect: written as 0 or 1, read as on when not 0
//   Subnets         routed subnets to search beyond the local ones: CIDR blocks separated by
//                   commas (or blanks), "10.20.0.0/22, 10.31.2.0/24"
//   SweepRate       requests per second to those subnets (2,000 when absent or out of range)
//   HideSilent      leave products that stopped answering out of the list: 0 or 1
//   SortColumn      the list's sort column, 0 to 4 (the header's sections); absent: arrival order
//   SortDescending  1 when that sort runs backwards
// The file sits beside the program and shares its base name (zUnitFinder gives zUnitFinder.cfg).
//
//   char settingsPath[kSettingsPathSize];
//   FixSettingsPath(settingsPath, sizeof settingsPath);
//   bool closeOnConnect = ReadCloseOnConnect(settingsPath);
//   ...
//   WriteCloseOnConnect(settingsPath, closeOnConnect);
//
// Ownership: the caller owns every buffer. No state of its own.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "net/cidr_block.h"

inline constexpr size_t kSettingsPathSize = 1024;
inline constexpr char kSettingsFileName[] = "zUnitFinder.cfg";
inline constexpr char kSettingsSection[] = "SETUP";
inline constexpr char kCloseOnConnectKey[] = "CloseOnConnect";
inline constexpr char kSubnetsKey[] = "Subnets";
inline constexpr char kSweepRateKey[] = "SweepRate";
inline constexpr char kHideSilentKey[] = "HideSilent";
inline constexpr char kSortColumnKey[] = "SortColumn";
inline constexpr char kSortDescendingKey[] = "SortDescending";
// The Subnets value's size, its NUL included: a longer one is cut when read (a block cut short
// never reads as valid), and WriteSubnets refuses to write one. It holds far fewer blocks than a
// sweep takes (ZSubnetSweep::kMaxBlocks).
inline constexpr size_t kSubnetsValueSize = 4096;
// The sort column when none is set.
inline constexpr int kNoSortColumn = -1;

// The settings file beside the program at modulePath: the path with the program name's extension
// (from its last ".") replaced by ".cfg", or ".cfg" appended when the name has none. Only the
// file name is searched for the ".", and a "." that starts the name is no extension. Without a
// path (null or empty) it is kSettingsFileName. False, with out empty, when the result does not
// fit into size bytes.
bool SettingsPathBeside(const char* modulePath, char* out, size_t size);

// Where the settings go: the file beside the program when it can be written there, else its
// file name alone, which the profile calls keep in the user's configuration directory (an
// installed program's directory is not the user's to write). False when out is too small.
bool ChooseSettingsPath(const char* beside, bool besideWritable, char* out, size_t size);

// Whether the program at modulePath sits directly in installDir, the directory the build installs
// programs into (/usr/bin for the Debian package). That directory belongs to the system even when
// the user (root) may write there, so an installed program keeps its settings in the user's
// configuration directory. False when either is null or empty.
bool IsInInstallDirectory(const char* modulePath, const char* installDir);

// settingsPath of the main window: the path of the running program, SettingsPathBeside and
// ChooseSettingsPath, the file beside counting as unwritable when the program is installed
// (IsInInstallDirectory with the build's install directory; on Windows, a program under the
// Program Files folder); kSettingsFileName when the program's path cannot be had or is too long.
// A bare name is kept in the user's configuration directory (~/.config, %APPDATA% on Windows).
void FixSettingsPath(char* settingsPath, size_t size);

// The close-on-connect setting of the file (false when the file, the section or the key is
// missing, or the file is no profile at all).
bool ReadCloseOnConnect(const char* settingsPath);

// Writes the setting as "0" or "1", leaving the rest of the file as it was. False when the file
// cannot be written.
bool WriteCloseOnConnect(const char* settingsPath, bool closeOnConnect);

// The entries of a list of subnets: the texts between commas, blanks and line breaks.
std::vector<std::string> SplitSubnetList(const std::string& list);

// The entries of the Subnets key as they stand, valid or not. Empty when the key is missing.
std::vector<std::string> ReadSubnetTexts(const char* settingsPath);

// The blocks of the Subnets key, in the order given: an entry that is no valid block
// (ZCIDRBlock::Parse) is ignored, and so is a repeat. Empty when the key is missing.
std::vector<ZCIDRBlock> ReadSubnets(const char* settingsPath);

// The Subnets value for blocks: "10.20.0.0/22, 10.31.2.0/24".
std::string FormatSubnets(const std::vector<ZCIDRBlock>& blocks);

// Writes the Subnets key (an empty list writes an empty value). False when the file cannot be
// written or the value is kSubnetsValueSize bytes or longer.
bool WriteSubnets(const char* settingsPath, const std::vector<ZCIDRBlock>& blocks);

// The SweepRate key; ZSendPacer::kDefaultRate when it is missing or out of range.
uint32_t ReadSweepRate(const char* settingsPath);
bool WriteSweepRate(const char* settingsPath, uint32_t rate);

// The HideSilent key (false when missing; on when not 0), written as 0 or 1.
bool ReadHideSilent(const char* settingsPath);
bool WriteHideSilent(const char* settingsPath, bool hide);

// The SortColumn and SortDescending keys: *column is kNoSortColumn when the key is missing or
// not 0 to columnCount - 1 (and *descending then false).
void ReadSortOrder(const char* settingsPath, int columnCount, int* column, bool* descending);
bool WriteSortOrder(const char* settingsPath, int column, bool descending);
