// The catalogue records of each parameter group, as the parameter window
// holds them from its opening to its destruction. Loading a group checks
// what the catalogue library answers before anything is sized by it: a
// group must have parameters, its records must be readable, and its
// registers must fit one block exchange with the drive.
#pragma once

#include "drive/connection/database_library.h"
#include "drive/connection/message_service.h"
#include "drive/parameters/parameter_groups.h"
#include "drive/parameters/parameter_text.h"

#include <array>
#include <string>
#include <vector>

namespace tarvex::parameters {

struct GroupCatalogue {
    bool loaded = false;
    std::vector<ParameterAttribute> attributes; // catalogue order
    int registerCount = 0;                      // the registers of all its parameters

    int count() const { return static_cast<int>(attributes.size()); }
};

struct ParameterCatalogue {
    std::array<GroupCatalogue, kGroupCount> groups;
};

// Reads group `group` from the catalogue library into `out`. Failures are
// shown through `messages` (" %d Parameter Init Failedl!!" for a group
// without parameters, "Getting Parameter Attribute is fail!!" for records
// that cannot be read or do not fit a block) and leave `out` not loaded.
bool loadGroupCatalogue(const DatabaseLibrary &database, int group, GroupCatalogue &out,
                        MessageService &messages);

// Catalogue texts in the program's UTF-8.
std::string text(const CatalogueText &value);

// What a cell or a file value of the parameter at `position` of `group` may
// hold, naming its own range and unit under the bounds the range rule
// applies to it.
std::string acceptedText(const ParameterAttribute &p, int group, int position);

} // namespace tarvex::parameters
