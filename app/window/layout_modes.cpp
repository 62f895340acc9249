#include "app/window/layout_modes.h"

#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QWidget>

#include <algorithm>
#include <cstdlib>

#include "app/window/settings.h"

namespace SVLayout {

int normalizedMode(qint64 mode) {
    return mode != 0 ? kDesktop : kCompactVertical;
}

QString label(int mode) {
    return normalizedMode(mode) == kDesktop ? QStringLiteral("Desktop")
                                            : QStringLiteral("Compact Vertical");
}

QString sizeKey(int mode) {
    return QString::fromLatin1(normalizedMode(mode) == kDesktop ? kDesktopSizeKey
                                                                : kCompactVerticalSizeKey);
}

QSize defaultContentSize(int mode) {
    return normalizedMode(mode) == kDesktop ? QSize(1536, 770) : QSize(704, 1536);
}

QString sizeToString(QSize size) {
    return QStringLiteral("{%1, %2}").arg(size.width()).arg(size.height());
}

QSize sizeFromString(const QString& text) {
    static const QRegularExpression pattern(
        QStringLiteral(R"(^\s*\{\s*(-?\d+(?:\.\d*)?)\s*,\s*(-?\d+(?:\.\d*)?)\s*\}\s*$)"));
    const auto match = pattern.match(text);
    if (!match.hasMatch())
        return QSize(0, 0);
    return QSize(qRound(match.captured(1).toDouble()), qRound(match.captured(2).toDouble()));
}

QSize clampedContentSize(QSize size, int mode, const QRect& visible) {
    const int availableWidth = std::max(visible.width() - 24, 480);
    const int availableHeight = std::max(visible.height() - 24, 560);
    const bool desktop = normalizedMode(mode) == kDesktop;
    const int width = desktop
                          ? std::min(std::max(size.width(), 1100), availableWidth)
                          : std::min(std::max(size.width(), 560), std::min(availableWidth, 860));
    const int minimumHeight = desktop ? 577 : 700;
    const int height = std::min(std::max(size.height(), minimumHeight), availableHeight);
    return QSize(width, height);
}

QSize minimumContentSize(const QRect& visible) {
    return QSize(std::min(visible.width() - 24, 600), std::min(visible.height() - 24, 560));
}

int liveResizeMode(int width, int currentMode) {
    const bool compact = (width < 820 && currentMode == kCompactVertical) ||
                         (width <= 700 && currentMode == kDesktop);
    return compact ? kCompactVertical : kDesktop;
}

QSize liveResizeSize(QSize proposed, int currentMode, const QRect& visible) {
    const int minimumHeight =
        liveResizeMode(proposed.width(), currentMode) == kCompactVertical ? 560 : 577;
    const int width =
        std::min(std::max(proposed.width(), 600), std::max(visible.width() - 24, 600));
    const int height = std::min(std::max(proposed.height(), minimumHeight),
                                std::max(visible.height() - 24, minimumHeight));
    return QSize(width, height);
}

int modeAfterResize(int width, int current) {
    if (width >= 820 && current == kCompactVertical)
        return kDesktop;
    if (width <= 700 && current == kDesktop)
        return kCompactVertical;
    return current;
}

QSize snappedSize(QSize size, int mode) {
    int w = size.width();
    int h = size.height();
    if (normalizedMode(mode) == kDesktop) {
        if (std::abs(w - 1536) <= 72)
            w = 1536;
        if (std::abs(h - 770) <= 42)
            h = 770;
        else if (std::abs(h - 600) <= 32)
            h = 600;
    } else {
        if (std::abs(w - 704) <= 56)
            w = 704;
        if (std::abs(h - 1536) <= 56)
            h = 1536;
    }
    return QSize(w, h);
}

QPoint placedFrameOrigin(QSize frame, const QRect& visible) {
    const int fw = frame.width();
    const int fh = frame.height();
    const int vw = visible.width();
    const int vh = visible.height();
    if (fw > vw || fh > vh) {
        // Held against the right edge when too wide, and with its bottom on the visible
        // bottom when it fits in height (its top on the visible top when too tall).
        const int x = std::min(visible.x(), visible.x() + vw - fw);
        const int y = visible.y() + std::max(vh - fh, 0);
        return QPoint(x, y);
    }
    return QPoint(visible.x() + vw / 2 - fw / 2, visible.y() + vh / 2 - fh / 2);
}

Visibility visibility(int mode, int width, bool libraryMode, bool helpCollapsed,
                      bool sidePanelAvailable) {
    Visibility v;
    if (normalizedMode(mode) == kCompactVertical) {
        v.resultsX = 16;
        v.resultsWidth = std::max(width - 32, 280);
        v.playerFullWidthStrip = true;
        return v;
    }
    v.sidebar = true;
    v.featuredPanel = true;
    v.sidePanel = sidePanelAvailable && width >= 1500;
    v.sidePanelWidth = v.sidePanel ? (helpCollapsed ? 55 : 300) : 0;
    v.resultsX = 270;
    v.resultsWidth = std::max(width - v.sidePanelWidth - 284, 360);
    v.paginationShown = !libraryMode;
    v.downloadLinkShown = libraryMode;
    return v;
}

bool breadcrumbBarShown(int mode, bool historyNotEmpty) {
    return normalizedMode(mode) == kDesktop || historyNotEmpty;
}

}  // namespace SVLayout

