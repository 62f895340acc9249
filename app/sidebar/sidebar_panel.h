#pragma once

#include <QLabel>
#include <QPushButton>
#include <QWidget>

class QVBoxLayout;
class SVCategoryButtons;
class SVFolderOutline;
class SVPlaylistList;

// The left column of the Desktop layout: the brand head, the type buttons and the "LIBRARY"
// group, the "FOLDERS" outline, the "PLAYLISTS" and "Add Sample Folder".
class SVSidebarPanel : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kWidth = 246;

    explicit SVSidebarPanel(QWidget* parent = nullptr);
    QPushButton* addFolderButton() const { return _addFolder; }
    SVCategoryButtons* categoryButtons() const { return _categoryButtons; }
    SVFolderOutline* folderOutline() const { return _outline; }
    // Places the playlists under their heading; the sidebar becomes the list's parent. A list
    // placed before is deleted.
    void setPlaylistList(SVPlaylistList* list);
    SVPlaylistList* playlistList() const { return _playlistList; }

  signals:
    void addLibraryRequested();

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QVBoxLayout* _layout;
    SVCategoryButtons* _categoryButtons;
    SVFolderOutline* _outline;
    QLabel* _playlistHeading;
    QPushButton* _addFolder;
    SVPlaylistList* _playlistList = nullptr;
};
