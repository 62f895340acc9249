#include "app/filters/quick_filters.h"

#include <QApplication>
#include <QGraphicsOpacityEffect>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include <exception>

#include "app/filters/chip_flow_layout.h"
#include "app/filters/filter_bar.h"
#include "app/filters/filter_chip.h"
#include "app/filters/filter_choices.h"
#include "app/results/results_browser.h"

using namespace SVFilterChoices;

namespace {

QString css(const QColor& color) {
    return color.name(QColor::HexArgb);
}

bool reduceMotion() {
    return !QApplication::isEffectEnabled(Qt::UI_General);
}

// Core Animation's ease-out: a cubic Bézier from (0, 0) through (0.58, 1) to (1, 1).
QEasingCurve easeOut() {
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0.0, 0.0), QPointF(0.58, 1.0), QPointF(1.0, 1.0));
    return curve;
}

QString buttonStyle(const SVTheme::Palette& palette, int height) {
    return QStringLiteral(
               "QPushButton { color: %1; background: %2; border: 1px solid %3; border-radius: "
               "8px; padding: 0 12px; font-size: 12px; font-weight: 500; min-height: %7px; "
               "max-height: %7px; }"
               "QPushButton:hover { background: %4; }"
               "QPushButton:focus { border-color: %8; }"
               "QPushButton:checked { color: %5; background: %6; border-color: %9; }")
        .arg(css(SVTheme::grey(0.84)), css(palette[SVTheme::kChipBackground]),
             css(SVTheme::grey(0.23)),
             css(SVTheme::blendedTowardsWhite(palette[SVTheme::kChipBackground], 0.11)),
             css(palette[SVTheme::kSelectedChipText]),
             css(palette[SVTheme::kSelectedChipBackground]))
        .arg(height - 2)
        .arg(css(palette[SVTheme::kAccent]), css(palette[SVTheme::kSelectedChipBorder]));
}

QLabel* makeRowLabel(const QString& title, QWidget* parent) {
    auto* label = new QLabel(title, parent);
    QPalette colours = label->palette();
    colours.setColor(QPalette::WindowText, SVTheme::grey(0.6));
    label->setPalette(colours);
    QFont font = label->font();
    font.setPixelSize(12);
    font.setWeight(QFont::DemiBold);
    label->setFont(font);
    label->setFixedHeight(24);
    return label;
}

}  // namespace

SVQuickFilters::SVQuickFilters(SVFilterBar& bar, QWidget* parent)
    : QWidget(parent),
      _bar(bar),
      _quickFilterButton(new QPushButton(QStringLiteral("Quick Filter  ▼"), this)),
      _clearFiltersButton(new QPushButton(QStringLiteral("Clear Filters"), this)),
      _palette(SVTheme::selectedPalette()) {
    _genres.chip = kGenres;
    _genres.field = "genre";
    _instruments.chip = kInstruments;
    _instruments.field = "instrument";

    _quickFilterButton->setToolTip(QStringLiteral("Show the Genres and Instruments quick filters"));
    _quickFilterButton->setCheckable(true);
    _quickFilterButton->setCursor(Qt::PointingHandCursor);
    _clearFiltersButton->setCursor(Qt::PointingHandCursor);
    applyThemePalette(_palette);
    connect(_quickFilterButton, &QPushButton::clicked, this, [this] {
        toggleQuickFilters();
        // The click already flipped the check mark; the revealed state decides it.
        _quickFilterButton->setChecked(_quickFiltersRevealed);
    });
    connect(_clearFiltersButton, &QPushButton::clicked, &_bar, &SVFilterBar::clearFilters);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(8);
    grid->setColumnStretch(1, 1);
    grid->addWidget(_clearFiltersButton, 0, 2, Qt::AlignTop | Qt::AlignRight);

    _motion.setDuration(kMotionMilliseconds);
    _motion.setEasingCurve(easeOut());
    connect(&_motion, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        _progress = value.toDouble();
        setMaximumHeight(static_cast<int>(_progress * _motionHeight + 0.5));
        if (_fade)
            _fade->setOpacity(_progress);
    });
    hide();
}

SVQuickFilters::~SVQuickFilters() = default;

void SVQuickFilters::applyThemePalette(const SVTheme::Palette& palette) {
    _palette = palette;
    _quickFilterButton->setStyleSheet(buttonStyle(palette, 30));
    _clearFiltersButton->setStyleSheet(buttonStyle(palette, 24));
    for (Row* row : {&_genres, &_instruments}) {
        for (const QPointer<SVFilterChip>& button : row->buttons) {
            if (button)
                button->setThemePalette(palette);
        }
    }
}

void SVQuickFilters::buildQuickFilters() {
    if (_rowsBuilt)
        return;
    buildRow(_genres, QStringLiteral("Genres:"), 0);
    buildRow(_instruments, QStringLiteral("Instruments:"), 1);
    _rowsBuilt = true;
    _stale = true;
}

void SVQuickFilters::buildRow(Row& row, const QString& title, int line) {
    auto* grid = static_cast<QGridLayout*>(layout());
    row.label = makeRowLabel(title, this);
    row.area = new QWidget(this);
    row.flow = new SVChipFlowLayout(row.area, 6, 6);
    row.empty = new QLabel(QStringLiteral("No suggestions in this selection"), row.area);
    QPalette colours = row.empty->palette();
    colours.setColor(QPalette::WindowText, SVTheme::grey(0.5));
    row.empty->setPalette(colours);
    row.empty->setFixedHeight(24);
    row.empty->hide();
    row.flow->addWidget(row.empty);
    grid->addWidget(row.label, line, 0, Qt::AlignTop | Qt::AlignLeft);
    grid->addWidget(row.area, line, 1);
}

