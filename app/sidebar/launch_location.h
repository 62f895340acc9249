#pragma once

#include <QObject>

#include <cstdint>
#include <string>

class SVSidebarNavigation;

// The place the window opens at: a folder, a playlist or Favorites, kept in the settings
// under "SVLaunchLocationKind", "SVLaunchFolderPath" and "SVLaunchPlaylistID".
class SVLaunchLocation : public QObject {
    Q_OBJECT
  public:
    static constexpr const char* kKindKey = "SVLaunchLocationKind";
    static constexpr const char* kFolderKey = "SVLaunchFolderPath";
    static constexpr const char* kPlaylistKey = "SVLaunchPlaylistID";

    explicit SVLaunchLocation(SVSidebarNavigation& navigation, QObject* parent = nullptr);

    // An empty path sets nothing.
    void setFolderOpenAtLaunch(const std::string& path);
    void setPlaylistOpenAtLaunch(std::int64_t playlistId);
    void setFavoritesOpenAtLaunch();
    void clearLaunchLocation();

    // Opens the stored place. A folder or playlist that is gone, or a kind this program
    // does not know, drops all three keys for good. True when a place was opened.
    bool restoreLaunchLocation();

  private:
    SVSidebarNavigation& _navigation;
};
