#pragma once

#include <QObject>

class QAction;
class QLineEdit;
class QMainWindow;
class QMenuBar;

// The menu bar: the application menu ("About", "Settings…", "Quit"), the "Edit" menu with
// "Find Samples" and the "Help" menu with "Customize Shortcuts…" and "Quick Tour".
class SVMainMenu : public QObject {
    Q_OBJECT
  public:
    explicit SVMainMenu(QMainWindow* window);

    // Adds the "Edit" menu unless the menu bar already has one. Idempotent.
    void installFindMenu();
    // Adds the "Help" menu with "Customize Shortcuts…" unless the menu bar already has a
    // "Help" menu. Idempotent.
    void installShortcutMenu();
    bool isShortcutMenuInstalled() const { return _shortcutMenuInstalled; }
    // The search field's own context menu: "Cut", "Copy", "Paste", "Select All".
    static void installSearchFieldMenu(QLineEdit* field);

    QMenuBar* menuBar() const;
    // "Settings…" (Ctrl+,).
    QAction* settingsAction() const { return _settings; }

  signals:
    void showFeaturedSettings();
    void focusSearch();
    void quitRequested();
    void customizeShortcuts();
    void startQuickTour();

  private:
    void installApplicationMenu();
    bool hasMenu(const QString& title) const;

    QMainWindow* _window;
    QAction* _settings = nullptr;
    bool _shortcutMenuInstalled = false;
};
