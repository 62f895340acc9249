#include "app/player/player_bar.h"

#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QResizeEvent>

#include <algorithm>
#include <vector>

#include "app/player/player_icons.h"
#include "app/results/waveform_view.h"
#include "app/theme/theme.h"
#include "app/theme/theme_notifier.h"

namespace {

constexpr int kButton = 34;
constexpr int kPlayButton = 42;

QString css(const QColor& color) {
    return color.name(QColor::HexArgb);
}

using Symbol = SVPlayerIcons::Symbol;

// A desktop theme icon when the theme has one, else the symbol drawn by the application.
void setSymbol(QPushButton* button, const QString& themeName, Symbol fallback,
               const QColor& color = SVTheme::grey(0.88)) {
    const QIcon icon = QIcon::fromTheme(themeName);
    button->setIcon(icon.isNull() ? SVPlayerIcons::icon(fallback, color) : icon);
    button->setIconSize(QSize(20, 20));
}

QPushButton* makeButton(const QString& themeName, Symbol fallback, const QString& tooltip,
                        QWidget* parent) {
    auto* button = new QPushButton(parent);
    setSymbol(button, themeName, fallback);
    button->setFlat(true);
    button->setToolTip(tooltip);
    button->setAccessibleName(tooltip);
    button->setCursor(Qt::PointingHandCursor);
    button->setFocusPolicy(Qt::TabFocus);
    button->setStyleSheet(QStringLiteral("QPushButton { color: %1; border: none; font-size: 16px; }"
                                         "QPushButton:disabled { color: %2; }")
                              .arg(css(SVTheme::grey(0.88)), css(SVTheme::grey(0.35))));
    return button;
}

QLabel* makeLabel(const QString& text, QWidget* parent, double white = 0.72) {
    auto* label = new QLabel(text, parent);
    label->setStyleSheet(
        QStringLiteral("color: %1; font-size: 12px;").arg(css(SVTheme::grey(white))));
    return label;
}

}  // namespace

SVPlayerBar::SVPlayerBar(QWidget* parent)
    : QWidget(parent),
      _previous(makeButton(QStringLiteral("media-skip-backward"), Symbol::Previous,
                           QStringLiteral("Previous sample"), this)),
      _play(makeButton(QStringLiteral("media-playback-start"), Symbol::Play,
                       QStringLiteral("Play or pause"), this)),
      _stop(makeButton(QStringLiteral("media-playback-stop"), Symbol::Stop,
                       QStringLiteral("Stop playback"), this)),
      _next(makeButton(QStringLiteral("media-skip-forward"), Symbol::Next,
                       QStringLiteral("Next sample"), this)),
      _key(makeLabel(QStringLiteral("Key  --"), this)),
      _tempo(makeLabel(QStringLiteral("BPM  --"), this)),
      _position(makeLabel(QStringLiteral("0:00"), this, 0.82)),
      _duration(makeLabel(QStringLiteral("0:00"), this, 0.6)),
      _waveform(new SVWaveformView(this)),
      _favorite(new QPushButton(QStringLiteral("♡"), this)),
      _playlist(makeButton(QStringLiteral("list-add"), Symbol::AddToPlaylist,
                           QStringLiteral("Add to Playlist"), this)),
      _repeat(makeButton(QStringLiteral("media-playlist-repeat"), Symbol::Repeat,
                         QStringLiteral("Repeat sample"), this)),
      _volume(new QSlider(Qt::Horizontal, this)),
      _volumeIcon(new QLabel(this)) {
    _favorite->setFlat(true);
    _favorite->setCursor(Qt::PointingHandCursor);
    _favorite->setFocusPolicy(Qt::TabFocus);
    _favorite->setToolTip(QStringLiteral("Love"));
    setFavoriteLook(false);
    setAttribute(Qt::WA_StyledBackground);
    setFixedHeight(kHeight);
    _play->setFixedSize(kPlayButton, kPlayButton);
    setPlaying(false);
    SVTheme::bindStyleSheet(_play, [] {
        return QStringLiteral(
                   "QPushButton { color: white; background: %1; border: none; "
                   "border-radius: 21px; font-size: 18px; }")
            .arg(css(SVTheme::selectedColor(SVTheme::kAccent)));
    });
    _volume->setRange(0, 1000);
    _volume->setToolTip(QStringLiteral("Preview volume"));
    _volume->setAccessibleName(QStringLiteral("Preview volume"));
    _volume->setFocusPolicy(Qt::TabFocus);
    _volumeIcon->setAccessibleDescription(QStringLiteral("Preview volume"));
    _waveform->setEnabled(false);
    _waveform->setAccessibleName(QStringLiteral("Playback position"));
    setLayoutMode(1);
}

