#pragma once
// Finding and starting the client application of a product kind on this machine: whether it is
// installed (from the registry entries its installer leaves), how to start it (its executable
// path as the whole command line, through ZProcessLauncher), and opening a device's web page in
// the desktop's browser.
//
//   if (IsConductorClientInstalled(6)) LaunchConductorClient(6);
//   OpenWebPage("10.0.0.5");                       // opens "http://10.0.0.5"
//
// Registry entries (read-only; the view is the Windows registry, on Linux the Wine prefix, so a
// client found there is started through `wine`):
//   Conductor        HKCR "ZelvaneConductor<v>.Application\DefaultIcon", default value
//   Cuedeck Editor   HKCR "ZelvaneCuedeckEditor.Application\DefaultIcon" for v 0 and 1,
//                    otherwise "ZelvaneCuedeckEditor<v>.Application\DefaultIcon", default value
//   Tone Client      HKLM uninstall entry {5E0B7A41-...}_is1, else the same under Wow6432Node,
//                    "Inno Setup: App Path"
//   Timekeeper       HKLM uninstall entry {B3F1C6D2-...}, else the same under Wow6432Node,
//                    "InstallLocation"
// A DefaultIcon value "path,index" names the executable before its last comma when an icon index
// follows that comma; a value without one is all path.
//
// Installed caches: one table of 32 entries per registry-found client, indexed by the major
// version asked about. A found client is remembered until ClearClientInstalledCaches; a missing
// one is looked for again on every check. Major versions come from the network, so a version
// outside 0 to 31 is checked in the registry every time and never touches the tables.
//
// All of this runs on the UI thread; the caches have no lock.

// The registry-found clients' installed checks, for major version majorVersion.
bool IsConductorClientInstalled(int majorVersion);
bool IsCuedeckEditorInstalled(int majorVersion);
bool IsToneClientInstalled(int majorVersion);
bool IsTimekeeperClientInstalled(int majorVersion);
// The shell can always open a web page.
bool IsWebBrowserAvailable();

// Start the client; true when it was started. The launches do not wait for the client.
bool LaunchConductorClient(int majorVersion);
bool LaunchCuedeckEditor(int majorVersion);
bool LaunchToneClient(int majorVersion);
bool LaunchTimekeeperClient(int majorVersion);
// Opens "http://" + address (no port) in the shell; false for a null address or when the shell
// fails.
bool OpenWebPage(const char* address);
// Remote desktop clients are not started by this program: does nothing, true.
bool OpenRemoteDesktop();

// Forgets every installed client (all four tables).
void ClearClientInstalledCaches();
// The window that owns windows the shell opens (null for none).
void SetShellOwnerWindow(void* window);
