// Where the virtual drive links its pseudo-terminal for programs to find:
// the user's runtime folder, or a private folder of the user's own under
// /tmp. A shared, fixed name would let another user's link (to a drive of
// theirs) be what this user's tools open.
#pragma once

#include <string>

namespace tarvex {

inline constexpr const char *kVirtualDriveLinkName = "ttyM9A";

// A directory (not a symbolic link) owned by this user that nobody else may
// enter or write.
bool isPrivateFolder(const std::string &path);

// $XDG_RUNTIME_DIR when it is set, absolute and private, else /tmp/m9sim-<uid>
// (which the virtual drive creates).
std::string virtualDriveLinkFolder();

// The link in that folder.
std::string virtualDriveLink();

} // namespace tarvex
