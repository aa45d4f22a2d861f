// Finds the message texts a program can show by reading its C++ sources:
// the texts handed to the message calls (show, showInformation, ask,
// present, the upgrader's and launcher's presenters, the failure texts of
// the register helpers, m9ctl's fail, warn and usageError), whether written in place, as named constants,
// built with snprintf or by a function that returns them, or taken from a
// table of texts. A text with parts filled in at run time is kept as its
// fixed pieces.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace tarvex::docs {

struct SourceMessage {
    std::vector<std::string> pieces; // fixed text in order; more than one: run-time parts between them
    std::string file;
    int line = 0;

    std::string joined() const; // the pieces with "..." where run-time parts go
};

// A table whose column holds texts that reach a message call through a
// variable the reader cannot follow (the table's name and the field's).
struct MessageTable {
    std::string table;
    std::string field;
};

class MessageFinder {
public:
    // A column of a table whose texts reach a message call through a
    // variable the reader cannot follow.
    void addIndirectTable(MessageTable table) { indirectTables_.push_back(std::move(table)); }
    // Reads one source text; `file` names it in the results.
    void addSource(const std::string &text, const std::string &file);
    // Every .cpp and .h under `folder`.
    void addFolder(const std::filesystem::path &folder);

    // The messages of everything added so far, each text once.
    std::vector<SourceMessage> messages() const;
    // Indirect tables that were not found in the sources.
    std::vector<std::string> missingTables() const;

private:
    struct Source;
    std::vector<MessageTable> indirectTables_;
    std::vector<std::pair<std::string, std::string>> sources_; // text, file
};

// Whether `document` carries the message: a single piece as it stands, more
// pieces in order on one line.
bool documentCarries(const std::string &document, const SourceMessage &message);

} // namespace tarvex::docs
