#pragma once

#include <QString>

#include <vector>

// The quick tour's nine steps: each names one control of the window and says what it is for.
struct SVQuickTourStep {
    // What the step points at; the window finds the control.
    enum class Target {
        Libraries,
        SearchField,
        QuickFilter,
        Results,
        Favorites,
        Playlists,
        Player,
        LayoutSwitch,
        QuickActions,
    };

    QString title;
    QString message;
    Target target;
};

namespace SVQuickTourSteps {

const std::vector<SVQuickTourStep>& quickTourSteps();

}  // namespace SVQuickTourSteps
