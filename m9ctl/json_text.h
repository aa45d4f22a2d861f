// Just enough JSON for m9ctl's --json outputs: quoted strings and a
// builder of one object per line of fields.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace m9ctl {

std::string jsonString(const std::string &text);

// {"a":"x","b":1} from fields whose values are already JSON.
std::string jsonObject(const std::vector<std::pair<std::string, std::string>> &fields);
std::string jsonArray(const std::vector<std::string> &items);

} // namespace m9ctl
