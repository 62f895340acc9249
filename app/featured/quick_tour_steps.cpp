#include "app/featured/quick_tour_steps.h"

namespace SVQuickTourSteps {

const std::vector<SVQuickTourStep>& quickTourSteps() {
    using Target = SVQuickTourStep::Target;
    static const std::vector<SVQuickTourStep> steps{
        {QStringLiteral("Libraries"),
         QStringLiteral("Add and manage your sample folders from Libraries."), Target::Libraries},
        {QStringLiteral("Search"),
         QStringLiteral("Find samples quickly by filename and indexed metadata."),
         Target::SearchField},
        {QStringLiteral("Quick Filter"),
         QStringLiteral("Narrow results using the metadata available in your library."),
         Target::QuickFilter},
        {QStringLiteral("Sample Browser"),
         QStringLiteral("Browse, select, and preview samples from the current result set."),
         Target::Results},
        {QStringLiteral("Favorites"),
         QStringLiteral("Save frequently used samples and return to them from Favorites."),
         Target::Favorites},
        {QStringLiteral("Playlists"), QStringLiteral("Organize samples into reusable collections."),
         Target::Playlists},
        {QStringLiteral("Preview Player"),
         QStringLiteral("Control playback, inspect the waveform, and seek through a sample."),
         Target::Player},
        {QStringLiteral("Layout Modes"),
         QStringLiteral("Switch between Compact Vertical and Desktop layouts."),
         Target::LayoutSwitch},
        {QStringLiteral("Quick Actions"),
         QStringLiteral("Use the available actions for the currently selected sample."),
         Target::QuickActions},
    };
    return steps;
}

}  // namespace SVQuickTourSteps
