#include "app/results/waveform_view.h"

#include "audio/playback/playhead_diagnostics.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>

#include <algorithm>
#include <cmath>

#include "app/theme/theme.h"
#include "audio/waveforms/waveform_key.h"
#include "audio/waveforms/waveform_notifier.h"
#include "audio/waveforms/waveform_service.h"

namespace {

constexpr int kPollIntervalMs = 250;
constexpr int kPollAttempts = 120;
constexpr double kInset = 5.0;

}  // namespace

SVWaveformView::SVWaveformView(QWidget* parent) : QWidget(parent) {
    setToolTip(QStringLiteral("Click or drag to seek"));
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    SVWaveformNotifier* notifier = SVWaveformNotifier::instance();
    connect(notifier, &SVWaveformNotifier::waveformCacheDidUpdate, this,
            [this](const QString&, const QString& key) { cacheDidUpdate(key); });
    connect(
        notifier, &SVWaveformNotifier::waveformCacheDidFail, this,
        [this](const QString&, const QString& key, const SVWaveformError&) { cacheDidFail(key); });
}

void SVWaveformView::loadAudioAtPath(const QString& path, std::int64_t modifiedAt,
                                     std::uint64_t fileSize) {
    load(path, modifiedAt, fileSize, true);
}

void SVWaveformView::loadCachedAudioAtPath(const QString& path, std::int64_t modifiedAt,
                                           std::uint64_t fileSize) {
    load(path, modifiedAt, fileSize, false);
}

void SVWaveformView::load(const QString& path, std::int64_t modifiedAt, std::uint64_t fileSize,
                          bool request) {
    const std::uint64_t generation = ++_requestGeneration;
    _midiMode = false;
    _loading = true;
    _peaks.reset();
    _audioPath = path;
    _cacheKey = sv::waveformKey(path, modifiedAt, fileSize);
    if (auto cached = SVWaveformCache::cachedPeaksForKey(_cacheKey);
        cached && sv::isValidWaveformSummary(*cached)) {
        showSummary(std::move(*cached));
        return;
    }
    update();
    if (request)
        SVRequestWaveform(path, modifiedAt, fileSize, false);
    pollWaveform(path, modifiedAt, fileSize, generation, 0);
}

void SVWaveformView::pollWaveform(const QString& path, std::int64_t modifiedAt,
                                  std::uint64_t fileSize, std::uint64_t generation, int attempt) {
    const QString key = sv::waveformKey(path, modifiedAt, fileSize);
    if (_requestGeneration != generation || _cacheKey != key)
        return;
    if (auto cached = SVWaveformCache::cachedPeaksForKey(key);
        cached && sv::isValidWaveformSummary(*cached)) {
        showSummary(std::move(*cached));
        return;
    }
    if (SVWaveformCache::hasFailedKey(key) || attempt >= kPollAttempts) {
        _loading = false;
        update();
        return;
    }
    // Asked again as a preload, so a refused or cancelled request is made once more.
    SVRequestWaveform(path, modifiedAt, fileSize, true);
    QTimer::singleShot(kPollIntervalMs, this, [=, this] {
        pollWaveform(path, modifiedAt, fileSize, generation, attempt + 1);
    });
}

void SVWaveformView::showSummary(std::vector<float> peaks) {
    _peaks = std::move(peaks);
    _loading = false;
    update();
}

void SVWaveformView::cacheDidUpdate(const QString& key) {
    if (key.isEmpty() || key != _cacheKey)
        return;
    if (auto cached = SVWaveformCache::cachedPeaksForKey(key);
        cached && sv::isValidWaveformSummary(*cached))
        _peaks = std::move(*cached);
    _loading = false;
    update();
}

void SVWaveformView::cacheDidFail(const QString& key) {
    if (key.isEmpty() || key != _cacheKey)
        return;
    _loading = false;
    update();
}

void SVWaveformView::showMIDIPlaceholder() {
    ++_requestGeneration;
    _audioPath.clear();
    _cacheKey.clear();
    _midiMode = true;
    _loading = false;
    _peaks.reset();
    update();
}

void SVWaveformView::clear() {
    ++_requestGeneration;
    _audioPath.clear();
    _cacheKey.clear();
    _midiMode = false;
    _loading = false;
    _peaks.reset();
    _progress = 0.0;
    update();
}

void SVWaveformView::setDuration(double seconds) {
    _duration = seconds;
}

void SVWaveformView::setProgress(double progress) {
    _progress = std::clamp(progress, 0.0, 1.0);
    ++_progressUpdateCount;
    if (SVPlayheadDiagnostics::shared().enabled())
        _lastProgressTime = SVPlayheadDiagnostics::uptime();
    update();
}

SVWaveformDiagnostics SVWaveformView::diagnostics() const {
    SVWaveformDiagnostics d;
    d.id = this;
    d.attached = window() != nullptr && window()->isVisible();
    d.hidden = isHidden();
    d.appliedProgress = _progress;
    d.drawnProgress = _lastDrawnProgress;
    d.hasDrawnProgress = _hasDrawnProgress;
    d.progressUpdateCount = _progressUpdateCount;
    d.redrawCount = _redrawCount;
    d.lastProgressTime = _lastProgressTime;
    d.lastRedrawTime = _lastRedrawTime;
    return d;
}

void SVWaveformView::setShowsPlayhead(bool shows) {
    _showsPlayhead = shows;
    update();
}