int SVPlayerBar::desktopWidth(int resultsWidth) {
    return std::min(std::min(std::max(resultsWidth - 16, 620), 1000), resultsWidth);
}

int SVPlayerBar::dragHandleWidth(int stripWidth) {
    return std::min(std::max(stripWidth - 468, 80), 92);
}

void SVPlayerBar::setDragHandle(QWidget* handle) {
    _dragHandle = handle;
    if (handle)
        handle->setParent(this);
    setLayoutMode(_mode);
}

void SVPlayerBar::setLayoutMode(int mode) {
    _mode = mode != 0 ? 1 : 0;
    const bool desktop = _mode == 1;
    _stop->setVisible(!desktop);
    _repeat->setVisible(desktop);
    _playlist->setVisible(desktop);
    _volume->setVisible(desktop);
    _volumeIcon->setVisible(desktop);
    if (_dragHandle)
        _dragHandle->setVisible(!desktop);
    orderForKeyboard(desktop);
    if (desktop)
        layoutDesktop(width(), height());
    else
        layoutCompact(width(), height());
    update();
}

// The player refreshes the bar ten times a second: restyle only what changed.
void SVPlayerBar::setPlaying(bool playing) {
    if (_playSymbolShown && _playing == playing)
        return;
    _playSymbolShown = true;
    _playing = playing;
    if (playing)
        setSymbol(_play, QStringLiteral("media-playback-pause"), Symbol::Pause, Qt::white);
    else
        setSymbol(_play, QStringLiteral("media-playback-start"), Symbol::Play, Qt::white);
}

void SVPlayerBar::setFavoriteLook(bool favorite) {
    if (_favoriteShown == favorite)
        return;
    _favoriteShown = favorite;
    _favorite->setText(favorite ? QStringLiteral("♥") : QStringLiteral("♡"));
    _favorite->setAccessibleName(favorite ? QStringLiteral("Remove from Favorites")
                                          : QStringLiteral("Add to Favorites"));
    const QColor tint = favorite ? QColor::fromRgbF(1.0f, 0.38f, 0.54f) : SVTheme::grey(0.72);
    _favorite->setStyleSheet(
        QStringLiteral("QPushButton { color: %1; border: none; font-size: 18px; }"
                       "QPushButton:disabled { color: %2; }")
            .arg(css(tint), css(SVTheme::grey(0.35))));
}

void SVPlayerBar::setRepeatLook(bool on, const QColor& accent) {
    _repeat->setToolTip(on ? QStringLiteral("Repeat on") : QStringLiteral("Repeat off"));
    _repeat->setAccessibleName(_repeat->toolTip());
    setSymbol(_repeat, QStringLiteral("media-playlist-repeat"), Symbol::Repeat,
              on ? accent : SVTheme::grey(0.68));
}

