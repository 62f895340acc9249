#include "app/filters/filter_bar.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMetaObject>
#include <QVBoxLayout>

#include "app/filters/chip_flow_layout.h"
#include "app/filters/custom_bpm_alert.h"
#include "app/filters/filter_chip.h"
#include "app/filters/filter_suggestions.h"
#include "app/filters/quick_filters.h"
#include "app/results/results_browser.h"
#include "core/catalogue/database.h"
#include "core/search/search_sql.h"

using namespace SVFilterChoices;

SVFilterBar::SVFilterBar(sv::Database& db, SVResultsBrowser& browser, QWidget* parent)
    : QWidget(parent), _db(db), _browser(browser) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    _chipRow = new QWidget(this);
    _chipFlow = new SVChipFlowLayout(_chipRow, 8, 8);
    for (int tag = 0; tag < kChipCount; ++tag) {
        auto* chip = new SVFilterChip(chipName(tag), initialChoices(tag), tag, _chipRow);
        _filters[static_cast<std::size_t>(tag)] = chip;
        _chipFlow->addWidget(chip);
        connect(chip, &QPushButton::clicked, this, [this, tag] { filterPressed(tag); });
        connect(chip, &SVFilterChip::resetPressed, this, &SVFilterBar::resetIndividualFilter);
    }
    _quickFilters = new SVQuickFilters(*this, this);
    _chipFlow->addWidget(_quickFilters->quickFilterButton());
    layout->addWidget(_chipRow);
    layout->addWidget(_quickFilters);
    _filters[kType]->hide();
    updateFilterContext();
}

SVFilterBar::~SVFilterBar() = default;

SVFilterChip* SVFilterBar::filter(int index) const {
    if (index < 0 || index >= kChipCount)
        return nullptr;
    return _filters[static_cast<std::size_t>(index)];
}

SVFilterSuggestions* SVFilterBar::filterPopover() const {
    return _filterPopover;
}

QMenu* SVFilterBar::filterMenu() const {
    return _filterMenu;
}

sv::SearchQuery SVFilterBar::contextQuery() const {
    return SVFilterChoices::contextQuery(_browser.scope());
}

SVFilterValues SVFilterBar::filterValues() const {
    SVFilterValues values;
    values.instrument = _filters[kInstruments]->selectedValue().toStdString();
    values.bpm = _filters[kBpm]->selectedValue().toStdString();
    values.key = _filters[kKey]->selectedValue().toStdString();
    values.selectedGenres = _selectedGenres;
    return values;
}

void SVFilterBar::showError(const std::exception& error) {
    _browser.setStatusText(QString::fromUtf8(error.what()));
}

void SVFilterBar::filterPressed(int tag) {
    SVFilterChip* chip = filter(tag);
    if (!chip)
        return;
    try {
        const std::string field = suggestionField(tag);
        if (!field.empty())
            chip->setChoices(chipChoices(tag, _valueCache.values(_db, field, contextQuery())));
        if (tag == kInstruments || tag == kGenres)
            showSuggestions(chip);
        else
            showMenu(chip);
    } catch (const std::exception& error) {
        showError(error);
    }
}

void SVFilterBar::showSuggestions(SVFilterChip* chip) {
    if (_filterPopover)
        _filterPopover->close();
    if (_filterMenu)
        _filterMenu->close();
    const int tag = chip->tag();
    auto* popover =
        new SVFilterSuggestions(chip->choices(), chip->filterName(), chip->selectedValue(), this);
    popover->setSelectionHandler([this, tag](const QString& value) { filterChosen(tag, value); });
    _filterPopover = popover;
    popover->showAttachedTo(chip);
}

// A fixed tempo is offered when the place holds samples within its window.
bool SVFilterBar::tempoOffered(const QString& choice) {
    bool number = false;
    const int bpm = choice.toInt(&number);
    if (!number)
        return true;
    sv::SearchQuery query = contextQuery();
    query.bpm = bpm;
    return _valueCache.anyMatching(_db, query);
}

