#include "link/virtual_drive_link.h"

#include <cstdlib>

#include <sys/stat.h>
#include <unistd.h>

namespace tarvex {

bool isPrivateFolder(const std::string &path)
{
    struct stat st{};
    if (path.empty() || ::lstat(path.c_str(), &st) != 0)
        return false;
    return S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

std::string virtualDriveLinkFolder()
{
    const char *runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/' && isPrivateFolder(runtime))
        return runtime;
    return "/tmp/m9sim-" + std::to_string(::geteuid());
}

std::string virtualDriveLink() { return virtualDriveLinkFolder() + "/" + kVirtualDriveLinkName; }

} // namespace tarvex
