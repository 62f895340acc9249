#include "app/results/sample_cell.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <memory>

#include "app/results/results_table.h"
#include "app/results/row_button.h"
#include "app/results/waveform_view.h"
#include "app/theme/theme.h"
#include "app/theme/theme_notifier.h"
#include "core/inference/key_display.h"
#include "core/records/sample_type.h"

namespace {

bool isMidi(const sv::Sample& sample) {
    return sample.type == sv::SampleType::Midi;
}

bool isNoneOrUnknown(const QString& text) {
    return text.compare(QLatin1String("None"), Qt::CaseInsensitive) == 0 ||
           text.compare(QLatin1String("Unknown"), Qt::CaseInsensitive) == 0;
}

bool isGenericLibraryName(const QString& text) {
    for (const char* generic : {"sample", "samples", "library", "sample library"}) {
        if (text.compare(QLatin1String(generic), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

SVRowButton* makeRowButton(const QString& text, const SVRowButtonLook& look, QWidget* parent) {
    auto* button = new SVRowButton(text, parent);
    button->setLook(look);
    return button;
}

// Plain text of a row: colour and size set directly, since a style sheet per label would be
// parsed again for every row of every page.
void setTextLook(QLabel* label, const QColor& color, int pixelSize) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    QFont font = label->font();
    font.setPixelSize(pixelSize);
    label->setFont(font);
}

QLabel* makeColumnLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    setTextLook(label, SVTheme::grey(0.72), 12);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

QLabel* makeMetadataText(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    setTextLook(label, SVTheme::grey(0.5), 11);
    return label;
}

SVRowButtonLook nameLook() {
    SVRowButtonLook look;
    look.text = SVTheme::grey(0.93);
    look.disabledText = SVTheme::grey(0.6);
    look.pixelSize = 13;
    look.weight = QFont::Medium;
    look.alignment = Qt::AlignLeft | Qt::AlignVCenter;
    return look;
}

SVRowButtonLook playLook() {
    SVRowButtonLook look;
    look.text = Qt::white;
    look.disabledText = SVTheme::grey(0.4);
    look.fill = SVTheme::selectedColor(SVTheme::kAccent);
    look.disabledFill = SVTheme::grey(0.16);
    look.pixelSize = 11;
    return look;
}

SVRowButtonLook favoriteLook(bool favorite) {
    SVRowButtonLook look;
    look.text = favorite ? QColor::fromRgbF(1.0f, 0.38f, 0.54f) : SVTheme::grey(0.58);
    look.disabledText = look.text;
    look.pixelSize = 16;
    return look;
}

SVRowButtonLook linkLook(bool hovered) {
    SVRowButtonLook look;
    look.text = hovered
                    ? SVTheme::blendedTowardsWhite(SVTheme::selectedColor(SVTheme::kAccent), 0.35)
                    : SVTheme::grey(0.62);
    look.disabledText = look.text;
    look.pixelSize = 11;
    look.alignment = Qt::AlignLeft | Qt::AlignVCenter;
    look.underline = hovered;
    return look;
}

}  // namespace

SVMetadataLink::SVMetadataLink(const QString& text, const QString& role, const QString& path,
                               QWidget* parent)
    : SVRowButton(text, parent), _role(role), _value(text), _packPath(path) {
    setToolTip(QStringLiteral("Filter by %1").arg(text));
    setLook(linkLook(false));
    // Words of the row: pressing one and moving drags the row, a click filters.
    SVResultsTable::setStartsRowDrag(this, true);
}

void SVMetadataLink::setHoverLook(bool hovered) {
    if (look().underline != hovered)
        setLook(linkLook(hovered));
}

void SVMetadataLink::enterEvent(QEnterEvent* event) {
    setHoverLook(true);
    SVRowButton::enterEvent(event);
}

void SVMetadataLink::leaveEvent(QEvent* event) {
    setHoverLook(false);
    SVRowButton::leaveEvent(event);
}

std::vector<SVMetadataPart> metadataParts(const sv::Sample& sample, const QString& packTitle,
                                          const QString& packPath) {
    std::vector<SVMetadataPart> parts;
    const QString type = QString::fromStdString(sv::toString(sample.type));
    if (!type.isEmpty()) {
        const bool link = sample.type == sv::SampleType::Loop ||
                          sample.type == sv::SampleType::OneShot ||
                          sample.type == sv::SampleType::Midi;
        parts.push_back({type, link ? QStringLiteral("type") : QString(), {}});
    }
    const QString instrument = QString::fromStdString(sample.instrument);
    if (!instrument.isEmpty())
        parts.push_back({instrument,
                         isNoneOrUnknown(instrument) ? QString() : QStringLiteral("instrument"),
                         {}});
    // The stored genre text joins every genre of the sample with ", ".
    const QStringList genres =
        QString::fromStdString(sample.genre).split(QStringLiteral(", "), Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < genres.size(); ++i) {
        const QString& genre = genres.at(i);
        parts.push_back(
            {genre, isNoneOrUnknown(genre) ? QString() : QStringLiteral("genre"), {}, i > 0});
    }
    if (!packTitle.isEmpty()) {
        parts.push_back({packTitle, QStringLiteral("pack"), packPath});
    } else {
        const QString library = QString::fromStdString(sample.library).trimmed();
        if (!library.isEmpty() && !isGenericLibraryName(library))
            parts.push_back({library, {}, {}});
    }
    return parts;
}

QString clockText(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0)
        return QStringLiteral("0:00");
    const auto whole = static_cast<long long>(seconds);
    return QString::asprintf("%lld:%02lld", whole / 60, whole % 60);
}

QString durationText(const sv::Sample& sample) {
    return sample.duration ? clockText(*sample.duration) : QStringLiteral("--");
}

QString tempoText(const sv::Sample& sample) {
    return sample.bpm ? QString::number(*sample.bpm) : QStringLiteral("--");
}

SVSampleColumns sampleColumns(int width) {
    SVSampleColumns c;
    const int r = std::max(width - 166, 0);
    const bool narrow = width < 820;
    c.durationWidth = narrow ? 64 : 70;
    c.keyWidth = narrow ? 0 : 70;
    c.tempoWidth = narrow ? 0 : 70;
    const int m = std::max(r - c.durationWidth - c.keyWidth - c.tempoWidth, 0);
    const double f = narrow ? 0.5 : 0.46;
    c.nameWidth = std::min(m, std::max(120, static_cast<int>(std::floor(f * m))));
    c.waveformWidth = m - c.nameWidth;
    c.waveformX = c.nameX + c.nameWidth;
    c.durationX = c.waveformX + c.waveformWidth;
    c.keyX = c.durationX + c.durationWidth;
    c.tempoX = c.keyX + c.keyWidth;
    return c;
}

SVSampleCell::SVSampleCell(QWidget* parent)
    : QWidget(parent),
      _selectionBox(new SVRowCheckBox(this)),
      _play(makeRowButton(QStringLiteral("▶"), playLook(), this)),
      _favorite(makeRowButton(QStringLiteral("♡"), favoriteLook(false), this)),
      _artwork(new QLabel(this)),
      _name(makeRowButton(QString(), nameLook(), this)),
      _metadata(new QWidget(this)),
      _waveform(new SVWaveformView(this)),
      _durationLabel(makeColumnLabel(this)),
      _keyLabel(makeColumnLabel(this)),
      _tempoLabel(makeColumnLabel(this)) {
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover);
    // The row keeps its widgets through a theme change; only the play button's fill is kept.
    SVTheme::onThemeChanged(this, [this] { _play->setLook(playLook()); });
    _artwork->setAttribute(Qt::WA_TransparentForMouseEvents);
    _artwork->setFixedSize(40, 40);
    auto* metadataLayout = new QHBoxLayout(_metadata);
    metadataLayout->setContentsMargins(0, 0, 0, 0);
    metadataLayout->setSpacing(0);
    _waveform->setHasDoubleClickAction(true);
    // The name plays on a click and drags the row on a move; the waveform seeks on both.
    SVResultsTable::setStartsRowDrag(_name, true);
    SVResultsTable::setStartsRowDrag(_waveform, false);

    connect(_selectionBox, &QCheckBox::clicked, this,
            [this](bool on) { emit selectionToggled(_content.row, on); });
    connect(_play, &QPushButton::clicked, this, [this] { emit previewRequested(_content.row); });
    connect(_name, &QPushButton::clicked, this, [this] { emit previewRequested(_content.row); });
    connect(_favorite, &QPushButton::clicked, this, [this] { emit favoriteToggled(_content.row); });
    connect(_waveform, &SVWaveformView::seeked, this,
            [this](double value) { emit waveformSeeked(_content.row, value); });
    connect(_waveform, &SVWaveformView::doubleClicked, this,
            [this] { emit waveformDoubleClicked(_content.row); });
}

void SVSampleCell::setContent(const SVSampleCellContent& content) {
    _content = content;
    const bool midi = isMidi(_content.sample);
    _name->setEnabled(!midi);
    _play->setEnabled(!midi);
    _name->setToolTip(QString::fromStdString(_content.sample.path));
    _selectionBox->setChecked(_content.selected);
    if (midi)
        _waveform->showMIDIPlaceholder();
    else
        _waveform->loadCachedAudioAtPath(QString::fromStdString(_content.sample.path),
                                         _content.sample.modifiedAt, _content.sample.fileSize);
    if (_content.sample.duration)
        _waveform->setDuration(*_content.sample.duration);
    rebuildMetadataLine();
    updateFavoriteLook();
    updateArtwork();
    updateTexts();
    updateAccessibleNames();
    setPlaying(_content.playing);
    layoutCompact(width(), height());
    if (!_content.compact)
        layoutFull(width(), height());
    update();
}

void SVSampleCell::setCompact(bool compact) {
    if (_content.compact == compact)
        return;
    _content.compact = compact;
    if (compact)
        layoutCompact(width(), height());
    else
        layoutFull(width(), height());
}

void SVSampleCell::setSelected(bool selected) {
    _content.selected = selected;
    _selectionBox->setChecked(selected);
    updateArtwork();
    update();
}

void SVSampleCell::setFavorite(bool favorite) {
    _content.sample.favorite = favorite;
    updateFavoriteLook();
    updateAccessibleNames();
}

void SVSampleCell::setDuration(double seconds) {
    _content.sample.duration = seconds;
    _waveform->setDuration(seconds);
    updateTexts();
}

void SVSampleCell::setPlaying(bool playing) {
    _content.playing = playing;
    _play->setText(playing ? QStringLiteral("■") : QStringLiteral("▶"));
    _play->setAccessibleName(
        (playing ? QStringLiteral("Pause %1") : QStringLiteral("Play %1")).arg(fileName()));
}

void SVSampleCell::setDecoration(const SVRowDecoration& decoration) {
    const bool packChanged =
        decoration.packTitle != _content.packTitle || decoration.packPath != _content.packPath;
    _content.packTitle = decoration.packTitle;
    _content.packPath = decoration.packPath;
    _content.artwork = decoration.artwork;
    _content.avatar = decoration.avatar;
    _content.selectedAvatar = decoration.selectedAvatar;
    if (packChanged)
        rebuildMetadataLine();
    updateArtwork();
}

void SVSampleCell::setHovered(bool hovered) {
    if (_hovered == hovered)
        return;
    _hovered = hovered;
    if (!hovered) {
        for (SVMetadataLink* link : _links)
            link->setHoverLook(false);
    }
    update();
}

QString SVSampleCell::metadataText() const {
    QString text;
    for (const auto& part : metadataParts(_content.sample, _content.packTitle, _content.packPath)) {
        if (!text.isEmpty())
            text += part.continuesPrevious ? QStringLiteral(", ") : QStringLiteral(" • ");
        text += part.text;
    }
    return text;
}

QPixmap SVSampleCell::sampleAvatar(const QString& packName, bool selected) {
    const qreal ratio = 2.0;
    QPixmap image(QSize(40, 40) * ratio);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor accent = SVTheme::selectedColor(SVTheme::kAccent);
    const QColor fill = selected ? SVTheme::blendedTowardsWhite(accent, 0.12)
                                 : SVTheme::selectedColor(SVTheme::kChipBackground);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(0, 0, 40, 40), 6, 6);
    painter.fillPath(shape, fill);
    const QString letter = packName.isEmpty() ? QStringLiteral("?") : packName.left(1).toUpper();
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(17);
    painter.setFont(font);
    painter.setPen(selected ? QColor(Qt::white) : SVTheme::grey(0.82));
    painter.drawText(QRectF(0, 0, 40, 40), Qt::AlignCenter, letter);
    return image;
}

