#pragma once

#include <QObject>
#include <QRect>
#include <QSize>
#include <QString>
#include <QTimer>

#include <functional>

class QWidget;

// The window's two layout modes: 0 "Compact Vertical", 1 "Desktop".
namespace SVLayout {

inline constexpr int kCompactVertical = 0;
inline constexpr int kDesktop = 1;

inline constexpr const char* kLayoutModeKey = "SVLayoutMode";
inline constexpr const char* kDesktopSizeKey = "SVDesktopSize";
inline constexpr const char* kCompactVerticalSizeKey = "SVCompactVerticalSize";

// Any nonzero mode means Desktop.
int normalizedMode(qint64 mode);
QString label(int mode);
QString sizeKey(int mode);
QSize defaultContentSize(int mode);

// "{w, h}" and back; a text that does not parse gives the zero size.
QString sizeToString(QSize size);
QSize sizeFromString(const QString& text);

// The content size a mode may have on a screen whose visible frame is `visible`.
QSize clampedContentSize(QSize size, int mode, const QRect& visible);
// Minimum content size of the window, whatever the mode.
QSize minimumContentSize(const QRect& visible);
// The mode a live resize to width `width` leads to, and the size it is held to.
int liveResizeMode(int width, int currentMode);
QSize liveResizeSize(QSize proposed, int currentMode, const QRect& visible);
// The mode after a resize to content width `width`: widths between 700 and 820 keep `current`.
int modeAfterResize(int width, int current);
// The size snapped to the mode's preferred sizes at the end of a resize (not clamped).
QSize snappedSize(QSize size, int mode);
// Top-left of a window frame of `frame` size placed in `visible` (y grows downwards): centred
// when it fits; a frame wider (taller) than the visible frame is held against its right
// (bottom) edge, as far as it fits.
QPoint placedFrameOrigin(QSize frame, const QRect& visible);

// What each mode shows, for content width `width`.
struct Visibility {
    bool sidebar = false;
    bool featuredPanel = false;
    bool sidePanel = false;
    int sidePanelWidth = 0;
    int resultsX = 0;
    int resultsWidth = 0;
    bool paginationShown = false;
    bool downloadLinkShown = false;
    bool playerFullWidthStrip = false;
};
Visibility visibility(int mode, int width, bool libraryMode, bool helpCollapsed,
                      bool sidePanelAvailable);
// The breadcrumb bar: always in Desktop; in Compact Vertical only while Back has a place.
bool breadcrumbBarShown(int mode, bool historyNotEmpty);

}  // namespace SVLayout

// Owns the window's layout mode and its size rules: restores the remembered mode and size,
// switches mode while the width changes, snaps and remembers the size when a resize ends.
class SVLayoutModes : public QObject {
    Q_OBJECT
  public:
    using VisibleFrameProvider = std::function<QRect()>;

    // `visibleFrame` gives the visible frame of the window's screen; empty uses the screen
    // the window is on, or the primary screen.
    SVLayoutModes(QWidget* window, VisibleFrameProvider visibleFrame, QObject* parent = nullptr);

    QRect visibleFrame() const;
    int currentLayoutMode() const { return _requestedLayoutMode != 0 ? 1 : 0; }

    // Reads "SVLayoutMode" and the mode's size; returns the clamped launch content size.
    QSize restoreLaunchMode();
    QSize rememberedSize(int mode) const;

    QSize clampedContentSize(QSize size, int mode) const;
    void applyWindowConstraintsForMode(int mode);
    void setLayoutMode(qint64 mode, QSize contentSize, bool remember);
    void switchLayout(int tag);
    // Centres the window with `contentSize` without writing anything.
    void placeWindow(QSize contentSize);

    // Window events (the window forwards its resize events; the end of a live resize is
    // recognised when no resize arrived for a short moment).
    void windowDidResize(QSize contentSize);
    void windowDidEndLiveResize();

    bool normalizingWindowFrame() const { return _normalizingWindowFrame; }

  signals:
    void layoutModeChanged(int mode);
    void layoutNeeded();

  private:
    void setWindowContentSize(QSize size);
    void writeMode(int mode) const;
    void writeSize(int mode, QSize size) const;

    QWidget* _window;
    VisibleFrameProvider _visibleFrame;
    qint64 _requestedLayoutMode = SVLayout::kDesktop;
    bool _normalizingWindowFrame = false;
    QTimer _liveResizeEnd;
};
