// Scan commands: scanning library folders, the launch check of every library, the folder tree.
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "core/browse/folder_tree.h"
#include "core/scanning/library_availability.h"
#include "core/scanning/library_scanner.h"
#include "core/scanning/scan_job.h"
#include "tools/cli/cli_context.h"

namespace sv::cli {
namespace {

nlohmann::json statsJson(const ScanStats& stats) {
    nlohmann::json moved = nlohmann::json::array();
    for (const auto& [oldPath, newPath] : stats.moved)
        moved.push_back({{"old", oldPath}, {"new", newPath}});
    return {{"unchanged", stats.unchanged},       {"added", stats.added},
            {"updated", stats.updated},           {"removed", stats.removed},
            {"emptySkipped", stats.emptySkipped}, {"moved", moved}};
}

// A one-line live display on a terminal: files so far and the last file handled. It changes
// once per committed batch of records, so every file it counts is in the catalogue.
class ProgressLine {
  public:
    explicit ProgressLine(bool wanted) : active_(wanted && ::isatty(STDERR_FILENO) == 1) {}
    ~ProgressLine() {
        if (shown_)
            std::cerr << "\r\033[K" << std::flush;
    }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    LibraryScanner::Progress callback() {
        if (!active_)
            return {};
        return [this](std::size_t count, const std::string& path) {
            shown_ = true;
            std::cerr << "\r\033[K" << count << " files  " << path << std::flush;
        };
    }

  private:
    bool active_;
    bool shown_ = false;
};

void runScan(CliContext& context, const std::vector<std::string>& locations, bool force,
             bool progress, bool json) {
    std::vector<std::filesystem::path> paths(locations.begin(), locations.end());
    const std::vector<std::filesystem::path> roots = scanJobRoots(paths);
    LibraryScanner scanner(context.database());
    ScanJobResult result;
    {
        ProgressLine line(progress);
        result = runScanJob(scanner, roots, force, line.callback(), nullptr,
                            LibraryScanner::ProgressEvery::Batch);
    }
    if (json) {
        nlohmann::json object = statsJson(result.totals);
        object["force"] = force;
        printJsonLine(object);
    }
    if (!result.errorText.empty()) {
        std::cerr << scanCompletionText(result) << '\n';
        throw ExitStatus{1};
    }
    if (!json)
        std::cout << scanCompletionText(result) << '\n';
}

void runCheck(CliContext& context, bool json) {
    for (const LibraryState& state : checkLibraryAvailability(context.database())) {
        const Library& library = state.library;
        if (json) {
            printJsonLine({{"id", library.id},
                           {"path", library.path},
                           {"label", library.label},
                           {"sampleCount", library.sampleCount},
                           {"available", state.available}});
        } else {
            std::cout << (state.available ? "available" : "offline  ") << "  " << library.path
                      << "  \u2022  " << library.sampleCount << " samples" << '\n';
        }
    }
}

nlohmann::json treeJson(const FolderNode& node) {
    nlohmann::json children = nlohmann::json::array();
    for (const FolderNode& child : node.children)
        children.push_back(treeJson(child));
    return {{"name", node.name}, {"path", node.path}, {"children", children}};
}

void printTree(const FolderNode& node, int depth) {
    if (!node.name.empty() || depth == 0) {
        std::cout << std::string(static_cast<std::size_t>(depth) * 2, ' ') << node.name;
        if (!node.path.empty())
            std::cout << "  (" << node.path << ")";
        std::cout << '\n';
    }
    for (const FolderNode& child : node.children)
        printTree(child, depth + 1);
}

void runTree(CliContext& context, bool json) {
    const FolderNode root = buildFolderTree(context.database().indexedPaths());
    if (json)
        printJsonLine(treeJson(root));
    else
        printTree(root, 0);
}

}  // namespace

void addScanCommands(CLI::App& app, CliContext& context) {
    struct ScanOptions {
        std::vector<std::string> roots;
        bool force = false;
        bool progress = false;
        bool json = false;
    };
    auto scanOptions = std::make_shared<ScanOptions>();
    CLI::App* scan = app.add_subcommand("scan", "Scan library folders into the catalogue");
    scan->add_option("ROOT", scanOptions->roots, "Library folders")->required();
    scan->add_flag("--force", scanOptions->force, "Re-analyse unchanged files (Full Scan)");
    scan->add_flag("--progress", scanOptions->progress, "Show a live progress line on a terminal");
    scan->add_flag("--json", scanOptions->json, "Print the summed statistics as JSON");
    scan->callback([&context, scanOptions] {
        runScan(context, scanOptions->roots, scanOptions->force, scanOptions->progress,
                scanOptions->json);
    });

    auto checkJson = std::make_shared<bool>(false);
    CLI::App* check =
        app.add_subcommand("check", "Mark every library available or offline by its folder");
    check->add_flag("--json", *checkJson, "One JSON object per library");
    check->callback([&context, checkJson] { runCheck(context, *checkJson); });

    auto treeAsJson = std::make_shared<bool>(false);
    CLI::App* tree = app.add_subcommand("tree", "Print the folder tree of the indexed samples");
    tree->add_flag("--json", *treeAsJson, "The tree as one JSON object");
    tree->callback([&context, treeAsJson] { runTree(context, *treeAsJson); });
}

}  // namespace sv::cli
