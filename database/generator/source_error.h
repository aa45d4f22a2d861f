// A defect in the catalogue sources, located as precisely as possible so the
// editor of data/*.csv can fix it from the build log alone.
#pragma once

#include <stdexcept>
#include <string>

namespace vq::catalogue {

class SourceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace vq::catalogue