std::vector<SVWaveformView::Bar> SVWaveformView::barsForSize(QSizeF size) const {
    std::vector<Bar> bars;
    if (_midiMode || !_peaks || _peaks->empty())
        return bars;
    const QRectF inner = QRectF(QPointF(0, 0), size).adjusted(kInset, kInset, -kInset, -kInset);
    const auto n = static_cast<double>(_peaks->size());
    const double step = inner.width() / n;
    const double barWidth = std::max(step - 1.0, 1.0);
    const double mid = inner.center().y();
    bars.reserve(_peaks->size());
    for (std::size_t i = 0; i < _peaks->size(); ++i) {
        const double height = std::max(inner.height() * (*_peaks)[i], 1.0);
        Bar bar;
        bar.rect =
            QRectF(inner.x() + static_cast<double>(i) * step, mid - height / 2.0, barWidth, height);
        bar.played = _showsPlayhead && _progress > 0.0 && static_cast<double>(i) / n <= _progress;
        bars.push_back(bar);
    }
    return bars;
}

void SVWaveformView::paintEvent(QPaintEvent*) {
    ++_redrawCount;
    _lastDrawnProgress = _progress;
    _hasDrawnProgress = true;
    if (SVPlayheadDiagnostics::shared().enabled())
        _lastRedrawTime = SVPlayheadDiagnostics::uptime();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath background;
    background.addRoundedRect(QRectF(rect()), 6, 6);
    painter.fillPath(background, SVTheme::grey(0.055));
    const QRectF inner = QRectF(rect()).adjusted(kInset, kInset, -kInset, -kInset);
    if (_midiMode) {
        QFont font = painter.font();
        font.setPixelSize(10);
        font.setWeight(QFont::Medium);
        painter.setFont(font);
        painter.setPen(SVTheme::grey(0.5));
        painter.drawText(inner, Qt::AlignCenter, QStringLiteral("MIDI note overview reserved"));
        return;
    }
    if (!_peaks || _peaks->empty()) {
        painter.fillRect(QRectF(inner.x(), inner.center().y() - 0.5, inner.width(), 1.0),
                         SVTheme::grey(0.18));
        if (_loading) {
            QFont font = painter.font();
            font.setPixelSize(9);
            font.setWeight(QFont::Medium);
            painter.setFont(font);
            painter.setPen(SVTheme::grey(0.42));
            painter.drawText(QPointF(inner.x() + 6, inner.center().y() - 6),
                             QStringLiteral("Loading waveform…"));
        }
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QColor played = SVTheme::selectedColor(SVTheme::kSecondAccent);
    const QColor unplayed = SVTheme::grey(0.42);
    for (const Bar& bar : barsForSize(size()))
        painter.fillRect(bar.rect, bar.played ? played : unplayed);
    if (_showsPlayhead) {
        const QColor line =
            SVTheme::blendedTowardsWhite(SVTheme::selectedColor(SVTheme::kAccent), 0.12);
        painter.fillRect(
            QRectF(inner.x() + inner.width() * _progress, inner.y(), 1.0, inner.height()), line);
    }
}

bool SVWaveformView::canSeek() const {
    return isEnabled() && !_midiMode && _duration > 0.0;
}

void SVWaveformView::seekToValue(double seconds) {
    if (!canSeek() || !std::isfinite(seconds))
        return;
    const double value = std::clamp(seconds, 0.0, _duration);
    _value = value;
    setProgress(value / _duration);
    emit seeked(value);
}

void SVWaveformView::seekWithPosition(double x) {
    if (!canSeek())
        return;
    const double width = std::max(static_cast<double>(this->width()), 1.0);
    seekToValue(x / width * _duration);
}

void SVWaveformView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    _tracking = true;
    seekWithPosition(event->position().x());
    event->accept();
}

void SVWaveformView::mouseMoveEvent(QMouseEvent* event) {
    if (_tracking && (event->buttons() & Qt::LeftButton))
        seekWithPosition(event->position().x());
    event->accept();
}

void SVWaveformView::mouseReleaseEvent(QMouseEvent* event) {
    _tracking = false;
    event->accept();
}

void SVWaveformView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    if (_hasDoubleClickAction) {
        _tracking = false;
        emit doubleClicked();
        event->accept();
        return;
    }
    mousePressEvent(event);
}

void SVWaveformView::preloadAudioAtPath(const QString& path, std::int64_t modifiedAt,
                                        std::uint64_t fileSize) {
    SVWaveformCache::preloadAudioAtPath(path, modifiedAt, fileSize);
}

void SVWaveformView::beginPreloadGeneration() {
    SVWaveformCache::beginPreloadGeneration();
}

bool SVWaveformView::hasCachedAudioAtPath(const QString& path, std::int64_t modifiedAt,
                                          std::uint64_t fileSize) {
    return SVWaveformCache::hasCachedAudioAtPath(path, modifiedAt, fileSize);
}

bool SVWaveformView::hasFailedAudioAtPath(const QString& path, std::int64_t modifiedAt,
                                          std::uint64_t fileSize) {
    return SVWaveformCache::hasFailedAudioAtPath(path, modifiedAt, fileSize);
}

std::size_t SVWaveformView::pendingJobCount() {
    return SVWaveformCache::pendingJobCount();
}

bool SVWaveformView::waitUntilIdleWithTimeout(double seconds) {
    return SVWaveformCache::waitUntilIdleWithTimeout(seconds);
}
