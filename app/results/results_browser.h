#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVariantAnimation>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "app/results/browse_scope.h"
#include "app/results/refresh_job.h"
#include "app/results/result_count_cache.h"
#include "app/results/row_decoration.h"
#include "core/browse/pagination_controller.h"
#include "core/records/library.h"
#include "core/records/sample.h"
#include "core/scanning/mount_table.h"
#include "core/search/search_query.h"

namespace sv {
class Database;
}

class SVResultsTable;
class SVSampleCell;
class SVLibraryCell;
class SVSearchWorker;

// The column titles over the full row presentation, with the three sort buttons.
class SVResultsHeader : public QWidget {
    Q_OBJECT
  public:
    explicit SVResultsHeader(QWidget* parent = nullptr);
    void layoutForWidth(int rowWidth);
    void setSortDirections(std::int64_t filename, std::int64_t time, std::int64_t bpm);

    QPushButton* filenameButton() const { return _filename; }
    QPushButton* timeButton() const { return _time; }
    QPushButton* bpmButton() const { return _bpm; }
    QLabel* waveformLabel() const { return _waveform; }
    QLabel* keyLabel() const { return _key; }

  private:
    QPushButton* _filename;
    QLabel* _waveform;
    QPushButton* _time;
    QLabel* _key;
    QPushButton* _bpm;
};

