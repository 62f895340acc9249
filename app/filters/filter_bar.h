#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <array>
#include <exception>
#include <functional>
#include <optional>
#include <set>
#include <string>

#include "app/filters/filter_choices.h"
#include "app/filters/filter_value_cache.h"
#include "app/results/browse_scope.h"
#include "core/search/search_query.h"

namespace sv {
class Database;
}

class QMenu;
class SVChipFlowLayout;
class SVFilterChip;
class SVFilterSuggestions;
class SVQuickFilters;
class SVResultsBrowser;

// The filter bar above the results: the five filter chips (index = tag; the Type chip is never
// shown), their suggestion lists and menus, the custom tempo, and the quick filter rows below
// them. Choosing a value only changes the browser's filter values and refreshes from page 0;
// the query itself belongs to the results browser.
class SVFilterBar : public QWidget {
    Q_OBJECT
  public:
    using CustomBpmPrompt = std::function<std::optional<QString>()>;

    SVFilterBar(sv::Database& db, SVResultsBrowser& browser, QWidget* parent = nullptr);
    ~SVFilterBar() override;

    // A chip was pressed: reads its values under the current place, then opens the suggestion
    // list (Instruments, Genres) or the menu (Type, BPM, Key).
    void filterPressed(int tag);
    // A value for a chip, from its list, its menu, a quick filter or a row's metadata link.
    void filterChosen(int chip, const QString& value);
    void updateGenreChip();
    void resetIndividualFilter(int tag);
    // Every chip back to "All"; the sort, the search text and the place stay.
    void clearFilters();
    // Shows the chips that apply to the sidebar category, after every change of place.
    void updateFilterContext();
    void layoutFilterChips();
    // Redraws the chips in the colours of the theme chosen in the settings.
    void applySelectedTheme();

    // The place the chips' values are read under (Favorites, folder, playlist, category).
    sv::SearchQuery contextQuery() const;
    SVFilterValues filterValues() const;

    SVFilterChip* filter(int index) const;
    const std::array<SVFilterChip*, SVFilterChoices::kChipCount>& filters() const {
        return _filters;
    }
    const std::set<std::string>& selectedGenres() const { return _selectedGenres; }
    // The open suggestion list and menu, if any.
    SVFilterSuggestions* filterPopover() const;
    QMenu* filterMenu() const;
    SVQuickFilters* quickFilters() const { return _quickFilters; }
    SVResultsBrowser& browser() const { return _browser; }
    sv::Database& database() const { return _db; }
    SVFilterValueCache& valueCache() { return _valueCache; }
    QWidget* chipRow() const { return _chipRow; }
    // The lines the visible chips take at the bar's width.
    int chipLineCount() const;

    // Shows a catalogue error on the status line.
    void showError(const std::exception& error);

    // For tests and other front ends: how the custom tempo is asked for, and the beep.
    void setCustomBpmPrompt(CustomBpmPrompt prompt) { _customBpmPrompt = std::move(prompt); }
    void setBeep(std::function<void()> beep) { _beep = std::move(beep); }

  private:
    void showSuggestions(SVFilterChip* chip);
    void showMenu(SVFilterChip* chip);
    bool tempoOffered(const QString& choice);
    void chooseCustomBpm();
    void applyFilters();
    void beep();

    sv::Database& _db;
    SVResultsBrowser& _browser;
    std::array<SVFilterChip*, SVFilterChoices::kChipCount> _filters{};
    std::set<std::string> _selectedGenres;
    QPointer<SVFilterSuggestions> _filterPopover;
    QPointer<QMenu> _filterMenu;
    QWidget* _chipRow = nullptr;
    SVChipFlowLayout* _chipFlow = nullptr;
    SVQuickFilters* _quickFilters = nullptr;
    SVFilterValueCache _valueCache;
    CustomBpmPrompt _customBpmPrompt;
    std::function<void()> _beep;
};