void SVSampleCell::rebuildMetadataLine() {
    auto* layout = static_cast<QHBoxLayout*>(_metadata->layout());
    while (QLayoutItem* taken = layout->takeAt(0)) {
        const std::unique_ptr<QLayoutItem> item(taken);
        // Deleted later: a link may be removed from inside its own click.
        if (QWidget* widget = item->widget()) {
            widget->hide();
            widget->deleteLater();
        }
    }
    _links.clear();
    const auto parts = metadataParts(_content.sample, _content.packTitle, _content.packPath);
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const auto& part = parts[i];
        if (i > 0 && part.continuesPrevious) {
            // Coloured as the genre links themselves, as the one joined link used to be.
            auto* comma = makeMetadataText(QStringLiteral(", "), _metadata);
            setTextLook(comma, linkLook(false).text, 11);
            layout->addWidget(comma);
        } else if (i > 0) {
            layout->addWidget(makeMetadataText(QStringLiteral(" • "), _metadata));
        }
        if (part.role.isEmpty()) {
            layout->addWidget(makeMetadataText(part.text, _metadata));
            continue;
        }
        auto* link = new SVMetadataLink(part.text, part.role, part.path, _metadata);
        connect(link, &QPushButton::clicked, this, [this, link] {
            emit metadataLinkActivated(link->metadataRole(), link->metadataValue(),
                                       link->packPath());
        });
        layout->addWidget(link);
        _links.push_back(link);
    }
    layout->addStretch(1);
}

