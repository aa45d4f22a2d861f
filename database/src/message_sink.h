// Where the library's error texts go. The library shows nothing itself: the
// main program registers a callback that puts the text in front of the user;
// without one the texts go to standard error so that they are not lost.
#pragma once

#include "vq_database.h"

#include <string_view>

namespace vq::db {

void setMessageCallback(DbMessageCallback callback, void *context);

// Delivers one text (UTF-8) to the callback as UTF-16, or to standard error.
void reportMessage(std::string_view text) noexcept;

} // namespace vq::db
