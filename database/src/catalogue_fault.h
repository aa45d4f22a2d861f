// A failure met while opening or querying the catalogue, in two parts as the
// user is shown it: the engine's general text for the result code (the
// "system message text") and the detail that the engine or the file check
// supplied (the provider's description).
#pragma once

#include <stdexcept>
#include <string>

namespace vq::db {

class CatalogueFault : public std::runtime_error {
public:
    CatalogueFault(std::string systemText, std::string description)
        : std::runtime_error(systemText),
          systemText_(std::move(systemText)),
          description_(std::move(description))
    {
    }

    const std::string &systemText() const { return systemText_; }
    const std::string &description() const { return description_; }

    // The single text of a query failure: both parts on one line.
    std::string oneLine() const
    {
        return description_.empty() ? systemText_ : systemText_ + ": " + description_;
    }

private:
    std::string systemText_;
    std::string description_;
};

} // namespace vq::db
