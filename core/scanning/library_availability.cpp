#include "core/scanning/library_availability.h"

#include <system_error>

#include "core/catalogue/database.h"

namespace sv {

namespace fs = std::filesystem;

bool isEmptyFolder(const fs::path& folder) {
    std::error_code error;
    const fs::directory_iterator first(folder, error);
    return !error && first == fs::directory_iterator();
}

FolderProblem libraryFolderProblem(const fs::path& folder,
                                   const std::function<bool()>& holdsRecords,
                                   const MountTable& mounts) {
    std::error_code error;
    const fs::file_status status = fs::status(folder, error);
    if (error || !fs::is_directory(status))
        return FolderProblem::Missing;

    std::error_code resolveError;
    const fs::path resolved = fs::weakly_canonical(folder, resolveError);
    const std::string checked =
        resolveError ? folder.lexically_normal().string() : resolved.string();
    if (driveNotMounted(checked, mounts) || driveNotMounted(folder.string(), mounts))
        return FolderProblem::NotMounted;

    if (isEmptyFolder(folder) && holdsRecords())
        return FolderProblem::EmptyFolder;
    return FolderProblem::None;
}

std::vector<LibraryState> checkLibraryAvailability(Database& db, const MountTable& mounts,
                                                   LibraryCounts counts) {
    std::vector<LibraryState> states;
    const bool counted = counts == LibraryCounts::Read;
    for (Library& library : counted ? db.libraries() : db.libraryFolders()) {
        const auto holdsRecords = [&] {
            return counted ? library.sampleCount > 0 : db.libraryHoldsSamples(library.id);
        };
        const bool available =
            libraryFolderProblem(library.path, holdsRecords, mounts) == FolderProblem::None;
        db.setLibraryAvailable(library.path, available);
        states.push_back({std::move(library), available});
    }
    return states;
}

}  // namespace sv
