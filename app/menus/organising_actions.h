#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/menus/alert.h"
#include "core/records/sample_type.h"

namespace sv {
class Database;
}

// Corrections of what the inference found: the type of chosen samples, and the type,
// instrument or genres of everything below a folder. Each acts on the ids or the folder path
// captured when its menu opened, asks before changing 500 samples or more, shows a failure in
// an alert with its own title, and asks for a results refresh after a change. The catalogue
// rolls a failed change back whole, so nothing half-applied remains.
class SVOrganisingActions : public QObject {
    Q_OBJECT
  public:
    static constexpr std::int64_t kConfirmationThreshold = 500;
    static constexpr const char* kTypeErrorTitle = "Couldn’t change sample type";
    static constexpr const char* kFolderTypeErrorTitle = "Couldn’t update folder type";
    static constexpr const char* kFolderInstrumentErrorTitle = "Couldn’t update folder instrument";
    static constexpr const char* kFolderGenresErrorTitle = "Couldn’t update folder genres";

    explicit SVOrganisingActions(sv::Database& db, QObject* parent = nullptr);

    void setAlertRunner(SVAlertRunner runner) { _runAlert = std::move(runner); }
    SVAlertAnswer runAlert(const SVAlert& alert) const;
    // An alert whose message is the title and whose informative text is the error's.
    void showError(const QString& title, const QString& text) const;

    // Ids that no longer exist are skipped; none left changes nothing. An empty type clears.
    bool applyTypeOverride(const std::vector<std::int64_t>& sampleIds,
                           std::optional<sv::SampleType> type);
    bool applyFolderType(const std::string& folder, std::optional<sv::SampleType> type);
    bool applyFolderInstrument(const std::string& folder, std::optional<std::string> instrument);
    // Adds the genre as a folder genre below the folder, or removes the folder genres of that
    // name (never inferred ones).
    bool applyFolderGenre(const std::string& folder, const std::string& genre, bool add);

    // Fewer than 500 rows go ahead; otherwise "<verb> <count> samples?" with "Continue" and
    // "Cancel", going ahead on "Continue".
    bool confirmFolderOperation(const QString& verb, std::int64_t count) const;

  signals:
    // The catalogue changed: the results show it after a refresh.
    void samplesChanged();

  private:
    // Counts the rows the operation changes, confirms, runs it; a failure of any step is shown
    // under `errorTitle`.
    bool runFolderOperation(const std::string& folder, const QString& verb, bool includeMidi,
                            const char* errorTitle, const std::function<void()>& operation);

    sv::Database& _db;
    SVAlertRunner _runAlert;
};
