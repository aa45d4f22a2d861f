// Saving a file too large to hold in memory at once, as the other saves
// (drive/files/file_access.h): into a temporary file beside the target,
// flushed to the disk, then renamed over it.
#pragma once

#include "drive/files/file_access.h"

#include <functional>
#include <string>
#include <string_view>

namespace tarvex {

// `produce` hands the contents over piece by piece to the writer it is
// given (which says false once a write failed) and returns why it could not
// produce them all, or empty.
using ContentWriter = std::function<bool(std::string_view piece)>;
FileOutcome saveFileAtomically(const std::string &path, const std::function<std::string(const ContentWriter &)> &produce);

} // namespace tarvex
