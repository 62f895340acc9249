#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tests/app/app_fixture.h"

class SVFilterBar;
class SVResultsBrowser;

namespace svapp_test {

// One sample of a filter test's catalogue; the path is relative to the library folder.
struct FilterSample {
    std::string path;
    std::string type = "Loop";
    std::string instrument = "Bass";
    std::string genre = "trap";
    std::string key = "A min";
    std::optional<int> bpm = 120;
    bool favorite = false;
};

// A window over a catalogue of chosen samples, with helpers to wait for the refreshes the
// filters start.
class FilterTest : public AppTest {
  protected:
    // Writes the files and their catalogue rows (before the window starts).
    void addCatalogue(const std::vector<FilterSample>& samples);
    // Gives every sample below the folder one more genre, as the folder genre override does.
    void addFolderGenre(const std::string& folder, const std::string& genre);
    std::string folderPath(const std::string& relative) const;

    SVFilterBar* bar() const;
    SVResultsBrowser* browser() const;
    // Runs `action` and waits for the refresh it leads to.
    void refreshAfter(const std::function<void()>& action);
    // File names of the current page.
    std::vector<std::string> shownNames() const;
};

}  // namespace svapp_test