void SVSampleCell::updateFavoriteLook() {
    const bool favorite = _content.sample.favorite;
    _favorite->setText(favorite ? QStringLiteral("♥") : QStringLiteral("♡"));
    _favorite->setToolTip(favorite ? QStringLiteral("Remove from Favorites")
                                   : QStringLiteral("Add to Favorites"));
    _favorite->setLook(favoriteLook(favorite));
}

QString SVSampleCell::fileName() const {
    return QString::fromStdString(_content.sample.filename);
}

QString SVSampleCell::packName() const {
    if (!_content.packTitle.isEmpty())
        return _content.packTitle;
    return QString::fromStdString(_content.sample.library).trimmed();
}

// Screen readers read what each control does to which file; the symbols on the buttons say
// nothing to them.
void SVSampleCell::updateAccessibleNames() {
    const QString file = fileName();
    setAccessibleName(file);
    _name->setAccessibleName(file);
    _name->setAccessibleDescription(QString::fromStdString(_content.sample.path));
    _selectionBox->setAccessibleName(QStringLiteral("Select %1").arg(file));
    _favorite->setAccessibleName(_content.sample.favorite
                                     ? QStringLiteral("Remove %1 from Favorites").arg(file)
                                     : QStringLiteral("Add %1 to Favorites").arg(file));
    const QString pack = packName();
    _artwork->setAccessibleName(QStringLiteral("Artwork of %1").arg(pack.isEmpty() ? file : pack));
    _waveform->setAccessibleName(QStringLiteral("Waveform of %1").arg(file));
    _durationLabel->setAccessibleDescription(QStringLiteral("Duration"));
    _keyLabel->setAccessibleDescription(QStringLiteral("Key"));
    _tempoLabel->setAccessibleDescription(QStringLiteral("BPM"));
}

