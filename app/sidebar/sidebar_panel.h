#pragma once

#include <QLabel>
#include <QPushButton>
#include <QWidget>

class SVPlaylistList;

// The left column of the Desktop layout: the brand head, "Add Sample Folder" and the playlists.
class SVSidebarPanel : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kWidth = 246;

    explicit SVSidebarPanel(QWidget* parent = nullptr);
    QPushButton* addFolderButton() const { return _addFolder; }
    // Places the playlists under "Add Sample Folder", with their heading; the sidebar becomes
    // the list's parent. A list placed before is deleted.
    void setPlaylistList(SVPlaylistList* list);
    SVPlaylistList* playlistList() const { return _playlistList; }

  signals:
    void addLibraryRequested();

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QPushButton* _addFolder;
    QLabel* _playlistHeading = nullptr;
    SVPlaylistList* _playlistList = nullptr;
};
