// samplevorlan-cli: the catalogue, scanning, search, inference and waveforms from a terminal.
#include <exception>
#include <iostream>

#include "tools/cli/cli_context.h"

int main(int argc, char** argv) {
    CLI::App app{"Sample Vorlan companion: manage and search the sample catalogue from a terminal"};
    app.require_subcommand(1);
    sv::cli::CliContext context;
    app.add_option("--db", context.dbPath, "Catalogue file (default: the application's own)");

    sv::cli::addCatalogueCommands(app, context);
    sv::cli::addInferenceCommands(app, context);
    sv::cli::addAnalyzeCommands(app, context);
    sv::cli::addScanCommands(app, context);
    sv::cli::addSearchCommands(app, context);
    sv::cli::addWaveformCommands(app, context);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return 2;
    } catch (const sv::cli::ExitStatus& status) {
        return status.code;
    } catch (const std::exception& e) {
        std::cerr << e.what() << '\n';
        return 1;
    }
    return 0;
}