void SVSampleCell::updateArtwork() {
    if (!_content.artwork.isNull()) {
        // Decorations come at the row's size; anything else is scaled here.
        const QSizeF shown = _content.artwork.deviceIndependentSize();
        if (qFuzzyCompare(shown.width(), 40.0) && qFuzzyCompare(shown.height(), 40.0))
            _artwork->setPixmap(_content.artwork);
        else
            _artwork->setPixmap(_content.artwork.scaled(40, 40, Qt::KeepAspectRatioByExpanding,
                                                        Qt::SmoothTransformation));
        return;
    }
    const QPixmap& avatar = _content.selected ? _content.selectedAvatar : _content.avatar;
    if (!avatar.isNull()) {
        _artwork->setPixmap(avatar);
        return;
    }
    _artwork->setPixmap(sampleAvatar(packName(), _content.selected));
}

void SVSampleCell::updateTexts() {
    _durationLabel->setText(durationText(_content.sample));
    _keyLabel->setText(QString::fromStdString(SVDisplayKey(_content.sample)));
    _tempoLabel->setText(tempoText(_content.sample));
    const QFontMetrics metrics(_name->font());
    _name->setText(metrics.elidedText(QString::fromStdString(_content.sample.filename),
                                      Qt::ElideMiddle, std::max(_name->width() - 2, 20)));
}

