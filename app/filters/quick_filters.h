#pragma once

#include <QPointer>
#include <QVariantAnimation>
#include <QWidget>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "app/theme/theme.h"

class QGraphicsOpacityEffect;
class QLabel;
class QPushButton;
class SVChipFlowLayout;
class SVFilterBar;
class SVFilterChip;

// The quick filters under the chips: a "Genres:" row and an "Instruments:" row of small chips,
// one per value of the current place, and "Clear Filters". They slide and fade in and out with
// the "Quick Filter" button and follow every refresh while shown.
class SVQuickFilters : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kMotionMilliseconds = 180;

    SVQuickFilters(SVFilterBar& bar, QWidget* parent = nullptr);
    ~SVQuickFilters() override;

    // "Quick Filter  ▼"; the bar places it after the chips.
    QPushButton* quickFilterButton() const { return _quickFilterButton; }
    QPushButton* clearFiltersButton() const { return _clearFiltersButton; }

    // Creates the two rows (once); until then updates do nothing.
    void buildQuickFilters();
    // Rebuilds the rows from the catalogue's values under the current place. Runs at the start
    // of every refresh; rows hidden at the time catch up when they are shown. Throws what the
    // catalogue throws.
    void updateQuickFilters();
    void toggleQuickFilters();
    // A quick filter button: chooses its value for its chip, or "All" when it is chosen already.
    void quickFilterChosen(SVFilterChip* button);
    void applyThemePalette(const SVTheme::Palette& palette);

    bool quickFiltersRevealed() const { return _quickFiltersRevealed; }
    std::uint64_t quickFilterMotionGeneration() const { return _quickFilterMotionGeneration; }
    bool rowsBuilt() const { return _rowsBuilt; }
    bool moving() const { return _motion.state() == QAbstractAnimation::Running; }
    // The buttons of the Genres row (chip 4) or the Instruments row (chip 1).
    std::vector<SVFilterChip*> buttons(int chip) const;
    QLabel* rowLabel(int chip) const;
    QLabel* emptyLabel(int chip) const;

  private:
    struct Row {
        int chip = 0;
        std::string field;
        QLabel* label = nullptr;
        QWidget* area = nullptr;
        SVChipFlowLayout* flow = nullptr;
        QLabel* empty = nullptr;
        std::vector<QPointer<SVFilterChip>> buttons;
        // What the row shows: each value with its selected look.
        std::vector<std::pair<std::string, bool>> shown;
        bool built = false;
    };

    void buildRow(Row& row, const QString& title, int line);
    void updateRow(Row& row, const SVTheme::Palette& palette);
    bool isSelected(int chip, const std::string& value) const;
    const Row* rowFor(int chip) const;
    void finishMotion(std::uint64_t generation);
    int naturalHeight() const;

    SVFilterBar& _bar;
    QPushButton* _quickFilterButton;
    QPushButton* _clearFiltersButton;
    Row _genres;
    Row _instruments;
    bool _rowsBuilt = false;
    bool _quickFiltersRevealed = false;
    bool _stale = true;
    std::uint64_t _quickFilterMotionGeneration = 0;
    QVariantAnimation _motion;
    double _progress = 0.0;
    int _motionHeight = 0;
    SVTheme::Palette _palette;
    QPointer<QGraphicsOpacityEffect> _fade;
};
