// Where a command that writes a file (params save FILE, trace -o FILE) puts
// it for one drive, so that several drives never share one file:
//   "{port}" in the path becomes the drive's device as a file name: the
//   leading "/" dropped and every character other than a letter, a digit,
//   ".", "-" or "_" made "_" (/dev/ttyUSB0 -> dev_ttyUSB0);
//   "{node}" becomes the node number (0 to 99);
//   a path that is an existing folder gets the drive's file inside it,
//   named after the device with the command's extension
//   (runs/ -> runs/dev_ttyUSB0.csv), and when the line has several nodes,
//   the node too (runs/dev_ttyUSB0-node2.csv).
#pragma once

#include "m9ctl/m9ctl_options.h"

#include <string>

namespace m9ctl {

std::string portFileName(const std::string &port);
// `extension` (".mpa", ".csv") names the files put into a folder.
std::string driveOutputPath(const std::string &given, const std::string &port, unsigned node,
                            const std::string &extension, bool severalNodes = false);

// The extension a folder's files get from each command that writes one.
inline constexpr const char *kParameterFileExtension = ".mpa";
inline constexpr const char *kTraceFolderExtension = ".csv";

// With several drives: the refusal when two of them would write the same
// file; empty when each has a file of its own or the command writes none.
std::string sharedOutputRefusal(const Invocation &invocation);

} // namespace m9ctl
