// The lock that keeps a second saver or settings dialog of the same user on
// the same display out, held for the process's life.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kal {

// What the lock's name and place depend on, read from the environment by
// CurrentLockEnvironment() (given by hand in tests).
struct LockEnvironment {
  std::string runtimeDir;  // $XDG_RUNTIME_DIR
  std::string tmpDir;      // $TMPDIR
  std::string cacheHome;   // $XDG_CACHE_HOME
  std::string home;        // $HOME, else the password database's
  std::string hostName;    // this machine's name
  unsigned uid = 0;        // the effective user
};
LockEnvironment CurrentLockEnvironment();

enum class DisplayKind { kX11, kWayland };

// The key of a display's lock: one display, one key, however its address is
// spelled. X11: the host and the display number, the screen left out; no
// host, "unix", localhost (127.x.x.x, ::1) and this machine's own name are
// the local host, so ":0", ":0.0", "unix:0", "localhost:0" and
// "/tmp/.X11-unix/X0" all give the key of local display 0. Wayland: the
// socket's path ("wayland-1" in the runtime folder; no address is
// "wayland-0"). An address that names no display gets a key of its own,
// never one a display has. The key is a file name: ASCII letters, digits and
// ".-_%~" only, at most kMaxLockKey bytes.
std::string DisplayLockKey(DisplayKind kind, std::string_view address, const LockEnvironment& env);
inline constexpr std::size_t kMaxLockKey = 120;

// A folder that may hold the user's locks, in the order they are tried.
struct LockPlace {
  std::string directory;
  bool create = false;  // made (mode 0700) when missing
  std::string suffix;   // after each key in the file name: this machine's name where the folder may be shared
};
// $XDG_RUNTIME_DIR (the user's own by definition); else a folder of the
// user's own in $TMPDIR or /tmp, "kalvessa-<uid>"; else "kalvessa" in the
// user's cache folder ($XDG_CACHE_HOME or ~/.cache), which a home shared
// between machines may share too. Relative variables are ignored.
std::vector<LockPlace> LockPlaces(const LockEnvironment& env);
// The lock file's name in its folder.
std::string LockFileName(const std::string& key, const LockPlace& place);

// Why a folder must not hold locks ("" when it may): anything but a directory
// (a link to one included), one another user owns, or one that its group or
// others may write. Such a folder would let another user take the lock first
// and so keep the user's saver out. A place made here is made first.
std::string UnsafeLockFolder(const LockPlace& place);

// Takes the lock of every key (the displays a process shows on), each in
// the first safe place, all or none: false when another process holds any
// of them, and then none is kept. Keys are taken in one fixed order, so two
// processes after the same keys never each end up with a part. A key that no
// safe place can hold is left unlocked (the caption check still keeps a
// second instance out), said once on stderr. Held until the process ends;
// keys this process holds already count as taken.
bool HoldInstanceLocks(std::vector<std::string> keys);

// The keys of every display a process of this session shows on or could
// reach: the one it shows on (`kind`, `address` as it was opened; an empty
// Wayland address is the default socket), and each display the environment
// names ($WAYLAND_DISPLAY, $DISPLAY; `getenv` reads it). An X11 dialog
// through XWayland and a Wayland saver of one desktop so share a key.
std::vector<std::string> SessionLockKeys(DisplayKind kind, std::string_view address,
                                         const std::function<const char*(const char*)>& getenv,
                                         const LockEnvironment& env);

}  // namespace kal
