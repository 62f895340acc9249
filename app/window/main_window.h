#pragma once

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <vector>

#include "app/window/keyboard_order.h"

class SVDropView;
class SVResultsBrowser;
class SVSidebarPanel;
class QLabel;
class QPushButton;

// The main window. Its content places the sidebar, the results and the optional panels
// according to the layout mode and the width; resizes are reported to the listener.
class SVMainWindow : public QMainWindow {
    Q_OBJECT
  public:
    explicit SVMainWindow(QWidget* parent = nullptr);

    void setResultsBrowser(SVResultsBrowser* browser);
    SVSidebarPanel* sidebar() const { return _sidebar; }
    // The content view, which takes folders dropped from the file manager.
    SVDropView* dropView() const { return _content; }
    QWidget* playerView() const { return _player; }
    // Panels that later parts of the window fill in; absent ones take no room.
    void setPlayerView(QWidget* player);
    // The guide or inspector at the right of the Desktop layout; its width follows
    // "SVHelpCollapsed".
    void setSidePanel(QWidget* panel);
    QWidget* sidePanel() const { return _sidePanel; }
    void setFeaturedPanel(QWidget* panel);

    void setLayoutMode(int mode);
    void layoutDiscovery();
    QPushButton* layoutSwitchButton(int mode) const { return mode == 0 ? _compact : _desktop; }
    // Tab and Shift+Tab walk these areas in the order given.
    void setKeyboardOrder(const std::vector<QWidget*>& areas) { _keyboardOrder.setAreas(areas); }
    const SVKeyboardOrder& keyboardOrder() const { return _keyboardOrder; }
    QWidget* layoutSwitch() const { return _layoutSwitch; }

    // Covers the content with the 50 % black overlay that says "Preparing audio…".
    void showWarmupOverlay(bool shown);
    QWidget* warmupOverlay() const { return _warmupOverlay; }

  signals:
    void contentResized(QSize size);
    void switchLayoutRequested(int mode);
    void closing();

  protected:
    void resizeEvent(QResizeEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    QWidget* buildLayoutSwitch();

    SVDropView* _content;
    SVSidebarPanel* _sidebar;
    QPointer<SVResultsBrowser> _browser;
    QPointer<QWidget> _player;
    QPointer<QWidget> _sidePanel;
    QPointer<QWidget> _featuredPanel;
    SVKeyboardOrder _keyboardOrder;
    QWidget* _layoutSwitch = nullptr;
    QPushButton* _compact = nullptr;
    QPushButton* _desktop = nullptr;
    QWidget* _warmupOverlay = nullptr;
    int _mode = 1;
};
