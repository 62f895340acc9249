#pragma once

#include <QPushButton>
#include <QWidget>

// The left column of the Desktop layout: the brand head and "Add Sample Folder".
class SVSidebarPanel : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kWidth = 246;

    explicit SVSidebarPanel(QWidget* parent = nullptr);
    QPushButton* addFolderButton() const { return _addFolder; }

  signals:
    void addLibraryRequested();

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QPushButton* _addFolder;
};
