#include "app/menus/organising_actions.h"

#include "core/catalogue/database.h"

SVOrganisingActions::SVOrganisingActions(sv::Database& db, QObject* parent)
    : QObject(parent), _db(db) {}

SVAlertAnswer SVOrganisingActions::runAlert(const SVAlert& alert) const {
    return _runAlert ? _runAlert(alert) : runModalAlert(nullptr, alert);
}

void SVOrganisingActions::showError(const QString& title, const QString& text) const {
    runAlert(errorAlert(title, text));
}

bool SVOrganisingActions::applyTypeOverride(const std::vector<std::int64_t>& sampleIds,
                                            std::optional<sv::SampleType> type) {
    try {
        const std::vector<std::int64_t> existing = _db.existingSampleIds(sampleIds);
        if (existing.empty())
            return false;
        _db.setTypeOverride(existing, type);
    } catch (const std::exception& error) {
        showError(QString::fromUtf8(kTypeErrorTitle), QString::fromUtf8(error.what()));
        return false;
    }
    emit samplesChanged();
    return true;
}

bool SVOrganisingActions::confirmFolderOperation(const QString& verb, std::int64_t count) const {
    if (count < kConfirmationThreshold)
        return true;
    SVAlert alert;
    alert.message = QStringLiteral("%1 %2 samples?").arg(verb).arg(static_cast<qulonglong>(count));
    alert.informativeText = QStringLiteral(
        "This recursively updates every indexed sample in the selected folder in one database "
        "transaction.");
    alert.buttons = {QStringLiteral("Continue"), QStringLiteral("Cancel")};
    return runAlert(alert).accepted();
}

bool SVOrganisingActions::runFolderOperation(const std::string& folder, const QString& verb,
                                             bool includeMidi, const char* errorTitle,
                                             const std::function<void()>& operation) {
    if (folder.empty())
        return false;
    try {
        if (!confirmFolderOperation(verb, _db.countFolderUpdateRows(folder, includeMidi)))
            return false;
        operation();
    } catch (const std::exception& error) {
        showError(QString::fromUtf8(errorTitle), QString::fromUtf8(error.what()));
        return false;
    }
    emit samplesChanged();
    return true;
}

bool SVOrganisingActions::applyFolderType(const std::string& folder,
                                          std::optional<sv::SampleType> type) {
    // Folder types never touch MIDI files, so they are not counted.
    return runFolderOperation(folder, QStringLiteral("Update"), false, kFolderTypeErrorTitle,
                              [&] { _db.setFolderTypeOverride(folder, type); });
}

bool SVOrganisingActions::applyFolderInstrument(const std::string& folder,
                                                std::optional<std::string> instrument) {
    return runFolderOperation(
        folder, QStringLiteral("Update"), true, kFolderInstrumentErrorTitle,
        [&] { _db.setFolderInstrumentOverride(folder, std::move(instrument)); });
}

bool SVOrganisingActions::applyFolderGenre(const std::string& folder, const std::string& genre,
                                           bool add) {
    if (genre.empty())
        return false;
    return runFolderOperation(
        folder, add ? QStringLiteral("Add genre to") : QStringLiteral("Remove genre from"), true,
        kFolderGenresErrorTitle, [&] { _db.setFolderGenreOverride(folder, genre, add); });
}
