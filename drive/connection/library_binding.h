// The two shared libraries the connection is bound to: loading them, telling
// the user once what is missing, creating and destroying their instances,
// and opening the catalogue file.
#pragma once

#include "drive/connection/database_library.h"
#include "drive/connection/link_library.h"
#include "drive/connection/message_service.h"

#include <string>

namespace tarvex {

class LibraryBinding {
public:
    explicit LibraryBinding(MessageService &messages) : messages_(messages) {}
    LibraryBinding(const LibraryBinding &) = delete;
    LibraryBinding &operator=(const LibraryBinding &) = delete;

    // Loads the link library and calls CommCreate; false (and the user told)
    // when the library could not be loaded at all.
    bool bindLink(const std::string &path);
    // Loads the catalogue library, routes its messages to the user and
    // calls DB_Create.
    void bindDatabase(const std::string &path);
    void openCatalogue(const std::string &path);
    // CommDestroy and DB_Destroy, then unloads both; once until bound again.
    void release();

    LinkLibrary &link() { return link_; }
    const LinkLibrary &link() const { return link_; }
    const DatabaseLibrary &database() const { return database_; }
    const std::string &databasePath() const { return databasePath_; }
    bool catalogueOpen() const { return catalogueOpen_; }

private:
    MessageService &messages_;
    LinkLibrary link_;
    DatabaseLibrary database_;
    std::string databasePath_;
    bool catalogueOpen_ = false;
    bool released_ = false;
};

} // namespace tarvex
