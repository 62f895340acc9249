#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace sv::testing {

// A fresh temporary folder for one test, with XDG_DATA_HOME, XDG_CONFIG_HOME and
// XDG_STATE_HOME pointing inside it while the object lives. Removed afterwards.
class TempHome {
  public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const std::filesystem::path& root() const { return root_; }
    std::filesystem::path dataHome() const { return root_ / "data"; }
    std::filesystem::path catalogue() const;
    // A file below root() with the given bytes, parent folders created.
    std::filesystem::path writeFile(const std::filesystem::path& relative,
                                    const std::string& bytes) const;

  private:
    std::filesystem::path root_;
    std::map<std::string, std::optional<std::string>> saved_;
};

// Reads a whole file; empty when it cannot be read.
std::string readFileBytes(const std::filesystem::path& path);

}  // namespace sv::testing
