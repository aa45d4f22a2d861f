// The catalogue queries of the nine exports, run on an open connection.
// Each either returns its result or throws CatalogueFault; reporting the
// fault and choosing the failure value is the exports' business.
#pragma once

#include "database/src/catalogue_connection.h"
#include "vq_database.h"

namespace vq::db {

// Parameters of `group` whose Param_Num is not "-".
int countParametersInGroup(const CatalogueConnection &catalogue, int group);

// Param_Address (0..65535) of the group's first row by Param_ID; an empty
// group has no current record and throws.
int firstAddressInGroup(const CatalogueConnection &catalogue, int group);

// Parameters of the whole catalogue whose Param_Num is not "-".
int countAllParameters(const CatalogueConnection &catalogue);

// Fills records[0..] with the group's rows in Param_ID order, at most
// `capacity` (>= 1) of them; records past the last row are left untouched.
// The rows are not filtered on Param_Num.
void readParameterList(const CatalogueConnection &catalogue, int group, ParameterAttribute *records, int capacity);

int countServos(const CatalogueConnection &catalogue);

// Fills records[0..] with Provided_Servo rows in Servo_ID order, at most
// `capacity` (>= 1) of them.
void readServoList(const CatalogueConnection &catalogue, ServoAttribute *records, int capacity);

} // namespace vq::db