// The central table of the window: search field, status line, page buttons, column header,
// one page of 50 rows (samples, or the libraries in the Libraries view) and the view shown
// over an empty catalogue. Every change of state ends in a refresh from the catalogue.
class SVResultsBrowser : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kPageSize = 50;

    explicit SVResultsBrowser(sv::Database& db, QWidget* parent = nullptr);
    ~SVResultsBrowser() override;

    sv::SearchQuery query() const;
    // Rebuilds the page from the catalogue before returning.
    void refresh();
    // The same refresh with the catalogue work on the search worker: the page shown stays until
    // the new one replaces it, and a result overtaken by a later refresh is dropped. The search
    // field's pause runs this one, so that typing never waits for the catalogue.
    void refreshInBackground();
    // Whether a background refresh has been started and its result not yet shown or dropped.
    bool refreshInProgress() const { return _backgroundGeneration.has_value(); }
    // Brings the catalogue's in-memory search index up to date on the search worker.
    void prepareSearchInBackground();
    // Stops the search worker for good (before the catalogue goes away).
    void stopBackgroundWork();
    void refreshCompletingBrowserTransition();
    void refreshResultsWithBrowserTransition();
    void resetPageAndRefresh();
    void refreshForSortPreservingCurrentSample();
    void requestPageDelta(int delta);
    void previousPage();
    void nextPage();
    void beginBrowserPaginationTransition();
    void completeBrowserPaginationTransition();
    void filenameSortPressed();
    void timeSortPressed();
    void bpmSortPressed();
    bool hasActiveSort() const;
    void clearSearch();
    void focusSearch();
    void toggleFavorite(int row);
    void preindexVisibleWaveforms();
    // Keyboard navigation hides the hover look until the mouse moves again.
    void suppressSampleHoverForKeyboardNavigation();
    // Re-derives the hovered cell from the mouse position.
    void reconcileSampleHover();
    SVSampleCell* hoveredSampleCell() const;
    bool sampleHoverSuppressed() const { return _sampleHoverSuppressed; }
    void waveformCacheUpdated(const QString& path);
    void waveformDurationUpdated(const QString& path, double duration);

    // Compact presentation exactly in layout mode 0.
    void setLayoutMode(int mode);
    int layoutMode() const { return _layoutMode; }
    // A new browsing location (another section, view, folder or playlist) starts a new browse
    // context; searching, filtering, sorting and paging keep it.
    void setScope(const SVBrowseScope& scope);
    std::uint64_t browseContextGeneration() const { return _browseContextGeneration; }
    const SVBrowseScope& scope() const { return _scope; }
    void setFilterValues(const SVFilterValues& filters) { _filters = filters; }
    const SVFilterValues& filterValues() const { return _filters; }
    // The sample the player has loaded (its id), for sorted navigation and kept selections.
    void setLoadedSampleId(std::optional<std::int64_t> id) { _loadedSampleId = id; }
    void setSortedNavigationIndex(std::optional<std::int64_t> index) {
        _sortedNavigationIndex = index;
    }
    // The loaded sample and whether its player plays, for the rows' play buttons.
    void setPlayingSample(std::int64_t id, bool playing);
    // Stores a favourite flag changed elsewhere in its row, if the row is on this page.
    void setRowFavorite(std::int64_t sampleId, bool favorite);
    // Moves to `page` with an unknown page count (the refresh follows separately).
    void resetPagination(std::int64_t page);
    // Receives "refresh-begin" and "refresh-end" for the diagnostics.
    void setNavigationEventRecorder(std::function<void(const QString&)> recorder) {
        _recordNavigationEvent = std::move(recorder);
    }
    void setDiagnosticSource(std::function<QString()> source) {
        _diagnosticSource = std::move(source);
    }
    void setMaintenanceScanning(bool scanning) { _maintenanceScanning = scanning; }
    // Gives each sample row its pack link and artwork; without one rows show the library name
    // and a letter avatar.
    void setRowDecorationProvider(SVRowDecorationProvider provider) {
        _rowDecorations = std::move(provider);
    }
    // Asks the provider again for the rows on screen (artwork arrived or changed).
    void redecorateRows();
    // Decides which library rows show as offline. Without one, each row's folder is looked at
    // when the row is made, on this thread.
    void setLibraryOfflineTest(std::function<bool(const sv::Library&)> test) {
        _libraryOfflineTest = std::move(test);
    }
    void setStatusText(const QString& text);
    // Puts a control at the end of the search bar (the layout switch, for one).
    void addSearchBarAccessory(QWidget* accessory);
    // Places the filter bar between the search bar and the status line.
    void setFilterBar(QWidget* bar);
    // Runs at the start of every refresh, before the catalogue is asked (the quick filters
    // follow the place there); what it throws ends the refresh like a catalogue error.
    void setRefreshBeginHook(std::function<void()> hook) { _refreshBeginHook = std::move(hook); }
    // Places the breadcrumb trail between the status line and the column header.
    void setBreadcrumbBar(QWidget* bar);
    // The name of the place shown (a section, a folder, a playlist), told to screen readers
    // with the results.
    void setResultsTitle(const QString& title);
    QString resultsTitle() const { return _resultsTitle; }

    // State, read by the window and the tests.
    const std::vector<sv::Sample>& rows() const { return _rows; }
    const std::vector<sv::Library>& libraries() const { return _libs; }
    std::int64_t page() const { return _page; }
    std::int64_t lastAppliedResultsPage() const { return _lastAppliedResultsPage; }
    void setPage(std::int64_t page) { _page = page; }
    bool hasNextPage() const { return _hasNextPage; }
    int currentIndex() const { return _currentIndex; }
    std::int64_t sortedNavigationTotal() const { return _sortedNavigationTotal; }
    std::optional<std::int64_t> sortedNavigationIndex() const { return _sortedNavigationIndex; }
    bool pageTransitionScheduled() const { return _pageTransitionScheduled; }
    std::uint64_t queryGeneration() const { return _queryGeneration; }
    QString statusText() const { return _status->text(); }
    QString pageLabelText() const { return _pageLabel->text(); }
    QPushButton* previousButton() const { return _previous; }
    QPushButton* nextButton() const { return _next; }
    QWidget* paginationGroup() const { return _paginationGroup; }
    QWidget* emptyView() const { return _emptyView; }
    QLineEdit* searchField() const { return _searchField; }
    // The search field's rounded container.
    QWidget* searchBar() const { return _searchBar; }
    QPushButton* clearButton() const { return _clearButton; }
    SVResultsHeader* header() const { return _header; }
    SVResultsTable* table() const { return _table; }
    QPushButton* downloadLink() const { return _downloadLink; }
    SVSampleCell* sampleCellForRow(int row) const;
    SVLibraryCell* libraryCellForRow(int row) const;

  signals:
    // A row's play button, name or a click on the row: the player gives these behaviour.
    void previewRequested(int row);
    void seekRowWaveform(int row, double value);
    void previewRowWaveform(int row);
    void favoriteChanged(std::int64_t sampleId, bool favorite);
    void metadataLinkActivated(const QString& role, const QString& value, const QString& path);
    void addLibraryRequested();
    void rescanRequested(int row);
    void removeRequested(int row);
    // A refresh begins (the breadcrumb and the quick filters follow the new state).
    void refreshStarting();
    void refreshed();
    // A requested page has been applied (after its refresh); `delta` is the request's.
    void pageApplied(int delta);
    // A page request came to nothing, or paging was reset: a waiting cross-page move ends.
    void pendingPageSelectionCleared();

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    QWidget* buildSearchBar();
    QWidget* buildStatusRow();
    QWidget* buildEmptyView();
    std::unique_ptr<QWidget> makeCell(int row, QWidget* parent);
    void searchTextChanged(const QString& text);
    void requestUnknownDurations();
    void sortPressed(std::int64_t& direction);
    void updateHeaderTitles();
    void layoutHeader();
    void layoutEmptyView();
    void tableClicked(int row, Qt::KeyboardModifiers modifiers);
    void selectionDidChange();
    std::uint64_t beginRefresh();
    SVRefreshJob refreshJob(std::uint64_t generation) const;
    void showSampleResults(const SVRefreshResult& result);
    void finishRefresh(double started);
    void backgroundRefreshFinished(SVRefreshResult&& result);
    void recordSlowSteps(const SVRefreshResult& result) const;
    void recordStale(double started, std::uint64_t generation) const;
    void updateStatusTexts(std::int64_t total);
    void updatePaginationControls();
    void synchronizePagination();
    bool libraryOffline(const sv::Library& library) const;
    void recordNavigationEvent(const QString& event) const;
    void updateHoveredSampleCell(SVSampleCell* cell);

    sv::Database& _db;
    SVBrowseScope _scope;
    SVFilterValues _filters;
    std::optional<std::int64_t> _loadedSampleId;
    std::uint64_t _browseContextGeneration = 0;
    std::int64_t _playingSampleId = 0;
    bool _playingSampleActive = false;
    std::function<void(const QString&)> _recordNavigationEvent;
    std::function<QString()> _diagnosticSource;
    SVRowDecorationProvider _rowDecorations;
    std::function<void()> _refreshBeginHook;
    bool _maintenanceScanning = false;
    std::function<bool(const sv::Library&)> _libraryOfflineTest;
    int _layoutMode = 1;

    SVResultCountCache _counts;
    std::vector<sv::Sample> _rows;
    std::vector<sv::Library> _libs;
    sv::MountTable _mounts;
    std::int64_t _page = 0;
    std::int64_t _lastAppliedResultsPage = 0;
    bool _hasNextPage = false;
    sv::PaginationController _pagination;
    std::int64_t _filenameSortDirection = 0;
    std::int64_t _timeSortDirection = 0;
    std::int64_t _bpmSortDirection = 0;
    std::uint64_t _queryGeneration = 0;
    std::uint64_t _browserTransitionGeneration = 0;
    bool _pageTransitionScheduled = false;
    bool _checkboxSelectionChange = false;
    int _currentIndex = -1;
    std::int64_t _sortedNavigationTotal = 0;
    std::optional<std::int64_t> _sortedNavigationIndex;
    QPointer<SVSampleCell> _hoveredSampleCell;
    bool _sampleHoverSuppressed = false;

    QLineEdit* _searchField = nullptr;
    QPushButton* _clearButton = nullptr;
    QLabel* _status = nullptr;
    QWidget* _paginationGroup = nullptr;
    QPushButton* _previous = nullptr;
    QLabel* _pageLabel = nullptr;
    QPushButton* _next = nullptr;
    QPushButton* _downloadLink = nullptr;
    SVResultsHeader* _header = nullptr;
    SVResultsTable* _table = nullptr;
    QWidget* _emptyView = nullptr;
    QWidget* _searchBar = nullptr;
    QString _resultsTitle = QStringLiteral("All Samples");
    QTimer _searchDebounce;
    QVariantAnimation _fade;
    SVSearchWorker* _searchWorker = nullptr;
    std::optional<std::uint64_t> _backgroundGeneration;
    double _backgroundStarted = 0.0;
};
