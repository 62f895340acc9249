#include "app/filters/filter_chip.h"

#include <QEnterEvent>
#include <QFontMetrics>
#include <QIcon>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int kRegularHeight = 30;
constexpr int kSmallHeight = 24;
constexpr int kPadding = 12;
constexpr int kSmallPadding = 10;
constexpr int kResetSide = 16;
constexpr int kChevronWidth = 10;
constexpr double kRadius = 8.0;

// The theme's "chevron.down", when the desktop's icon theme has one.
const QIcon& chevronIcon() {
    static const QIcon icon = QIcon::fromTheme(QStringLiteral("pan-down-symbolic"),
                                               QIcon::fromTheme(QStringLiteral("go-down")));
    return icon;
}

void setChipFont(QPushButton* chip, int pixelSize) {
    QFont font = chip->font();
    font.setPixelSize(pixelSize);
    font.setWeight(QFont::Medium);
    chip->setFont(font);
}

// The small round "×" inside a chip; drawn here so that it follows the chip's colours.
class ChipResetButton : public QPushButton {
  public:
    explicit ChipResetButton(QWidget* parent) : QPushButton(QStringLiteral("×"), parent) {
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::TabFocus);
        setFixedSize(kResetSide, kResetSide);
    }
    void setTextColor(const QColor& color) {
        _color = color;
        update();
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor fill = _color;
        fill.setAlphaF(underMouse() || isDown() ? 0.28f : 0.14f);
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawEllipse(QRectF(rect()).adjusted(1, 1, -1, -1));
        if (hasFocus()) {
            painter.setPen(QPen(_color, 1.2));
            painter.setBrush(Qt::NoBrush);
            painter.drawEllipse(QRectF(rect()).adjusted(0.6, 0.6, -0.6, -0.6));
        }
        // The cross, drawn as two strokes so that it sits centred whatever the font.
        painter.setPen(QPen(_color, 1.4, Qt::SolidLine, Qt::RoundCap));
        const QPointF c = QRectF(rect()).center();
        const double r = 3.2;
        painter.drawLine(c + QPointF(-r, -r), c + QPointF(r, r));
        painter.drawLine(c + QPointF(-r, r), c + QPointF(r, -r));
    }

  private:
    QColor _color = Qt::white;
};

}  // namespace

SVFilterChip::SVFilterChip(const QString& filterName, const QStringList& choices, int tag,
                           QWidget* parent)
    : QPushButton(parent),
      _filterName(filterName),
      _choices(choices),
      _tag(tag),
      _palette(SVTheme::selectedPalette()) {
    setFlat(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
    setChipFont(this, 12);
    setAccessibleDescription(QStringLiteral("Open filter"));
    auto* reset = new ChipResetButton(this);
    const QString clear = QStringLiteral("Clear %1").arg(filterName);
    reset->setToolTip(clear);
    reset->setAccessibleName(clear);
    reset->hide();
    _resetButton = reset;
    connect(reset, &QPushButton::clicked, this, [this] { emit resetPressed(_tag); });
    showValue(QStringLiteral("All"));
}

SVFilterChip::SVFilterChip(const QString& value, int tag, const SVTheme::Palette& palette,
                           QWidget* parent)
    : QPushButton(parent),
      _filterName(value),
      _selectedValue(value),
      _preservesTitle(true),
      _showsChevron(false),
      _tag(tag),
      _size(Size::Small),
      _palette(palette) {
    setFlat(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
    setChipFont(this, 11);
    setToolTip(QStringLiteral("Filter by %1").arg(value));
    setTitle(value);
}

void SVFilterChip::showValue(const QString& value) {
    _selectedValue = value;
    _appearanceSelected = value != QLatin1String("All");
    if (_resetButton)
        _resetButton->setVisible(_appearanceSelected);
    if (!_preservesTitle)
        setTitle(_appearanceSelected ? value + QStringLiteral("    ") : _filterName);
    setThemePalette(SVTheme::selectedPalette());
}

void SVFilterChip::setTitle(const QString& title) {
    setText(title);
    setAccessibleName(title.trimmed());
    updateGeometry();
    placeResetButton();
    update();
}

void SVFilterChip::setAppearanceSelected(bool selected) {
    _appearanceSelected = selected;
    update();
}

void SVFilterChip::setThemePalette(const SVTheme::Palette& palette) {
    _palette = palette;
    if (auto* reset = static_cast<ChipResetButton*>(_resetButton))
        reset->setTextColor(_appearanceSelected ? _palette[SVTheme::kSelectedChipText]
                                                : SVTheme::grey(0.84));
    update();
}

int SVFilterChip::textWidth() const {
    return QFontMetrics(font()).horizontalAdvance(text().trimmed());
}

QSize SVFilterChip::sizeHint() const {
    const bool small = _size == Size::Small;
    const int padding = small ? kSmallPadding : kPadding;
    int width = padding + textWidth() + padding;
    if (_resetButton && !_resetButton->isHidden())
        width += 4 + kResetSide;
    if (_showsChevron)
        width += 6 + kChevronWidth;
    return {width, small ? kSmallHeight : kRegularHeight};
}

void SVFilterChip::placeResetButton() {
    if (!_resetButton)
        return;
    const int padding = _size == Size::Small ? kSmallPadding : kPadding;
    _resetButton->move(padding + textWidth() + 4, (height() - kResetSide) / 2);
}

void SVFilterChip::resizeEvent(QResizeEvent* event) {
    QPushButton::resizeEvent(event);
    placeResetButton();
}

void SVFilterChip::enterEvent(QEnterEvent* event) {
    _hovering = true;
    update();
    QPushButton::enterEvent(event);
}

void SVFilterChip::leaveEvent(QEvent* event) {
    _hovering = false;
    update();
    QPushButton::leaveEvent(event);
}

void SVFilterChip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor chip = _palette[SVTheme::kChipBackground];
    const QColor fill = _appearanceSelected ? _palette[SVTheme::kSelectedChipBackground]
                        : _hovering         ? SVTheme::blendedTowardsWhite(chip, 0.11)
                                            : chip;
    const QColor border =
        _appearanceSelected ? _palette[SVTheme::kSelectedChipBorder] : SVTheme::grey(0.23);
    const QColor textColor =
        _appearanceSelected ? _palette[SVTheme::kSelectedChipText] : SVTheme::grey(0.84);

    const QRectF outline = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    shape.addRoundedRect(outline, kRadius, kRadius);
    painter.fillPath(shape, fill);
    painter.setPen(QPen(hasFocus() ? _palette[SVTheme::kAccent] : border, hasFocus() ? 1.5 : 1.0));
    painter.drawPath(shape);

    const bool small = _size == Size::Small;
    const int padding = small ? kSmallPadding : kPadding;
    painter.setPen(textColor);
    painter.setFont(font());
    const QRect textRect(padding, 0, textWidth() + 1, height());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, text().trimmed());

    if (!_showsChevron)
        return;
    const QRectF chevron(width() - padding - kChevronWidth, (height() - kChevronWidth) / 2.0,
                         kChevronWidth, kChevronWidth);
    if (!chevronIcon().isNull()) {
        chevronIcon().paint(&painter, chevron.toAlignedRect());
        return;
    }
    painter.setPen(QPen(textColor, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const double midY = chevron.center().y();
    painter.drawPolyline(QPolygonF{QPointF(chevron.left() + 1, midY - 2),
                                   QPointF(chevron.center().x(), midY + 2.5),
                                   QPointF(chevron.right() - 1, midY - 2)});
}
