#include "drive/connection/library_binding.h"

#include "drive/connection/drive_connection.h"
#include "drive/connection/text_encoding.h"

#include <string_view>

namespace tarvex {

namespace {

// The catalogue library's error texts; an overlong one is cut, not trusted.
constexpr std::size_t kLongestLibraryMessage = 2000;

void databaseMessage(const char16_t *text, void *context)
{
    if (!text || !context)
        return;
    const std::u16string_view message(text);
    static_cast<MessageService *>(context)->show(utf8FromUtf16(message.substr(0, kLongestLibraryMessage)));
}

} // namespace

bool LibraryBinding::bindLink(const std::string &path)
{
    switch (link_.bind(path)) {
    case LinkLibrary::Binding::NotLoaded:
        messages_.show("COMM Library Load Error!!", lookedForDetail(path));
        return false;
    case LinkLibrary::Binding::MissingFunctions:
        messages_.show("COMM Library Loading Error!!");
        break;
    case LinkLibrary::Binding::Bound:
        break;
    }
    link_.Create();
    released_ = false;
    return true;
}

void LibraryBinding::bindDatabase(const std::string &path)
{
    switch (database_.bind(path)) {
    case DatabaseLibrary::Binding::NotLoaded:
        messages_.show("DataBase Library Load Error!!", lookedForDetail(path));
        return;
    case DatabaseLibrary::Binding::MissingFunctions:
        messages_.show("DataBase Library Loading Error!!");
        break;
    case DatabaseLibrary::Binding::Bound:
        break;
    }
    released_ = false;
    database_.SetMessageCallback(&databaseMessage, &messages_);
    database_.Create();
}

void LibraryBinding::openCatalogue(const std::string &path)
{
    databasePath_ = path;
    catalogueOpen_ = false;
    // Without the library (already reported) there is nothing to ask.
    if (!database_.canOpenFiles())
        return;
    catalogueOpen_ = database_.FileOpen(utf16FromUtf8(path));
    if (!catalogueOpen_)
        messages_.show("Tarvex Database file open error!!", lookedForDetail(path));
}

void LibraryBinding::release()
{
    if (released_)
        return;
    released_ = true;
    link_.Destroy();
    database_.SetMessageCallback(nullptr, nullptr);
    database_.Destroy();
    link_.unload();
    database_.unload();
}

} // namespace tarvex
