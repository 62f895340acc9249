#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tests/app/app_fixture.h"

class SVBreadcrumbs;
class SVCategoryButtons;
class SVFolderOutline;
class SVSidebar;
class SVSidebarNavigation;

namespace svapp_test {

// A window over libraries of real folders: each folder gets real files and catalogue rows.
class SidebarTest : public AppTest {
  protected:
    struct Folder {
        std::string relative;  // below the library; empty for the library root
        int count = 1;
        std::string type = "Loop";
        bool favorite = false;
    };

    // Catalogues a library at `root` (created) with files in the given folders; returns its id.
    std::int64_t addLibrary(const std::filesystem::path& root, const std::vector<Folder>& folders,
                            const std::string& label = {});
    // Adds a playlist holding the first `members` samples below `folder`.
    std::int64_t addPlaylist(const std::string& name, const std::string& folder, int members);

    SVSidebar& sidebar() const;
    SVSidebarNavigation& navigation() const;
    SVBreadcrumbs& breadcrumbs() const;
    SVCategoryButtons& buttons() const;
    SVFolderOutline& outline() const;
    // Runs the event loop until pending refreshes have run.
    void settle() const;
    // The lit buttons' tags, in order.
    std::vector<int> litButtons() const;
    std::vector<QString> crumbTitles() const;
    // The number of matching samples the status line reports.
    long long matches() const;
};

}  // namespace svapp_test