bool SVQuickFilters::isSelected(int chip, const std::string& value) const {
    if (chip == kGenres)
        return _bar.selectedGenres().count(value) > 0;
    const SVFilterChip* filter = _bar.filter(chip);
    return filter &&
           filter->selectedValue().compare(QString::fromStdString(value), Qt::CaseInsensitive) == 0;
}

void SVQuickFilters::updateQuickFilters() {
    if (!_rowsBuilt)
        return;
    if (!_quickFiltersRevealed || _bar.browser().scope().libraryMode) {
        _stale = true;
        return;
    }
    // Stays stale when the catalogue fails half way.
    _stale = true;
    updateRow(_genres, _palette);
    updateRow(_instruments, _palette);
    _stale = false;
}

void SVQuickFilters::updateRow(Row& row, const SVTheme::Palette& palette) {
    const std::vector<std::string> values = quickFilterValues(
        row.chip, _bar.valueCache().values(_bar.database(), row.field, _bar.contextQuery()));
    std::vector<std::pair<std::string, bool>> shown;
    shown.reserve(values.size());
    for (const std::string& value : values)
        shown.emplace_back(value, isSelected(row.chip, value));
    // The same buttons would be made again: a page flip or a search leaves the row as it is.
    if (row.built && shown == row.shown)
        return;
    for (const QPointer<SVFilterChip>& button : row.buttons) {
        if (!button)
            continue;
        row.flow->removeWidget(button);
        button->hide();
        button->deleteLater();
    }
    row.buttons.clear();
    for (const auto& [value, selected] : shown) {
        const QString text = QString::fromStdString(value);
        auto* button = new SVFilterChip(text, row.chip, palette, row.area);
        button->setTitle(quickFilterTitle(text) + (selected ? QStringLiteral(" ×") : QString()));
        button->setAppearanceSelected(selected);
        connect(button, &QPushButton::clicked, this, [this, button] { quickFilterChosen(button); });
        row.flow->addWidget(button);
        button->show();
        row.buttons.emplace_back(button);
    }
    row.empty->setVisible(shown.empty());
    row.shown = std::move(shown);
    row.built = true;
    row.flow->invalidate();
    updateGeometry();
}

void SVQuickFilters::quickFilterChosen(SVFilterChip* button) {
    if (!button)
        return;
    const int chip = button->tag();
    const QString value = button->selectedValue();
    if (isSelected(chip, value.toStdString()))
        _bar.filterChosen(chip, QString::fromLatin1(kAll));
    else
        _bar.filterChosen(chip, value);
}

int SVQuickFilters::naturalHeight() const {
    int width = this->width();
    if (width <= 0)
        width = _bar.width();
    QLayout* grid = layout();
    return grid->hasHeightForWidth() ? grid->totalHeightForWidth(width)
                                     : grid->totalSizeHint().height();
}

void SVQuickFilters::toggleQuickFilters() {
    _quickFiltersRevealed = !_quickFiltersRevealed;
    const std::uint64_t generation = ++_quickFilterMotionGeneration;
    _quickFilterButton->setChecked(_quickFiltersRevealed);
    if (_quickFiltersRevealed) {
        buildQuickFilters();
        try {
            if (_stale)
                updateQuickFilters();
        } catch (const std::exception& error) {
            _bar.showError(error);
        }
    }
    _motion.stop();
    if (reduceMotion()) {
        _progress = _quickFiltersRevealed ? 1.0 : 0.0;
        finishMotion(generation);
        return;
    }
    if (!_fade) {
        _fade = new QGraphicsOpacityEffect(this);
        _fade->setOpacity(_progress);
        setGraphicsEffect(_fade);
    }
    _motionHeight = naturalHeight();
    setMaximumHeight(static_cast<int>(_progress * _motionHeight + 0.5));
    show();
    _motion.setStartValue(_progress);
    _motion.setEndValue(_quickFiltersRevealed ? 1.0 : 0.0);
    QObject::disconnect(&_motion, &QVariantAnimation::finished, nullptr, nullptr);
    connect(&_motion, &QVariantAnimation::finished, this,
            [this, generation] { finishMotion(generation); });
    _motion.start();
}

void SVQuickFilters::finishMotion(std::uint64_t generation) {
    if (generation != _quickFilterMotionGeneration)
        return;
    // The effect draws the rows through an image of their own: only while they move.
    setGraphicsEffect(nullptr);
    if (_quickFiltersRevealed) {
        setMaximumHeight(QWIDGETSIZE_MAX);
        show();
    } else {
        hide();
        setMaximumHeight(QWIDGETSIZE_MAX);
    }
}

const SVQuickFilters::Row* SVQuickFilters::rowFor(int chip) const {
    if (chip == kGenres)
        return &_genres;
    if (chip == kInstruments)
        return &_instruments;
    return nullptr;
}

std::vector<SVFilterChip*> SVQuickFilters::buttons(int chip) const {
    std::vector<SVFilterChip*> result;
    if (const Row* row = rowFor(chip)) {
        for (const QPointer<SVFilterChip>& button : row->buttons) {
            if (button)
                result.push_back(button);
        }
    }
    return result;
}

QLabel* SVQuickFilters::rowLabel(int chip) const {
    const Row* row = rowFor(chip);
    return row ? row->label : nullptr;
}

QLabel* SVQuickFilters::emptyLabel(int chip) const {
    const Row* row = rowFor(chip);
    return row ? row->empty : nullptr;
}
