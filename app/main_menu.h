#pragma once

#include <QObject>

class QLineEdit;
class QMainWindow;
class QMenuBar;

// The menu bar: the application menu ("About", "Settings…", "Quit") and the "Edit" menu with
// "Find Samples".
class SVMainMenu : public QObject {
    Q_OBJECT
  public:
    explicit SVMainMenu(QMainWindow* window);

    // Adds the "Edit" menu unless the menu bar already has one. Idempotent.
    void installFindMenu();
    // The search field's own context menu: "Cut", "Copy", "Paste", "Select All".
    static void installSearchFieldMenu(QLineEdit* field);

    QMenuBar* menuBar() const;

  signals:
    void showFeaturedSettings();
    void focusSearch();
    void quitRequested();

  private:
    void installApplicationMenu();

    QMainWindow* _window;
};
