#pragma once

#include <QObject>
#include <QString>
#include <QUrl>
#include <QVariantList>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/results/browse_scope.h"

class SVFeaturedNameDialog;
class SVFeaturedPanel;

// The featured sets: cards pinning folders and playlists used every day. Keeps the panel in
// line with the stored entries, opens a card's place through the sidebar, renames, removes,
// takes dropped avatars, marks the card of the place shown, and follows folders a Full Scan
// found moved.
class SVFeaturedSets : public QObject {
    Q_OBJECT
  public:
    static constexpr const char* kCollapsedKey = "SVFeaturedCollapsed";

    explicit SVFeaturedSets(SVFeaturedPanel& panel, QObject* parent = nullptr);

    // How a card's place is opened (the sidebar's navigation): true when it was found.
    void setFolderNavigator(std::function<bool(const QString& path)> navigate) {
        _navigateToFolder = std::move(navigate);
    }
    void setPlaylistSelector(std::function<bool(std::int64_t id)> select) {
        _selectPlaylist = std::move(select);
    }
    // The place the results show, for the active card.
    void setScopeSource(std::function<SVBrowseScope()> scope) { _scope = std::move(scope); }
    void setStatusPresenter(std::function<void(const QString&)> present) {
        _presentStatus = std::move(present);
    }

    // Reads the entries (cleaning them) and shows them with the card of the place shown
    // active; the columns and the collapse follow their settings.
    void reloadFeaturedItems();
    void addFolderToFeatured(const QString& folderPath);
    void addPlaylistToFeatured(std::int64_t playlistId, const QString& name);
    void removeFeatured(int index);
    // "Name Featured Set" for the card (non-blocking); Save stores the name.
    SVFeaturedNameDialog* renameFeatured(int index);
    // The image file becomes the card's avatar; false when it could not be used.
    bool setFeaturedAvatarAtIndex(int index, const QUrl& url);
    void openFeatured(int index);
    void toggleFeatured();
    // A forced scan's (old path, new path) pairs of moved files.
    void relinkFeaturedItemsFromMoves(
        const std::vector<std::pair<std::string, std::string>>& moves);

    const QVariantList& featuredItems() const { return _featuredItems; }
    SVFeaturedPanel& panel() const { return _panel; }
    // The entry of the place the results show, or −1.
    int activeIndex() const;
    // Draws the card of the place now shown active (after every change of place).
    void updateActiveCard();

  signals:
    // The panel's height may have changed: the window lays itself out again.
    void layoutNeeded();

  private:
    void show();
    int indexOfUuid(const QString& uuid) const;
    void status(const QString& text) const;

    SVFeaturedPanel& _panel;
    QVariantList _featuredItems;
    std::function<bool(const QString&)> _navigateToFolder;
    std::function<bool(std::int64_t)> _selectPlaylist;
    std::function<SVBrowseScope()> _scope;
    std::function<void(const QString&)> _presentStatus;
};
