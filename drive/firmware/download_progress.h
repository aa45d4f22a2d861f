// The progress value shown while the rows go out. It climbs with the running
// sum of the row indices until it passes 70 %, then creeps by a quarter
// point a row up to 97 %, and is set to 100 % once the controller has been
// told to reset.
#pragma once

namespace upgrader {

double progressAfterRow(int rowIndex, double current);

} // namespace upgrader
