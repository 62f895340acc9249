#include "tests/support/temp_home.h"

#include <stdlib.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

namespace sv::testing {

TempHome::TempHome() {
    std::string pattern = (std::filesystem::temp_directory_path() / "svtest-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary folder");
    root_ = pattern;
    for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME"}) {
        const char* old = std::getenv(name);
        saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    for (const auto& [name, folder] :
         {std::pair{"XDG_DATA_HOME", "data"}, std::pair{"XDG_CONFIG_HOME", "config"},
          std::pair{"XDG_STATE_HOME", "state"}}) {
        std::filesystem::create_directories(root_ / folder);
        setenv(name, (root_ / folder).c_str(), 1);
    }
}

TempHome::~TempHome() {
    for (const auto& [name, value] : saved_) {
        if (value)
            setenv(name.c_str(), value->c_str(), 1);
        else
            unsetenv(name.c_str());
    }
    std::error_code ignored;
    // Tests may have removed permissions below the root; give them back before removing.
    for (auto it = std::filesystem::recursive_directory_iterator(
             root_, std::filesystem::directory_options::skip_permission_denied, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        if (it->is_directory(ignored) && !it->is_symlink(ignored))
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
    }
    std::filesystem::permissions(root_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(root_, ignored);
}

std::filesystem::path TempHome::catalogue() const {
    return dataHome() / "Orvane Producer" / "SampleVorlan" / "samplevorlan.db";
}

std::filesystem::path TempHome::writeFile(const std::filesystem::path& relative,
                                          const std::string& bytes) const {
    const auto path = root_ / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
    return path;
}

std::string readFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace sv::testing
