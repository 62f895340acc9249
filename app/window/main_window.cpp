#include "app/window/main_window.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QVBoxLayout>

#include "app/accessibility/accessible_controls.h"
#include "app/dragdrop/drop_view.h"
#include "app/player/player_bar.h"
#include "app/results/results_browser.h"
#include "app/sidebar/sidebar_panel.h"
#include "app/theme/theme.h"
#include "app/theme/theme_notifier.h"
#include "app/window/layout_modes.h"
#include "app/window/settings.h"

namespace {

constexpr int kMargin = 16;
constexpr int kSidePanelRightMargin = 8;

QPushButton* makeSwitchButton(int mode, const QString& iconName, const QString& fallback,
                              QWidget* parent) {
    auto* button = new QPushButton(parent);
    SVAccessibility::setToggleClicks(button);
    const QIcon icon = QIcon::fromTheme(iconName);
    if (icon.isNull())
        button->setText(fallback);
    else
        button->setIcon(icon);
    button->setProperty("tag", mode);
    button->setCheckable(true);
    button->setToolTip(SVLayout::label(mode));
    button->setAccessibleName(SVLayout::label(mode));
    button->setCursor(Qt::PointingHandCursor);
    button->setFocusPolicy(Qt::TabFocus);
    button->setFixedSize(30, 26);
    return button;
}

}  // namespace

SVMainWindow::SVMainWindow(QWidget* parent)
    : QMainWindow(parent), _content(new SVDropView(this)), _sidebar(new SVSidebarPanel(_content)) {
    setWindowTitle(QStringLiteral("Sample Vorlan — Orvane Producer"));
    setCentralWidget(_content);
    // The colours come from the application palette of the theme.
    setAutoFillBackground(true);
    _content->setAutoFillBackground(true);
    _layoutSwitch = buildLayoutSwitch();
}

QWidget* SVMainWindow::buildLayoutSwitch() {
    auto* group = new QWidget(_content);
    auto* layout = new QHBoxLayout(group);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    auto* label = new QLabel(QStringLiteral("View Mode"), group);
    label->setStyleSheet(
        QStringLiteral("color: %1; font-size: 11px;").arg(SVTheme::grey(0.55).name()));
    _compact = makeSwitchButton(0, QStringLiteral("phone"), QStringLiteral("▯"), group);
    _desktop = makeSwitchButton(1, QStringLiteral("computer"), QStringLiteral("▭"), group);
    const auto style = [] {
        return QStringLiteral(
                   "QPushButton { color: %1; background: %2; border: 1px solid %3; "
                   "border-radius: 6px; font-size: 14px; } QPushButton:checked { background: %4; "
                   "color: white; }")
            .arg(SVTheme::grey(0.8).name(), SVTheme::grey(0.1).name(), SVTheme::grey(0.22).name(),
                 SVTheme::selectedColor(SVTheme::kAccent).name());
    };
    SVTheme::bindStyleSheet(_compact, style);
    SVTheme::bindStyleSheet(_desktop, style);
    layout->addWidget(label);
    layout->addWidget(_compact);
    layout->addWidget(_desktop);
    connect(_compact, &QPushButton::clicked, this, [this] { emit switchLayoutRequested(0); });
    connect(_desktop, &QPushButton::clicked, this, [this] { emit switchLayoutRequested(1); });
    return group;
}

bool SVMainWindow::focusNextPrevChild(bool next) {
    return _keyboardOrder.moveFocus(this, next) || QMainWindow::focusNextPrevChild(next);
}

void SVMainWindow::setResultsBrowser(SVResultsBrowser* browser) {
    _browser = browser;
    browser->setParent(_content);
    browser->addSearchBarAccessory(_layoutSwitch);
    browser->show();
    layoutDiscovery();
}

void SVMainWindow::setPlayerView(QWidget* player) {
    _player = player;
    player->setParent(_content);
    player->show();
    layoutDiscovery();
}

void SVMainWindow::setFeaturedPanel(QWidget* panel) {
    _featuredPanel = panel;
    panel->setParent(_content);
    layoutDiscovery();
}

