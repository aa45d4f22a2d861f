#include "drive/connection/shared_library.h"

#include <dlfcn.h>

namespace tarvex {

bool SharedLibrary::load(const std::string &path)
{
    unload();
    // A bare name would make the loader search the system's directories; the
    // program only ever uses the copy in its working directory.
    const std::string local = path.find('/') == std::string::npos ? "./" + path : path;
    handle_ = ::dlopen(local.c_str(), RTLD_NOW | RTLD_LOCAL);
    return handle_ != nullptr;
}

void SharedLibrary::unload()
{
    if (handle_)
        ::dlclose(handle_);
    handle_ = nullptr;
}

void *SharedLibrary::symbol(const char *name) const
{
    return handle_ ? ::dlsym(handle_, name) : nullptr;
}

} // namespace tarvex
