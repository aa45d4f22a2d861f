// A shared library loaded by path at run time and released with the object.
#pragma once

#include <string>

namespace tarvex {

class SharedLibrary {
public:
    SharedLibrary() = default;
    SharedLibrary(const SharedLibrary &) = delete;
    SharedLibrary &operator=(const SharedLibrary &) = delete;
    ~SharedLibrary() { unload(); }

    // Loads the library at `path` (relative paths such as "./X.so" are taken
    // from the working directory, never searched for elsewhere).
    bool load(const std::string &path);
    void unload();
    bool isLoaded() const { return handle_ != nullptr; }

    // The address of an exported name, or nullptr.
    void *symbol(const char *name) const;

    template <class Function>
    Function function(const char *name) const
    {
        return reinterpret_cast<Function>(symbol(name));
    }

private:
    void *handle_ = nullptr;
};

} // namespace tarvex
