#pragma once

#include <QWidget>

#include <array>
#include <string>

class SVSidebarButton;

// The sidebar's places: the type buttons ("All Samples" 0, "Loops" 1, "One Shots" 2,
// "MIDI" 3) and the "LIBRARY" group ("Favorites" 4, "Libraries" 6). Which button is lit is
// decided by the navigation; a press is only reported.
class SVCategoryButtons : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kAllSamples = 0;
    static constexpr int kFavorites = 4;
    static constexpr int kLibraries = 6;

    explicit SVCategoryButtons(QWidget* parent = nullptr);

    // The button of a tag, or none.
    SVSidebarButton* button(int tag) const;
    void deactivateTypeButtons();
    void deactivateAll();
    void activate(int tag);
    // Lights exactly the type button of that type, "All Samples" for any other text.
    void activateTypeFor(const std::string& sectionType);

    // "Loop" 1, "One Shot" 2, "MIDI" 3, anything else 0; and back ("" for 0 and unknown tags).
    static int tagForType(const std::string& sectionType);
    static std::string typeForTag(int tag);

  signals:
    void pressed(int tag);

  private:
    std::array<SVSidebarButton*, 4> _categoryButtons{};
    std::array<SVSidebarButton*, 2> _navButtons{};
};
