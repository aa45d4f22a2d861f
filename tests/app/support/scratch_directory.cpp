#include "tests/app/support/scratch_directory.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace tarvex::test {

ScratchDirectory::ScratchDirectory()
{
    std::string pattern = (fs::temp_directory_path() / "tarvex-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary directory");
    path_ = pattern;
}

ScratchDirectory::~ScratchDirectory()
{
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

void ScratchDirectory::link(const std::string &name, const fs::path &target) const
{
    const fs::path at = path_ / name;
    fs::create_directories(at.parent_path());
    fs::create_symlink(target, at);
}

void ScratchDirectory::write(const std::string &name, const std::string &content) const
{
    const fs::path at = path_ / name;
    fs::create_directories(at.parent_path());
    std::ofstream(at) << content;
}

WorkingDirectory::WorkingDirectory(const fs::path &directory) : previous_(fs::current_path())
{
    fs::current_path(directory);
}

WorkingDirectory::~WorkingDirectory()
{
    std::error_code ignored;
    fs::current_path(previous_, ignored);
}

} // namespace tarvex::test