void SVMainWindow::setSidePanel(QWidget* panel) {
    _sidePanel = panel;
    panel->setParent(_content);
    layoutDiscovery();
}

void SVMainWindow::setLayoutMode(int mode) {
    _mode = SVLayout::normalizedMode(mode);
    _compact->setChecked(_mode == 0);
    _desktop->setChecked(_mode == 1);
    if (_browser)
        _browser->setLayoutMode(_mode);
    layoutDiscovery();
}

void SVMainWindow::layoutDiscovery() {
    const QSize size = _content->size();
    const bool libraryMode = _browser && _browser->scope().libraryMode;
    const bool helpCollapsed =
        _sidePanel && SVSettings::open().value(QStringLiteral("SVHelpCollapsed"), false).toBool();
    const SVLayout::Visibility v = SVLayout::visibility(_mode, size.width(), libraryMode,
                                                        helpCollapsed, _sidePanel != nullptr);
    _sidebar->setVisible(v.sidebar);
    _sidebar->setGeometry(0, 0, SVSidebarPanel::kWidth, size.height());
    int top = kMargin;
    if (_featuredPanel) {
        _featuredPanel->setVisible(v.featuredPanel);
        if (v.featuredPanel) {
            _featuredPanel->setGeometry(v.resultsX, top, v.resultsWidth,
                                        _featuredPanel->heightForWidth(v.resultsWidth));
            top += _featuredPanel->height() + 8;
        }
    }
    int bottom = size.height() - kMargin;
    if (_player) {
        const int playerHeight = _player->sizeHint().height();
        if (v.playerFullWidthStrip) {
            _player->setGeometry(0, size.height() - playerHeight, size.width(), playerHeight);
        } else {
            const int width = SVPlayerBar::desktopWidth(v.resultsWidth);
            _player->setGeometry(v.resultsX + (v.resultsWidth - width) / 2,
                                 size.height() - kMargin - playerHeight, width, playerHeight);
        }
        bottom = _player->y() - 8;
    }
    if (_sidePanel) {
        _sidePanel->setVisible(v.sidePanel);
        if (v.sidePanel)
            // Against the right edge, clear of the results that end 14 before it.
            _sidePanel->setGeometry(size.width() - v.sidePanelWidth - kSidePanelRightMargin,
                                    kMargin, v.sidePanelWidth, size.height() - 2 * kMargin);
    }
    if (_browser)
        _browser->setGeometry(v.resultsX, top, v.resultsWidth, std::max(bottom - top, 0));
    if (_warmupOverlay)
        _warmupOverlay->setGeometry(_content->rect());
}

void SVMainWindow::showWarmupOverlay(bool shown) {
    if (!shown) {
        if (_warmupOverlay)
            _warmupOverlay->hide();
        return;
    }
    if (!_warmupOverlay) {
        _warmupOverlay = new QWidget(_content);
        _warmupOverlay->setObjectName(QStringLiteral("warmupOverlay"));
        _warmupOverlay->setAttribute(Qt::WA_StyledBackground);
        _warmupOverlay->setStyleSheet(
            QStringLiteral("#warmupOverlay { background: rgba(0, 0, 0, 128); }"));
        auto* layout = new QVBoxLayout(_warmupOverlay);
        layout->addStretch(1);
        auto* bar = new QProgressBar(_warmupOverlay);
        bar->setRange(0, 0);
        bar->setFixedSize(180, 14);
        bar->setTextVisible(false);
        auto* text = new QLabel(QStringLiteral("Preparing audio…"), _warmupOverlay);
        text->setStyleSheet(QStringLiteral("color: white; font-size: 13px;"));
        layout->addWidget(bar, 0, Qt::AlignHCenter);
        layout->addWidget(text, 0, Qt::AlignHCenter);
        layout->addStretch(1);
    }
    _warmupOverlay->setGeometry(_content->rect());
    _warmupOverlay->show();
    _warmupOverlay->raise();
}

void SVMainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    emit contentResized(event->size());
    layoutDiscovery();
}

void SVMainWindow::closeEvent(QCloseEvent* event) {
    emit closing();
    QMainWindow::closeEvent(event);
}
