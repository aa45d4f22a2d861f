#include "database/src/message_sink.h"

#include "database/src/utf_text.h"

#include <cstdio>
#include <string>

namespace vq::db {

namespace {

DbMessageCallback g_callback = nullptr;
void *g_callbackContext = nullptr;

} // namespace

void setMessageCallback(DbMessageCallback callback, void *context)
{
    g_callback = callback;
    g_callbackContext = context;
}

void reportMessage(std::string_view text) noexcept
{
    if (g_callback != nullptr) {
        try {
            const std::u16string wide = text::utf8ToUtf16(text);
            g_callback(wide.c_str(), g_callbackContext);
            return;
        } catch (...) {
            // No memory for the wide copy: standard error still gets the text.
        }
    }
    std::fprintf(stderr, "VQ_DatabaseManager: %.*s\n", static_cast<int>(text.size()), text.data());
}

} // namespace vq::db
