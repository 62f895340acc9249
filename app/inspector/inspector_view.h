#pragma once

#include <QLabel>
#include <QPushButton>
#include <QWidget>

class SVArtworkWell;

// What the side panel shows about the loaded sample: its name, the pack artwork, the file
// details and the three location actions. Behaviour lives in SVInspector.
class SVInspectorView : public QWidget {
    Q_OBJECT
  public:
    explicit SVInspectorView(QWidget* parent = nullptr);

    QLabel* nameLabel() const { return _name; }
    SVArtworkWell* artworkWell() const { return _artwork; }
    QLabel* detailsLabel() const { return _details; }
    QLabel* quickActionsLabel() const { return _quickActions; }
    QPushButton* revealButton() const { return _reveal; }
    QPushButton* folderButton() const { return _folder; }
    QPushButton* driveButton() const { return _drive; }

  private:
    QLabel* _name;
    SVArtworkWell* _artwork;
    QLabel* _details;
    QLabel* _quickActions;
    QPushButton* _reveal;
    QPushButton* _folder;
    QPushButton* _drive;
};
