#include "app/filters/inline_metadata.h"

#include <exception>

#include "app/filters/filter_bar.h"
#include "app/filters/filter_choices.h"
#include "app/results/results_browser.h"

SVInlineMetadata::SVInlineMetadata(SVFilterBar& bar, QObject* parent)
    : QObject(parent), _bar(bar) {}

void SVInlineMetadata::openInlineMetadata(const QString& role, const QString& value,
                                          const QString& packPath) {
    try {
        if (role == QLatin1String("pack")) {
            const bool shown =
                _navigateToFolder && !packPath.isEmpty() && _navigateToFolder(packPath);
            if (!shown)
                _bar.browser().setStatusText(QStringLiteral("Pack is no longer available"));
        } else if (role == QLatin1String("type")) {
            if (_selectCategory &&
                (value == QLatin1String("Loop") || value == QLatin1String("One Shot") ||
                 value == QLatin1String("MIDI")))
                _selectCategory(value);
        } else if (!value.isEmpty() && role == QLatin1String("instrument")) {
            _bar.filterChosen(SVFilterChoices::kInstruments, value);
        } else if (!value.isEmpty() && role == QLatin1String("genre")) {
            _bar.filterChosen(SVFilterChoices::kGenres, value);
        }
    } catch (const std::exception& error) {
        _bar.showError(error);
    }
}