void SVFilterBar::showMenu(SVFilterChip* chip) {
    if (_filterPopover)
        _filterPopover->close();
    if (_filterMenu)
        _filterMenu->close();
    const int tag = chip->tag();
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setAccessibleName(chip->filterName());
    for (const QString& choice : chip->choices()) {
        QAction* item = menu->addAction(choice);
        item->setCheckable(true);
        const bool current = tag == kGenres ? _selectedGenres.count(choice.toStdString()) > 0
                                            : choice == chip->selectedValue();
        item->setChecked(current);
        if (tag == kBpm)
            item->setEnabled(tempoOffered(choice));
        // After the menu has closed: a chosen "Custom…" opens an alert of its own.
        connect(item, &QAction::triggered, this, [this, tag, choice] {
            QMetaObject::invokeMethod(
                this, [this, tag, choice] { filterChosen(tag, choice); }, Qt::QueuedConnection);
        });
    }
    _filterMenu = menu;
    menu->popup(chip->mapToGlobal(QPoint(0, chip->height() + 4)));
}

void SVFilterBar::filterChosen(int chip, const QString& value) {
    SVFilterChip* target = filter(chip);
    if (!target)
        return;
    if (chip == kGenres) {
        _selectedGenres.clear();
        if (value != QLatin1String(kAll))
            _selectedGenres.insert(value.toStdString());
        updateGenreChip();
        applyFilters();
        return;
    }
    if (chip == kBpm && value == QString::fromUtf8(kCustomBpm)) {
        chooseCustomBpm();
        return;
    }
    target->showValue(value);
    applyFilters();
}

void SVFilterBar::chooseCustomBpm() {
    const std::optional<QString> entered =
        _customBpmPrompt ? _customBpmPrompt() : SVCustomBpmAlert::ask(window());
    if (!entered)
        return;
    const std::optional<int> bpm = customBpm(*entered);
    if (!bpm) {
        beep();
        return;
    }
    _filters[kBpm]->showValue(QString::asprintf("%d", *bpm));
    applyFilters();
}

void SVFilterBar::beep() {
    if (_beep)
        _beep();
    else
        QApplication::beep();
}

void SVFilterBar::applyFilters() {
    _browser.setFilterValues(filterValues());
    _browser.resetPageAndRefresh();
}

void SVFilterBar::updateGenreChip() {
    SVFilterChip* genres = _filters[kGenres];
    if (_selectedGenres.empty()) {
        genres->showValue(QString::fromLatin1(kAll));
        return;
    }
    QString title = QString::fromStdString(*_selectedGenres.begin());
    if (_selectedGenres.size() > 1)
        title = QStringLiteral("%1 +%2").arg(title).arg(
            static_cast<qulonglong>(_selectedGenres.size() - 1));
    genres->showValue(title);
}

void SVFilterBar::resetIndividualFilter(int tag) {
    filterChosen(tag, QString::fromLatin1(kAll));
}

void SVFilterBar::clearFilters() {
    for (SVFilterChip* chip : _filters)
        chip->showValue(QString::fromLatin1(kAll));
    _selectedGenres.clear();
    applyFilters();
}

void SVFilterBar::updateFilterContext() {
    const SVBrowseScope& scope = _browser.scope();
    const bool oneShot = scope.sectionType == "One Shot";
    const bool midi = scope.sectionType == "MIDI";
    _filters[kType]->setVisible(false);
    _filters[kInstruments]->setVisible(!midi);
    _filters[kBpm]->setVisible(!oneShot);
    _filters[kKey]->setVisible(!oneShot);
    _filters[kGenres]->setVisible(true);
    // The library list has no samples to narrow. (A bar not yet placed would show as a window.)
    if (parentWidget() && isHidden() != scope.libraryMode)
        setVisible(!scope.libraryMode);
    layoutFilterChips();
}

void SVFilterBar::layoutFilterChips() {
    _chipFlow->invalidate();
    _chipRow->updateGeometry();
    updateGeometry();
}

int SVFilterBar::chipLineCount() const {
    return _chipFlow->lineCount(_chipRow->width());
}

void SVFilterBar::applySelectedTheme() {
    const SVTheme::Palette palette = SVTheme::selectedPalette();
    for (SVFilterChip* chip : _filters)
        chip->setThemePalette(palette);
    _quickFilters->applyThemePalette(palette);
}