void SVPlayerBar::setVolumeIcon(double volume) {
    const Symbol symbol = volume <= 0.01 ? Symbol::SpeakerMuted
                          : volume < 0.5 ? Symbol::SpeakerLow
                                         : Symbol::SpeakerHigh;
    const QString themeName = volume <= 0.01 ? QStringLiteral("audio-volume-muted")
                              : volume < 0.5 ? QStringLiteral("audio-volume-low")
                                             : QStringLiteral("audio-volume-high");
    const QIcon themed = QIcon::fromTheme(themeName);
    const QIcon icon = themed.isNull() ? SVPlayerIcons::icon(symbol, SVTheme::grey(0.7)) : themed;
    _volumeIcon->setPixmap(icon.pixmap(QSize(20, 20)));
    _volumeIcon->setProperty("symbol", volume <= 0.01 ? QStringLiteral("speaker.slash.fill")
                                       : volume < 0.5 ? QStringLiteral("speaker.wave.1.fill")
                                                      : QStringLiteral("speaker.wave.2.fill"));
}

void SVPlayerBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    setLayoutMode(_mode);
}

void SVPlayerBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    const QRectF area = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    path.addRoundedRect(area, _mode == 1 ? 14 : 0, _mode == 1 ? 14 : 0);
    painter.fillPath(path, SVTheme::selectedColor(SVTheme::kPlayerBackground));
    painter.setPen(SVTheme::grey(0.2));
    painter.drawPath(path);
}

// Previous, play and two more buttons centred at `top`; returns the group's left edge.
// Tab goes through the buttons from left to right as each layout places them.
void SVPlayerBar::orderForKeyboard(bool desktop) {
    const std::vector<QWidget*> order =
        desktop
            ? std::vector<QWidget*>{_previous, _play, _next, _repeat, _favorite, _playlist, _volume}
            : std::vector<QWidget*>{_favorite, _previous, _play, _stop, _next};
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

int SVPlayerBar::layoutTransportGroup(int w, int top, QPushButton* third, QPushButton* fourth) {
    const int groupWidth = 3 * kButton + kPlayButton + 3 * 8;
    const int left = (w - groupWidth) / 2;
    int x = left;
    _previous->setGeometry(x, top + 4, kButton, kButton);
    x += kButton + 8;
    _play->setGeometry(x, top, kPlayButton, kPlayButton);
    x += kPlayButton + 8;
    third->setGeometry(x, top + 4, kButton, kButton);
    x += kButton + 8;
    fourth->setGeometry(x, top + 4, kButton, kButton);
    return left;
}

void SVPlayerBar::layoutDesktop(int w, int h) {
    // Top line: the transport group centred; bottom line: times around the waveform.
    const int top = 8;
    layoutTransportGroup(w, top, _next, _repeat);

    const bool keyAndTempo = w >= kKeyAndTempoMinimumWidth;
    _key->setVisible(keyAndTempo);
    _tempo->setVisible(keyAndTempo);
    _key->setGeometry(16, top + 10, 110, 22);
    _tempo->setGeometry(130, top + 10, 110, 22);

    const int right = w - 16;
    _volume->setGeometry(right - 110, top + 12, 110, 20);
    _volumeIcon->setGeometry(right - 140, top + 10, 26, 24);
    _playlist->setGeometry(right - 180, top + 4, kButton, kButton);
    _favorite->setGeometry(right - 216, top + 4, kButton, kButton);

    const int lineY = h - 40;
    _position->setGeometry(16, lineY + 6, 44, 20);
    _duration->setGeometry(w - 60, lineY + 6, 44, 20);
    _waveform->setGeometry(64, lineY, std::max(w - 128, 40), 32);
}

void SVPlayerBar::layoutCompact(int w, int h) {
    const int handleWidth = dragHandleWidth(w);
    const int top = 6;
    const int left = layoutTransportGroup(w, top, _stop, _next);
    _favorite->setGeometry(left - kButton - 12, top + 4, kButton, kButton);
    _key->setVisible(false);
    _tempo->setVisible(false);

    const int lineY = h - 40;
    const int waveformRight = w - handleWidth - 24;
    _position->setGeometry(12, lineY + 6, 44, 20);
    _duration->setGeometry(waveformRight - 44, lineY + 6, 44, 20);
    _waveform->setGeometry(60, lineY, std::max(waveformRight - 112, 40), 32);
    if (_dragHandle)
        _dragHandle->setGeometry(w - handleWidth - 12, (h - 56) / 2, handleWidth, 56);
}
