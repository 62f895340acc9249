#include "app/scans/scan_orchestration.h"

#include <QAbstractItemView>
#include <QFileDialog>
#include <QMessageBox>
#include <QMetaObject>
#include <QPushButton>
#include <QUrl>

#include "core/catalogue/database.h"
#include "core/scanning/library_scanner.h"

SVScanOrchestration::SVScanOrchestration(sv::Database& db, sv::LibraryScanner& scanner,
                                         QObject* parent)
    : QObject(parent), _db(db), _scanner(scanner) {
    qRegisterMetaType<sv::ScanJobResult>("sv::ScanJobResult");
}

SVScanOrchestration::~SVScanOrchestration() {
    stopAndWait();
}

void SVScanOrchestration::addLibrary(QWidget* dialogParent) {
    QFileDialog dialog(dialogParent);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    // The platform's own dialog picks one folder only; Qt's own allows several.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    if (auto* view = dialog.findChild<QAbstractItemView*>(QStringLiteral("listView")))
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    if (auto* tree = dialog.findChild<QAbstractItemView*>(QStringLiteral("treeView")))
        tree->setSelectionMode(QAbstractItemView::ExtendedSelection);
    if (dialog.exec() != QDialog::Accepted)
        return;
    handleDroppedURLs(dialog.selectedFiles());
}

void SVScanOrchestration::handleDroppedURLs(const QStringList& folders) {
    std::vector<std::filesystem::path> locations;
    locations.reserve(static_cast<std::size_t>(folders.size()));
    for (const QString& folder : folders) {
        const QUrl url(folder);
        const QString path = url.isLocalFile() ? url.toLocalFile() : folder;
        if (!path.isEmpty())
            locations.emplace_back(path.toStdString());
    }
    scanRoots(locations, false);
}

void SVScanOrchestration::rescan(int tag, const std::vector<sv::Library>& libraries) {
    if (tag < 0 || static_cast<std::size_t>(tag) >= libraries.size())
        return;
    scanRoots({std::filesystem::path(libraries[static_cast<std::size_t>(tag)].path)}, true);
}

bool SVScanOrchestration::remove(int tag, const std::vector<sv::Library>& libraries,
                                 QWidget* dialogParent) {
    if (tag < 0 || static_cast<std::size_t>(tag) >= libraries.size())
        return false;
    bool confirmed = false;
    if (_confirmRemoval) {
        confirmed = _confirmRemoval();
    } else {
        QMessageBox alert(dialogParent);
        alert.setText(QStringLiteral("Remove this library from SampleVorlan?"));
        alert.setInformativeText(
            QStringLiteral("Only the index will be removed. Your original files will not be "
                           "changed."));
        QPushButton* removeButton =
            alert.addButton(QStringLiteral("Remove from SampleVorlan"), QMessageBox::AcceptRole);
        alert.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
        alert.setDefaultButton(removeButton);
        alert.exec();
        confirmed = alert.clickedButton() == removeButton;
    }
    if (!confirmed)
        return false;
    try {
        _db.removeLibrary(libraries[static_cast<std::size_t>(tag)].id);
    } catch (const std::exception& error) {
        QMessageBox::warning(dialogParent, QStringLiteral("Remove"),
                             QString::fromUtf8(error.what()));
        return false;
    }
    emit libraryRemoved();
    return true;
}

void SVScanOrchestration::scanRoots(const std::vector<std::filesystem::path>& locations,
                                    bool force) {
    if (_maintenanceScanning) {
        emit statusText(QString::fromUtf8(sv::kScanAlreadyRunningText));
        return;
    }
    const std::vector<std::filesystem::path> roots = sv::scanJobRoots(locations);
    if (roots.empty())
        return;
    joinWorker();
    _maintenanceScanning = true;
    _stop = false;
    emit maintenanceScanningChanged(true);
    emit statusText(QString::fromStdString(sv::scanStartText(roots.size(), force)));
    // The destructor joins the worker, so `this` outlives it; queued progress and the queued
    // completion are dropped when the orchestration is gone by the time the main thread would
    // run them. Both are queued from the worker, so progress never lands after the completion.
    _worker = std::thread([this, roots, force] {
        sv::ScanProgressThrottle progress(
            [this](std::size_t files, const std::string& lastPath) {
                const QString text =
                    QString::fromStdString(sv::scanProgressText(sv::folderNameOf(lastPath), files));
                QMetaObject::invokeMethod(
                    this, [this, text] { showProgress(text); }, Qt::QueuedConnection);
            },
            kProgressInterval);
        sv::ScanJobResult result = sv::runScanJob(_scanner, roots, force, progress.callback(),
                                                  &_stop, sv::LibraryScanner::ProgressEvery::Batch);
        QMetaObject::invokeMethod(
            this, [this, result = std::move(result)] { finishJob(result); }, Qt::QueuedConnection);
    });
}

void SVScanOrchestration::showProgress(const QString& text) {
    if (_maintenanceScanning)
        emit statusText(text);
}

void SVScanOrchestration::finishJob(const sv::ScanJobResult& result) {
    joinWorker();
    _maintenanceScanning = false;
    emit maintenanceScanningChanged(false);
    emit scanFinished(result);
    emit statusText(QString::fromStdString(sv::scanCompletionText(result)));
}

void SVScanOrchestration::stopAndWait() {
    _stop = true;
    joinWorker();
}

void SVScanOrchestration::joinWorker() {
    if (_worker.joinable())
        _worker.join();
}