SVLayoutModes::SVLayoutModes(QWidget* window, VisibleFrameProvider visibleFrame, QObject* parent)
    : QObject(parent), _window(window), _visibleFrame(std::move(visibleFrame)) {
    _liveResizeEnd.setSingleShot(true);
    _liveResizeEnd.setInterval(300);
    connect(&_liveResizeEnd, &QTimer::timeout, this, &SVLayoutModes::windowDidEndLiveResize);
}

QRect SVLayoutModes::visibleFrame() const {
    if (_visibleFrame)
        return _visibleFrame();
    QScreen* screen =
        _window && _window->screen() ? _window->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1920, 1080);
}

QSize SVLayoutModes::restoreLaunchMode() {
    const QSettings settings = SVSettings::open();
    _requestedLayoutMode =
        SVLayout::normalizedMode(settings.value(SVLayout::kLayoutModeKey, 1).toLongLong());
    return clampedContentSize(rememberedSize(currentLayoutMode()), currentLayoutMode());
}

QSize SVLayoutModes::rememberedSize(int mode) const {
    const QSettings settings = SVSettings::open();
    const QString text = settings.value(SVLayout::sizeKey(mode)).toString();
    if (text.isEmpty())
        return SVLayout::defaultContentSize(mode);
    return SVLayout::sizeFromString(text);
}

QSize SVLayoutModes::clampedContentSize(QSize size, int mode) const {
    return SVLayout::clampedContentSize(size, mode, visibleFrame());
}

void SVLayoutModes::applyWindowConstraintsForMode(int mode) {
    if (!_window)
        return;
    const QRect visible = visibleFrame();
    const QSize minimum = SVLayout::minimumContentSize(visible);
    // A live resize holds the size between these bounds (the height bound depends on the
    // mode); the window's own minimum never exceeds them.
    const int liveMinimumHeight = mode == SVLayout::kDesktop ? 577 : 560;
    _window->setMinimumSize(QSize(std::max(std::max(minimum.width(), 600), 1),
                                  std::max(std::max(minimum.height(), liveMinimumHeight), 1)));
    _window->setMaximumSize(QSize(std::max(visible.width() - 24, 600),
                                  std::max(visible.height() - 24, liveMinimumHeight)));
}

void SVLayoutModes::setWindowContentSize(QSize size) {
    if (!_window)
        return;
    const QSize decoration = _window->frameGeometry().size() - _window->geometry().size();
    const QSize frame = size + decoration;
    const QPoint origin = SVLayout::placedFrameOrigin(frame, visibleFrame());
    _normalizingWindowFrame = true;
    _window->resize(size);
    _window->move(origin);
    _normalizingWindowFrame = false;
}

void SVLayoutModes::placeWindow(QSize contentSize) {
    setWindowContentSize(contentSize);
}

void SVLayoutModes::setLayoutMode(qint64 mode, QSize contentSize, bool remember) {
    const int normalized = SVLayout::normalizedMode(mode);
    const bool changed = normalized != currentLayoutMode();
    _requestedLayoutMode = normalized;
    applyWindowConstraintsForMode(normalized);
    const QSize clamped = clampedContentSize(contentSize, normalized);
    setWindowContentSize(clamped);
    if (remember) {
        writeMode(normalized);
        writeSize(normalized, clamped);
    }
    if (changed)
        emit layoutModeChanged(normalized);
    emit layoutNeeded();
}

void SVLayoutModes::switchLayout(int tag) {
    const int mode = SVLayout::normalizedMode(tag);
    setLayoutMode(mode, rememberedSize(mode), true);
}

void SVLayoutModes::windowDidResize(QSize contentSize) {
    const int mode = currentLayoutMode();
    const int next = SVLayout::modeAfterResize(contentSize.width(), mode);
    if (next != mode) {
        _requestedLayoutMode = next;
        applyWindowConstraintsForMode(next);
        writeMode(next);
        emit layoutModeChanged(next);
    }
    emit layoutNeeded();
    if (!_normalizingWindowFrame)
        _liveResizeEnd.start();
}

void SVLayoutModes::windowDidEndLiveResize() {
    if (_normalizingWindowFrame || !_window || _window->isFullScreen())
        return;
    const int mode = currentLayoutMode();
    const QSize current = _window->size();
    const QSize clamped = clampedContentSize(SVLayout::snappedSize(current, mode), mode);
    writeMode(mode);
    writeSize(mode, clamped);
    if (std::abs(clamped.width() - current.width()) > 0 ||
        std::abs(clamped.height() - current.height()) > 0)
        setLayoutMode(mode, clamped, true);
}

void SVLayoutModes::writeMode(int mode) const {
    QSettings settings = SVSettings::open();
    settings.setValue(SVLayout::kLayoutModeKey, mode);
}

void SVLayoutModes::writeSize(int mode, QSize size) const {
    QSettings settings = SVSettings::open();
    settings.setValue(SVLayout::sizeKey(mode), SVLayout::sizeToString(size));
}
