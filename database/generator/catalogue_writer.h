// Writes a catalogue file: the Parameter and Provided_Servo tables that the
// library's queries read. The file is built under a temporary name and
// renamed into place only when complete, so an interrupted build never
// leaves a half-written catalogue behind.
#pragma once

#include "database/generator/catalogue_source.h"

#include <string>
#include <vector>

namespace vq::catalogue {

// Throws std::runtime_error on any engine or file failure.
void writeCatalogue(const std::string &path, const std::vector<ParameterRow> &parameters,
                    const std::vector<ServoRow> &servos);

} // namespace vq::catalogue