void SVSampleCell::layoutCompact(int w, int h) {
    if (!_content.compact)
        return;
    _selectionBox->hide();
    _waveform->hide();
    _keyLabel->hide();
    _tempoLabel->hide();
    const int mid = h / 2;
    _play->setGeometry(8, mid - 14, 28, 28);
    _artwork->setGeometry(44, mid - 20, 40, 40);
    _name->setGeometry(94, mid - 19, std::max(w - 246, 80), 20);
    _metadata->setGeometry(94, mid + 2, std::max(w - 250, 80), 18);
    _durationLabel->setGeometry(w - 142, mid - 10, 50, 20);
    _favorite->setGeometry(w - 82, mid - 14, 28, 28);
    _durationLabel->show();
    updateTexts();
}

void SVSampleCell::layoutFull(int w, int h) {
    if (_content.compact)
        return;
    const SVSampleColumns c = sampleColumns(w);
    const int mid = h / 2;
    _selectionBox->setGeometry(8, mid - 9, 18, 18);
    _play->setGeometry(32, mid - 14, 28, 28);
    _favorite->setGeometry(64, mid - 14, 28, 28);
    _artwork->setGeometry(100, mid - 20, 40, 40);
    _name->setGeometry(c.nameX, mid - 19, std::max(c.nameWidth - 8, 0), 20);
    _metadata->setGeometry(c.nameX, mid + 2, std::max(c.nameWidth - 8, 0), 18);
    _waveform->setGeometry(c.waveformX, 6, c.waveformWidth, std::max(h - 12, 0));
    _durationLabel->setGeometry(c.durationX, mid - 10, std::max(c.durationWidth - 8, 0), 20);
    _keyLabel->setGeometry(c.keyX, mid - 10, std::max(c.keyWidth - 8, 0), 20);
    _tempoLabel->setGeometry(c.tempoX, mid - 10, std::max(c.tempoWidth - 8, 0), 20);
    _selectionBox->show();
    _waveform->setVisible(c.waveformWidth > 0);
    _durationLabel->show();
    _keyLabel->setVisible(c.keyWidth > 0);
    _tempoLabel->setVisible(c.tempoWidth > 0);
    updateTexts();
}

void SVSampleCell::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (_content.compact)
        layoutCompact(width(), height());
    else
        layoutFull(width(), height());
}

void SVSampleCell::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = Qt::transparent;
    if (_content.selected) {
        fill = SVTheme::selectedColor(SVTheme::kAccent);
        fill.setAlphaF(0.22f);
    } else if (_hovered) {
        fill = SVTheme::grey(1.0, 0.05);
    }
    if (fill.alpha() > 0) {
        QPainterPath shape;
        shape.addRoundedRect(QRectF(rect()).adjusted(2, 2, -2, -2), 8, 8);
        painter.fillPath(shape, fill);
    }
    painter.setPen(SVTheme::grey(1.0, 0.05));
    painter.drawLine(QPointF(12, height() - 0.5), QPointF(width() - 12, height() - 0.5));
}

// The browser decides which cell shows the hover look (keyboard navigation suppresses it).
void SVSampleCell::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    emit hoverEntered(this);
}

void SVSampleCell::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    setHovered(false);
    emit hoverExited(this);
}

void SVSampleCell::mouseMoveEvent(QMouseEvent* event) {
    QWidget::mouseMoveEvent(event);
    emit hoverMoved(this);
}

SVMetadataLink* SVSampleCell::metadataLinkAt(QPoint cellPosition) const {
    for (SVMetadataLink* link : _links) {
        if (link->isVisible() &&
            link->geometry().translated(_metadata->pos()).contains(cellPosition))
            return link;
    }
    return nullptr;
}
