#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "app/inspector/file_manager.h"

// The place the window opens at, as stored.
struct SVLaunchLocationState {
    QString kind;  // "folder", "playlist", "favorites" or empty
    QString folderPath;
    std::optional<qint64> playlistId;

    static SVLaunchLocationState read();
    // Folder paths compare in the sidebar's standard form.
    bool isFolder(const std::string& path) const;
    bool isPlaylist(std::int64_t id) const;
    bool isFavorites() const { return kind == QLatin1String("favorites"); }
};

// The sidebar's setters of the launch location.
struct SVLaunchLocationSetters {
    std::function<void(const std::string& folderPath)> setFolder;
    std::function<void(std::int64_t playlistId)> setPlaylist;
    std::function<void()> setFavorites;
    std::function<void()> clear;
};

// The inspector's pack artwork operations on a folder.
struct SVArtworkOperations {
    std::function<void(const QString& folder)> setFolderArtwork;
    std::function<bool(const QString& folder)> removeFolderArtwork;
    std::function<bool(const QString& folder)> hasFolderArtwork;
};

// What the menus do with places: show files and folders in the file manager, pick the pack
// artwork of a folder, pin the launch location and feature folders and playlists.
class SVLocationActions : public QObject {
    Q_OBJECT
  public:
    explicit SVLocationActions(QObject* parent = nullptr);

    void setLaunchLocationSetters(SVLaunchLocationSetters setters) { _launch = std::move(setters); }
    void setArtworkOperations(SVArtworkOperations operations) { _artwork = std::move(operations); }
    // The file manager's D-Bus call and the folder opener it falls back to.
    void setFileManager(SVFileManager::ShowItemsCall call, SVFileManager::FolderOpener opener) {
        _showItems = std::move(call);
        _openFolder = std::move(opener);
    }

    // All files in one file manager window; empty paths are skipped.
    void showSamplesInFileManager(const QStringList& filePaths) const;
    void showFolderInFileManager(const QString& folderPath) const;

    void setFolderArtwork(const QString& folder) const;
    void removeFolderArtwork(const QString& folder) const;
    bool hasFolderArtwork(const QString& folder) const;

    void setFolderOpenAtLaunch(const std::string& folderPath) const;
    void setPlaylistOpenAtLaunch(std::int64_t playlistId) const;
    void setFavoritesOpenAtLaunch() const;
    void clearLaunchLocation() const;

    void addFolderToFeatured(const QString& folderPath);
    void addPlaylistToFeatured(std::int64_t playlistId, const QString& name);
    // A deleted playlist stops being the launch location and leaves the featured sets, so a
    // later playlist that takes its id does not open in its place.
    void forgetPlaylist(std::int64_t playlistId);

  signals:
    void featuredItemsChanged();

  private:
    SVLaunchLocationSetters _launch;
    SVArtworkOperations _artwork;
    SVFileManager::ShowItemsCall _showItems = SVFileManager::showItemsOverDBus;
    SVFileManager::FolderOpener _openFolder = SVFileManager::openFolder;
};
