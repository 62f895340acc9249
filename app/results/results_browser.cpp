#include "app/results/results_browser.h"

#include <QApplication>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QResizeEvent>
#include <QScrollBar>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>
#include <stdexcept>

#include "app/accessibility/accessible_controls.h"
#include "app/results/library_cell.h"
#include "app/results/results_table.h"
#include "app/results/sample_cell.h"
#include "app/results/search_worker.h"
#include "app/results/waveform_view.h"
#include "app/theme/theme.h"
#include "app/theme/theme_notifier.h"
#include "audio/playback/playhead_diagnostics.h"
#include "audio/waveforms/waveform_service.h"
#include "core/catalogue/database.h"
#include "core/scanning/library_availability.h"
#include "core/scanning/mount_table.h"

namespace {

constexpr int kSampleRowHeight = 56;
constexpr int kLibraryRowHeight = 76;
constexpr int kUnknownPageCount = sv::PaginationController::kUnknownPageCount;
// Times the named steps of a refresh while the diagnostics are on and records the slow ones.
struct RefreshTimings {
    bool enabled = false;

    template <typename Step>
    void run(const char* name, Step&& step) const {
        if (!enabled) {
            step();
            return;
        }
        const double started = SVPlayheadDiagnostics::uptime();
        step();
        const double seconds = SVPlayheadDiagnostics::uptime() - started;
        if (seconds >= 0.025)
            SVPlayheadDiagnostics::shared().record(
                QString::asprintf("refresh-slow-operation name=%s seconds=%.3f", name, seconds));
    }
};

constexpr const char* kDownloadPage = "https://orvaneproducer.com/samplevorlan/download";

QString css(const QColor& color) {
    return color.name(QColor::HexArgb);
}

bool reduceMotion() {
    return !QApplication::isEffectEnabled(Qt::UI_General);
}

QPushButton* makeHeaderButton(const QString& title, const QString& tooltip, QWidget* parent) {
    auto* button = new QPushButton(title, parent);
    button->setFlat(true);
    button->setToolTip(tooltip);
    button->setCursor(Qt::PointingHandCursor);
    button->setFocusPolicy(Qt::TabFocus);
    button->setStyleSheet(QStringLiteral("QPushButton { border: none; text-align: left; "
                                         "padding: 0; color: %1; font-size: 11px; "
                                         "font-weight: 600; }")
                              .arg(css(SVTheme::grey(0.55))));
    return button;
}

QLabel* makeHeaderLabel(const QString& title, QWidget* parent) {
    auto* label = new QLabel(title, parent);
    label->setStyleSheet(QStringLiteral("color: %1; font-size: 11px; font-weight: 600;")
                             .arg(css(SVTheme::grey(0.55))));
    return label;
}

QPushButton* makePageButton(const QString& title, QWidget* parent) {
    auto* button = new QPushButton(title, parent);
    button->setCursor(Qt::PointingHandCursor);
    button->setFocusPolicy(Qt::TabFocus);
    button->setStyleSheet(
        QStringLiteral(
            "QPushButton { color: %1; background: %2; border: 1px solid %3; border-radius: 6px; "
            "padding: 3px 10px; font-size: 12px; } QPushButton:disabled { color: %4; "
            "border-color: %5; }")
            .arg(css(SVTheme::grey(0.86)), css(SVTheme::grey(0.1)), css(SVTheme::grey(0.23)),
                 css(SVTheme::grey(0.36)), css(SVTheme::grey(0.15))));
    return button;
}

// The title with its sort state in words, for screen readers.
QString sortName(const QString& title, std::int64_t direction) {
    if (direction > 0)
        return title + QStringLiteral(", sorted ascending");
    if (direction < 0)
        return title + QStringLiteral(", sorted descending");
    return title;
}

QString sortTitle(const QString& title, std::int64_t direction) {
    if (direction > 0)
        return title + QStringLiteral("  ▲");
    if (direction < 0)
        return title + QStringLiteral("  ▼");
    return title;
}

}  // namespace

SVResultsHeader::SVResultsHeader(QWidget* parent)
    : QWidget(parent),
      _filename(
          makeHeaderButton(QStringLiteral("Filename"), QStringLiteral("Sort by filename"), this)),
      _waveform(makeHeaderLabel(QStringLiteral("Waveform"), this)),
      _time(makeHeaderButton(QStringLiteral("Time"), QStringLiteral("Sort by duration"), this)),
      _key(makeHeaderLabel(QStringLiteral("Key"), this)),
      _bpm(makeHeaderButton(QStringLiteral("BPM"), QStringLiteral("Sort by BPM"), this)) {
    setFixedHeight(24);
}

void SVResultsHeader::layoutForWidth(int rowWidth) {
    const SVSampleColumns c = sampleColumns(rowWidth);
    const int h = height();
    _filename->setGeometry(c.nameX, 0, std::max(c.nameWidth - 8, 0), h);
    _waveform->setGeometry(c.waveformX, 0, std::max(c.waveformWidth, 0), h);
    _time->setGeometry(c.durationX, 0, c.durationWidth, h);
    _key->setGeometry(c.keyX, 0, c.keyWidth, h);
    _bpm->setGeometry(c.tempoX, 0, c.tempoWidth, h);
    _waveform->setVisible(c.waveformWidth > 0);
    _key->setVisible(c.keyWidth > 0);
    _bpm->setVisible(c.tempoWidth > 0);
}

void SVResultsHeader::setSortDirections(std::int64_t filename, std::int64_t time,
                                        std::int64_t bpm) {
    _filename->setText(sortTitle(QStringLiteral("Filename"), filename));
    _time->setText(sortTitle(QStringLiteral("Time"), time));
    _bpm->setText(sortTitle(QStringLiteral("BPM"), bpm));
    _filename->setAccessibleName(sortName(QStringLiteral("Filename"), filename));
    _time->setAccessibleName(sortName(QStringLiteral("Time"), time));
    _bpm->setAccessibleName(sortName(QStringLiteral("BPM"), bpm));
}

SVResultsBrowser::SVResultsBrowser(sv::Database& db, QWidget* parent) : QWidget(parent), _db(db) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    auto* top = new QHBoxLayout;
    top->setSpacing(12);
    _searchBar = buildSearchBar();
    top->addWidget(_searchBar, 1);
    layout->addLayout(top);
    layout->addWidget(buildStatusRow());
    _header = new SVResultsHeader(this);
    layout->addWidget(_header);
    _table = new SVResultsTable(this);
    _table->setAccessibleName(QStringLiteral("Results"));
    _table->verticalScrollBar()->setAccessibleName(QStringLiteral("Scroll results"));
    layout->addWidget(_table, 1);
    _emptyView = buildEmptyView();
    _emptyView->hide();

    _table->setCellFactory([this](int row, QWidget* parent) { return makeCell(row, parent); });
    connect(_table, &SVResultsTable::rowClicked, this, &SVResultsBrowser::tableClicked);
    connect(_table, &SVResultsTable::selectionChanged, this, &SVResultsBrowser::selectionDidChange);
    connect(_table, &SVResultsTable::visibleRowsChanged, this,
            &SVResultsBrowser::reconcileSampleHover);
    connect(_header->filenameButton(), &QPushButton::clicked, this,
            &SVResultsBrowser::filenameSortPressed);
    connect(_header->timeButton(), &QPushButton::clicked, this, &SVResultsBrowser::timeSortPressed);
    connect(_header->bpmButton(), &QPushButton::clicked, this, &SVResultsBrowser::bpmSortPressed);

    _searchWorker = new SVSearchWorker(db, this);
    _searchWorker->setResultHandler(
        [this](SVRefreshResult&& result) { backgroundRefreshFinished(std::move(result)); });
    _searchDebounce.setSingleShot(true);
    _searchDebounce.setInterval(100);
    connect(&_searchDebounce, &QTimer::timeout, this, &SVResultsBrowser::refreshInBackground);

    _fade.setDuration(70);
    _fade.setEasingCurve(QEasingCurve::OutCubic);
    connect(&_fade, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& value) { _table->setOpacity(value.toDouble()); });
}

SVResultsBrowser::~SVResultsBrowser() {
    stopBackgroundWork();
}

void SVResultsBrowser::stopBackgroundWork() {
    _searchWorker->stop();
    _backgroundGeneration.reset();
}

void SVResultsBrowser::prepareSearchInBackground() {
    _searchWorker->prepareIndex();
}

QWidget* SVResultsBrowser::buildSearchBar() {
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("searchContainer"));
    bar->setAttribute(Qt::WA_StyledBackground);
    SVTheme::bindStyleSheet(bar, [] {
        return QStringLiteral(
                   "#searchContainer { background: %1; border: 1px solid %2; "
                   "border-radius: 10px; }")
            .arg(css(SVTheme::selectedColor(SVTheme::kChipBackground)), css(SVTheme::grey(0.2)));
    });
    bar->setFixedHeight(40);
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(12, 0, 8, 0);
    layout->setSpacing(8);
    auto* glass = new QLabel(QStringLiteral("⌕"), bar);
    glass->setAccessibleDescription(QStringLiteral("Search"));
    glass->setStyleSheet(
        QStringLiteral("color: %1; font-size: 18px;").arg(css(SVTheme::grey(0.55))));
    _searchField = new QLineEdit(bar);
    // Text set through the accessibility interface is typed, so it searches as typing does.
    SVAccessibility::setEditsAsTyping(_searchField);
    _searchField->setFrame(false);
    _searchField->setPlaceholderText(QStringLiteral("Search samples…"));
    _searchField->setAccessibleName(QStringLiteral("Search samples"));
    _searchField->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; color: %1; "
                                               "font-size: 14px; border: none; }")
                                    .arg(css(SVTheme::grey(0.94))));
    _clearButton = new QPushButton(QStringLiteral("✕"), bar);
    _clearButton->setFlat(true);
    _clearButton->setToolTip(QStringLiteral("Clear search"));
    _clearButton->setAccessibleName(QStringLiteral("Clear search"));
    _clearButton->setCursor(Qt::PointingHandCursor);
    _clearButton->setFocusPolicy(Qt::TabFocus);
    _clearButton->setStyleSheet(QStringLiteral("QPushButton { border: none; color: %1; "
                                               "font-size: 13px; }")
                                    .arg(css(SVTheme::grey(0.6))));
    _clearButton->hide();
    auto* hint = new QLabel(QStringLiteral("Ctrl+F"), bar);
    hint->setToolTip(QStringLiteral("Press Ctrl+F to search"));
    hint->setStyleSheet(QStringLiteral("color: %1; font-size: 11px; border: 1px solid %2; "
                                       "border-radius: 4px; padding: 1px 5px;")
                            .arg(css(SVTheme::grey(0.5)), css(SVTheme::grey(0.25))));
    layout->addWidget(glass);
    layout->addWidget(_searchField, 1);
    layout->addWidget(_clearButton);
    layout->addWidget(hint);
    connect(_searchField, &QLineEdit::textEdited, this, &SVResultsBrowser::searchTextChanged);
    connect(_clearButton, &QPushButton::clicked, this, &SVResultsBrowser::clearSearch);
    return bar;
}

QWidget* SVResultsBrowser::buildStatusRow() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(4, 0, 0, 0);
    layout->setSpacing(8);
    _status = new QLabel(row);
    _status->setStyleSheet(
        QStringLiteral("color: %1; font-size: 12px;").arg(css(SVTheme::grey(0.62))));
    _status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    _status->setMinimumWidth(80);
    _downloadLink = new QPushButton(QStringLiteral("Download the latest version"), row);
    _downloadLink->setFlat(true);
    _downloadLink->setCursor(Qt::PointingHandCursor);
    SVTheme::bindStyleSheet(_downloadLink, [] {
        return QStringLiteral(
                   "QPushButton { border: none; color: %1; "
                   "font-size: 12px; } QPushButton:hover { "
                   "color: %2; text-decoration: underline; }")
            .arg(css(SVTheme::selectedColor(SVTheme::kAccent)),
                 css(SVTheme::blendedTowardsWhite(SVTheme::selectedColor(SVTheme::kAccent), 0.12)));
    });
    _downloadLink->hide();
    connect(_downloadLink, &QPushButton::clicked, this,
            [] { QDesktopServices::openUrl(QUrl(QString::fromLatin1(kDownloadPage))); });
    _paginationGroup = new QWidget(row);
    auto* pages = new QHBoxLayout(_paginationGroup);
    pages->setContentsMargins(0, 0, 0, 0);
    pages->setSpacing(8);
    _previous = makePageButton(QStringLiteral("‹ Previous"), _paginationGroup);
    _previous->setAccessibleName(QStringLiteral("Previous Page"));
    _pageLabel = new QLabel(QStringLiteral("Page 1 of 1"), _paginationGroup);
    _pageLabel->setStyleSheet(
        QStringLiteral("color: %1; font-size: 12px;").arg(css(SVTheme::grey(0.7))));
    _next = makePageButton(QStringLiteral("Next ›"), _paginationGroup);
    _next->setAccessibleName(QStringLiteral("Next Page"));
    _previous->setEnabled(false);
    _next->setEnabled(false);
    pages->addWidget(_previous);
    pages->addWidget(_pageLabel);
    pages->addWidget(_next);
    connect(_previous, &QPushButton::clicked, this, &SVResultsBrowser::previousPage);
    connect(_next, &QPushButton::clicked, this, &SVResultsBrowser::nextPage);
    layout->addWidget(_status, 1);
    layout->addWidget(_downloadLink);
    layout->addWidget(_paginationGroup);
    return row;
}

QWidget* SVResultsBrowser::buildEmptyView() {
    auto* view = new QWidget(this);
    view->setObjectName(QStringLiteral("emptyLibraryView"));
    view->setAttribute(Qt::WA_StyledBackground);
    SVTheme::bindStyleSheet(view, [] {
        return QStringLiteral(
                   "#emptyLibraryView { background: %1; border: 1px dashed "
                   "%2; border-radius: 16px; }")
            .arg(css(SVTheme::selectedColor(SVTheme::kBackground)), css(SVTheme::grey(0.22)));
    });
    auto* layout = new QVBoxLayout(view);
    layout->setSpacing(10);
    layout->addStretch(1);
    auto* brand = new QLabel(QStringLiteral("SAMPLEVORLAN"), view);
    brand->setStyleSheet(
        QStringLiteral("color: white; font-size: 30px; font-weight: 800; "
                       "letter-spacing: 4px;"));
    auto* tagline = new QLabel(QStringLiteral("Find every sample on your computer."), view);
    tagline->setStyleSheet(
        QStringLiteral("color: %1; font-size: 16px;").arg(css(SVTheme::grey(0.82))));
    auto* hint =
        new QLabel(QStringLiteral("Drag your sample folders here, or add them manually."), view);
    hint->setStyleSheet(
        QStringLiteral("color: %1; font-size: 13px;").arg(css(SVTheme::grey(0.55))));
    auto* add = new QPushButton(QStringLiteral("Add Sample Folder"), view);
    add->setObjectName(QStringLiteral("emptyAddSampleFolder"));
    add->setCursor(Qt::PointingHandCursor);
    SVTheme::bindStyleSheet(add, [] {
        return QStringLiteral(
                   "QPushButton { color: white; background: %1; border: none; "
                   "border-radius: 8px; padding: 8px 18px; font-size: 13px; "
                   "font-weight: 600; }")
            .arg(css(SVTheme::selectedColor(SVTheme::kAccent)));
    });
    connect(add, &QPushButton::clicked, this, &SVResultsBrowser::addLibraryRequested);
    for (QWidget* widget : {static_cast<QWidget*>(brand), static_cast<QWidget*>(tagline),
                            static_cast<QWidget*>(hint)})
        layout->addWidget(widget, 0, Qt::AlignHCenter);
    layout->addSpacing(8);
    layout->addWidget(add, 0, Qt::AlignHCenter);
    layout->addStretch(1);
    return view;
}

sv::SearchQuery SVResultsBrowser::query() const {
    sv::SearchQuery q;
    q.text = _searchField->text().toStdString();
    q.limit = kPageSize;
    q.offset = static_cast<std::int32_t>(_page * kPageSize);
    q.favoritesOnly = _scope.favoriteMode;
    q.folder = _scope.folderScope;
    q.playlistId = _scope.playlistId;
    q.sortByName = _filenameSortDirection != 0;
    q.nameDescending = _filenameSortDirection < 0;
    q.sortByDuration = _timeSortDirection != 0;
    q.durationDescending = _timeSortDirection < 0;
    q.sortByBpm = _bpmSortDirection != 0;
    q.bpmDescending = _bpmSortDirection < 0;
    if (_filters.instrument != "All")
        q.instrument = _filters.instrument;
    if (_filters.bpm != "All") {
        bool ok = false;
        const int bpm = QString::fromStdString(_filters.bpm).toInt(&ok);
        if (ok)
            q.bpm = bpm;
    }
    if (_filters.key != "All")
        q.key = _filters.key;
    q.genres.assign(_filters.selectedGenres.begin(), _filters.selectedGenres.end());
    if (!_scope.sectionType.empty())
        q.type = _scope.sectionType;
    q.hideMidi = _scope.sectionType.empty();
    return q;
}

// Step one of every refresh: a new query generation.
std::uint64_t SVResultsBrowser::beginRefresh() {
    emit refreshStarting();
    const std::uint64_t generation = ++_queryGeneration;
    recordNavigationEvent(QStringLiteral("refresh-begin"));
    if (_refreshBeginHook)
        RefreshTimings{SVPlayheadDiagnostics::shared().enabled()}.run("update-quick-filters",
                                                                      _refreshBeginHook);
    return generation;
}

SVRefreshJob SVResultsBrowser::refreshJob(std::uint64_t generation) const {
    SVRefreshJob job;
    job.generation = generation;
    job.query = query();
    job.page = _page;
    job.pageSize = kPageSize;
    job.sorted = hasActiveSort();
    job.loadedSampleId = _loadedSampleId;
    return job;
}

void SVResultsBrowser::refresh() {
    const bool timed = SVPlayheadDiagnostics::shared().enabled();
    const RefreshTimings timings{timed};
    const double started = timed ? SVPlayheadDiagnostics::uptime() : 0.0;
    try {
        const std::uint64_t generation = beginRefresh();
        if (_scope.libraryMode) {
            timings.run("query-libraries", [this] {
                _libs = _db.libraries();
                if (!_libraryOfflineTest)
                    _mounts = sv::MountTable::read();
            });
            _emptyView->hide();
            _status->setText(QStringLiteral("%1 imported root folders  •  Double-click a library "
                                            "name to rename it.")
                                 .arg(static_cast<qulonglong>(_libs.size())));
            _hasNextPage = false;
        } else {
            const SVRefreshResult result = refreshJob(generation).run(_db, _counts);
            recordSlowSteps(result);
            if (result.error)
                throw std::runtime_error(*result.error);
            if (_queryGeneration != generation) {
                recordStale(started, generation);
                return;
            }
            showSampleResults(result);
        }
        finishRefresh(started);
    } catch (const std::exception& error) {
        _status->setText(QString::fromUtf8(error.what()));
        if (timed)
            SVPlayheadDiagnostics::shared().record(
                QString::asprintf("refresh-duration seconds=%.3f outcome=exception error=%s",
                                  SVPlayheadDiagnostics::uptime() - started, error.what()));
    }
}

void SVResultsBrowser::refreshInBackground() {
    if (_scope.libraryMode) {
        refreshCompletingBrowserTransition();
        return;
    }
    const bool timed = SVPlayheadDiagnostics::shared().enabled();
    _backgroundStarted = timed ? SVPlayheadDiagnostics::uptime() : 0.0;
    try {
        const std::uint64_t generation = beginRefresh();
        _backgroundGeneration = generation;
        _searchWorker->post(refreshJob(generation));
    } catch (const std::exception& error) {
        _status->setText(QString::fromUtf8(error.what()));
        completeBrowserPaginationTransition();
    }
}

void SVResultsBrowser::backgroundRefreshFinished(SVRefreshResult&& result) {
    // An older job's result: a newer background refresh will end the transition.
    if (!_backgroundGeneration || result.generation != *_backgroundGeneration)
        return;
    _backgroundGeneration.reset();
    const bool timed = SVPlayheadDiagnostics::shared().enabled();
    try {
        recordSlowSteps(result);
        if (result.generation != _queryGeneration) {
            // A refresh on the spot overtook it and already shows its own result.
            recordStale(_backgroundStarted, result.generation);
        } else if (result.error) {
            _status->setText(QString::fromStdString(*result.error));
            if (timed)
                SVPlayheadDiagnostics::shared().record(QString::asprintf(
                    "refresh-duration seconds=%.3f outcome=exception error=%s",
                    SVPlayheadDiagnostics::uptime() - _backgroundStarted, result.error->c_str()));
        } else {
            showSampleResults(result);
            finishRefresh(_backgroundStarted);
        }
    } catch (const std::exception& error) {
        _status->setText(QString::fromUtf8(error.what()));
    }
    completeBrowserPaginationTransition();
}

// Steps five and six of a sample refresh: the rows, the sorted position, the page and the
// texts.
void SVResultsBrowser::showSampleResults(const SVRefreshResult& result) {
    _page = result.page;
    _rows = result.rows;
    if (hasActiveSort()) {
        _sortedNavigationTotal = result.total;
        _sortedNavigationIndex = result.sortedNavigationIndex;
    } else {
        _sortedNavigationTotal = 0;
        _sortedNavigationIndex.reset();
    }
    _lastAppliedResultsPage = _page;
    _hasNextPage = _page * kPageSize + kPageSize < result.total;
    _emptyView->setVisible(!result.holdsSamples);
    updateStatusTexts(result.total);
    SVWaveformView::beginPreloadGeneration();
    requestUnknownDurations();
}

// Steps seven to nine: the table, header, pagination and waveforms; then `refreshed`.
void SVResultsBrowser::finishRefresh(double started) {
    const bool timed = SVPlayheadDiagnostics::shared().enabled();
    const RefreshTimings timings{timed};
    _hoveredSampleCell = nullptr;
    timings.run("reload-and-layout-results", [this] {
        _table->reloadData(static_cast<int>(_scope.libraryMode ? _libs.size() : _rows.size()),
                           _scope.libraryMode ? kLibraryRowHeight : kSampleRowHeight);
        layoutHeader();
        layoutEmptyView();
    });
    QTimer::singleShot(0, this, [this] {
        layoutHeader();
        reconcileSampleHover();
    });
    if (!_scope.libraryMode && !_rows.empty())
        _table->scrollToRow(0);
    recordNavigationEvent(QStringLiteral("refresh-end"));
    timings.run("layout-pagination", [this] { updatePaginationControls(); });
    if (!_scope.libraryMode)
        timings.run("preindex-waveforms", [this] { preindexVisibleWaveforms(); });
    if (timed)
        SVPlayheadDiagnostics::shared().record(QString::asprintf(
            "refresh-duration seconds=%.3f outcome=complete source=%s rows=%lu",
            SVPlayheadDiagnostics::uptime() - started,
            _diagnosticSource ? _diagnosticSource().toUtf8().constData() : "all",
            static_cast<unsigned long>(_scope.libraryMode ? _libs.size() : _rows.size())));
    emit refreshed();
}

void SVResultsBrowser::recordSlowSteps(const SVRefreshResult& result) const {
    if (!SVPlayheadDiagnostics::shared().enabled())
        return;
    for (const auto& [name, seconds] : result.stepSeconds)
        if (seconds >= 0.025)
            SVPlayheadDiagnostics::shared().record(
                QString::asprintf("refresh-slow-operation name=%s seconds=%.3f", name, seconds));
}

void SVResultsBrowser::recordStale(double started, std::uint64_t generation) const {
    if (!SVPlayheadDiagnostics::shared().enabled())
        return;
    SVPlayheadDiagnostics::shared().record(QString::asprintf(
        "refresh-duration seconds=%.3f outcome=stale-generation "
        "generation=%llu current=%llu",
        SVPlayheadDiagnostics::uptime() - started, static_cast<unsigned long long>(generation),
        static_cast<unsigned long long>(_queryGeneration)));
}

void SVResultsBrowser::recordNavigationEvent(const QString& event) const {
    if (_recordNavigationEvent && SVPlayheadDiagnostics::shared().enabled())
        _recordNavigationEvent(event);
}

void SVResultsBrowser::setScope(const SVBrowseScope& scope) {
    const bool moved =
        scope.libraryMode != _scope.libraryMode || scope.favoriteMode != _scope.favoriteMode ||
        scope.playlistId != _scope.playlistId || scope.folderScope != _scope.folderScope ||
        scope.sectionType != _scope.sectionType;
    _scope = scope;
    if (moved)
        ++_browseContextGeneration;
}

void SVResultsBrowser::setPlayingSample(std::int64_t id, bool playing) {
    _playingSampleId = id;
    _playingSampleActive = playing;
}

void SVResultsBrowser::setRowFavorite(std::int64_t sampleId, bool favorite) {
    for (std::size_t i = 0; i < _rows.size(); ++i) {
        if (_rows[i].id != sampleId)
            continue;
        _rows[i].favorite = favorite;
        if (SVSampleCell* cell = sampleCellForRow(static_cast<int>(i)))
            cell->setFavorite(favorite);
        return;
    }
}

void SVResultsBrowser::resetPagination(std::int64_t page) {
    _page = page;
    _pagination.reset(static_cast<std::int32_t>(page), kUnknownPageCount);
}

void SVResultsBrowser::updateStatusTexts(std::int64_t total) {
    const auto shownCount = static_cast<std::int64_t>(_rows.size());
    const std::int64_t first = shownCount == 0 ? 0 : _page * kPageSize + 1;
    const std::int64_t last = _page * kPageSize + shownCount;
    _status->setText(QStringLiteral("%1 matching samples  •  showing %2–%3")
                         .arg(static_cast<qulonglong>(total))
                         .arg(static_cast<qulonglong>(first))
                         .arg(static_cast<qulonglong>(last)));
    const std::int64_t pageCount = total == 0 ? 1 : (total + kPageSize - 1) / kPageSize;
    _pageLabel->setText(QStringLiteral("Page %1 of %2")
                            .arg(static_cast<qlonglong>(_page + 1))
                            .arg(static_cast<qulonglong>(pageCount)));
}

void SVResultsBrowser::updatePaginationControls() {
    _paginationGroup->setVisible(!_scope.libraryMode && _layoutMode != 0);
    _downloadLink->setVisible(_scope.libraryMode && _layoutMode != 0);
    _previous->setEnabled(_page > 0);
    _next->setEnabled(_hasNextPage);
}

void SVResultsBrowser::addSearchBarAccessory(QWidget* accessory) {
    auto* top =
        qobject_cast<QHBoxLayout*>(static_cast<QVBoxLayout*>(layout())->itemAt(0)->layout());
    if (top)
        top->addWidget(accessory);
}

void SVResultsBrowser::setFilterBar(QWidget* bar) {
    static_cast<QVBoxLayout*>(layout())->insertWidget(1, bar);
}

void SVResultsBrowser::setBreadcrumbBar(QWidget* bar) {
    auto* column = static_cast<QVBoxLayout*>(layout());
    bar->setParent(this);
    column->insertWidget(column->indexOf(_header), bar);
}

void SVResultsBrowser::setResultsTitle(const QString& title) {
    _resultsTitle = title;
    _table->setAccessibleDescription(title);
}

void SVResultsBrowser::setStatusText(const QString& text) {
    _status->setText(text);
}

void SVResultsBrowser::refreshCompletingBrowserTransition() {
    refresh();
    completeBrowserPaginationTransition();
}

void SVResultsBrowser::refreshResultsWithBrowserTransition() {
    beginBrowserPaginationTransition();
    const std::uint64_t generation = _browserTransitionGeneration;
    QTimer::singleShot(0, this, [this, generation] {
        if (_browserTransitionGeneration != generation)
            return;
        refresh();
        completeBrowserPaginationTransition();
    });
}

void SVResultsBrowser::resetPageAndRefresh() {
    emit pendingPageSelectionCleared();
    _pageTransitionScheduled = false;
    _page = 0;
    _pagination.reset(0, kUnknownPageCount);
    refreshResultsWithBrowserTransition();
}

void SVResultsBrowser::synchronizePagination() {
    _pagination.synchronize(
        static_cast<std::int32_t>(_page),
        _hasNextPage ? kUnknownPageCount : static_cast<std::int32_t>(_page + 1));
}

void SVResultsBrowser::requestPageDelta(int delta) {
    synchronizePagination();
    if (!_pagination.requestDelta(delta)) {
        emit pendingPageSelectionCleared();
        return;
    }
    beginBrowserPaginationTransition();
    _pageTransitionScheduled = true;
    QTimer::singleShot(0, this, [this, delta] {
        const std::optional<std::int32_t> requested = _pagination.consumeLatest();
        if (!requested) {
            _pageTransitionScheduled = false;
            emit pendingPageSelectionCleared();
            return;
        }
        _page = *requested;
        refresh();
        completeBrowserPaginationTransition();
        synchronizePagination();
        _pageTransitionScheduled = false;
        if (!_rows.empty()) {
            const int focus = delta >= 1 ? 0 : static_cast<int>(_rows.size()) - 1;
            _table->scrollToRow(focus);
        }
        emit pageApplied(delta);
    });
}

void SVResultsBrowser::previousPage() {
    if (_page >= 1)
        requestPageDelta(-1);
}

void SVResultsBrowser::nextPage() {
    if (_hasNextPage)
        requestPageDelta(+1);
}

void SVResultsBrowser::beginBrowserPaginationTransition() {
    ++_browserTransitionGeneration;
    _fade.stop();
    _table->setOpacity(1.0);
    if (!reduceMotion())
        _table->setOpacity(0.72);
}

void SVResultsBrowser::completeBrowserPaginationTransition() {
    ++_browserTransitionGeneration;
    _fade.stop();
    if (reduceMotion()) {
        _table->setOpacity(1.0);
        return;
    }
    _fade.setStartValue(0.72);
    _fade.setEndValue(1.0);
    const std::uint64_t generation = _browserTransitionGeneration;
    QObject::disconnect(&_fade, &QVariantAnimation::finished, nullptr, nullptr);
    connect(&_fade, &QVariantAnimation::finished, this, [this, generation] {
        if (_browserTransitionGeneration == generation)
            _table->setOpacity(1.0);
    });
    _fade.start();
}

bool SVResultsBrowser::hasActiveSort() const {
    return _filenameSortDirection != 0 || _timeSortDirection != 0 || _bpmSortDirection != 0;
}

void SVResultsBrowser::sortPressed(std::int64_t& direction) {
    if (_layoutMode == 0 || _scope.libraryMode)
        return;
    const std::int64_t next = direction == 1 ? -1 : 1;
    _filenameSortDirection = 0;
    _timeSortDirection = 0;
    _bpmSortDirection = 0;
    direction = next;
    refreshForSortPreservingCurrentSample();
}

void SVResultsBrowser::filenameSortPressed() {
    sortPressed(_filenameSortDirection);
}

void SVResultsBrowser::timeSortPressed() {
    sortPressed(_timeSortDirection);
}

void SVResultsBrowser::bpmSortPressed() {
    sortPressed(_bpmSortDirection);
}

void SVResultsBrowser::updateHeaderTitles() {
    _header->setSortDirections(_filenameSortDirection, _timeSortDirection, _bpmSortDirection);
}

void SVResultsBrowser::refreshForSortPreservingCurrentSample() {
    std::optional<std::int64_t> keep;
    if (_loadedSampleId && *_loadedSampleId != 0)
        keep = _loadedSampleId;
    else if (const int selected = _table->selectedRow();
             selected >= 0 && static_cast<std::size_t>(selected) < _rows.size())
        keep = _rows[static_cast<std::size_t>(selected)].id;
    updateHeaderTitles();
    _page = 0;
    _pagination.reset(0, kUnknownPageCount);
    beginBrowserPaginationTransition();
    const std::uint64_t generation = _browserTransitionGeneration;
    QTimer::singleShot(0, this, [this, generation, keep] {
        if (_browserTransitionGeneration != generation)
            return;
        refresh();
        _currentIndex = -1;
        if (keep) {
            for (std::size_t i = 0; i < _rows.size(); ++i) {
                if (_rows[i].id == *keep) {
                    _currentIndex = static_cast<int>(i);
                    _table->selectRows({_currentIndex});
                    break;
                }
            }
        }
        completeBrowserPaginationTransition();
    });
}

void SVResultsBrowser::searchTextChanged(const QString& text) {
    _clearButton->setVisible(!text.isEmpty());
    beginBrowserPaginationTransition();
    _searchDebounce.start();
}

void SVResultsBrowser::clearSearch() {
    _searchDebounce.stop();
    _searchField->clear();
    _clearButton->hide();
    resetPageAndRefresh();
    _searchField->setFocus();
}

void SVResultsBrowser::focusSearch() {
    _searchField->setFocus(Qt::ShortcutFocusReason);
    _searchField->selectAll();
}

void SVResultsBrowser::toggleFavorite(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= _rows.size())
        return;
    sv::Sample& sample = _rows[static_cast<std::size_t>(row)];
    try {
        const bool wasFavorite = _db.isFavorite(sample.id);
        _db.setFavorite(sample.id, !wasFavorite);
        sample.favorite = !wasFavorite;
        const std::int64_t id = sample.id;
        if (wasFavorite && _scope.favoriteMode) {
            refresh();
        } else if (SVSampleCell* cell = sampleCellForRow(row)) {
            cell->setFavorite(!wasFavorite);
        }
        emit favoriteChanged(id, !wasFavorite);
    } catch (const std::exception& error) {
        _status->setText(QString::fromUtf8(error.what()));
    }
}

void SVResultsBrowser::preindexVisibleWaveforms() {
    if (_scope.libraryMode || _rows.empty())
        return;
    auto [first, last] = _table->visibleRows();
    const int count = static_cast<int>(_rows.size());
    if (last < first) {
        first = 0;
        last = std::min(count, 12) - 1;
    }
    first = std::max(first - 2, 0);
    last = std::min(last + 2, count - 1);
    for (int row = first; row <= last; ++row) {
        const sv::Sample& sample = _rows[static_cast<std::size_t>(row)];
        if (sample.type == sv::SampleType::Midi)
            continue;
        SVWaveformView::preloadAudioAtPath(QString::fromStdString(sample.path), sample.modifiedAt,
                                           sample.fileSize);
    }
}

// The catalogue holds no duration for files the scan does not analyse (MP3, AIFF): rows take
// the one this run already knows, or get it later through the duration notification.
void SVResultsBrowser::requestUnknownDurations() {
    for (sv::Sample& sample : _rows) {
        if (sample.duration || sample.type == sv::SampleType::Midi)
            continue;
        if (const std::optional<double> known = SVWaveformCache::requestDurationAtPath(
                QString::fromStdString(sample.path), sample.modifiedAt, sample.fileSize))
            sample.duration = *known;
    }
}

void SVResultsBrowser::waveformCacheUpdated(const QString& path) {
    if (_scope.libraryMode)
        return;
    const std::string wanted = path.toStdString();
    for (std::size_t i = 0; i < _rows.size(); ++i) {
        if (_rows[i].path != wanted)
            continue;
        if (SVSampleCell* cell = sampleCellForRow(static_cast<int>(i)))
            cell->waveform()->update();
        return;
    }
}

void SVResultsBrowser::waveformDurationUpdated(const QString& path, double duration) {
    if (_scope.libraryMode)
        return;
    const std::string wanted = path.toStdString();
    for (std::size_t i = 0; i < _rows.size(); ++i) {
        if (_rows[i].path != wanted)
            continue;
        _rows[i].duration = duration;
        if (SVSampleCell* cell = sampleCellForRow(static_cast<int>(i)))
            cell->setDuration(duration);
        return;
    }
}

void SVResultsBrowser::setLayoutMode(int mode) {
    _layoutMode = mode != 0 ? 1 : 0;
    _header->setVisible(_layoutMode != 0 && !_scope.libraryMode);
    _table->forEachCell([this](int, QWidget* cell) {
        if (auto* sampleCell = qobject_cast<SVSampleCell*>(cell))
            sampleCell->setCompact(_layoutMode == 0);
    });
    updatePaginationControls();
    layoutHeader();
}

void SVResultsBrowser::redecorateRows() {
    if (!_rowDecorations || _scope.libraryMode)
        return;
    _table->forEachCell([this](int, QWidget* cell) {
        if (auto* sampleCell = qobject_cast<SVSampleCell*>(cell))
            sampleCell->setDecoration(_rowDecorations(sampleCell->content().sample));
    });
}

SVSampleCell* SVResultsBrowser::sampleCellForRow(int row) const {
    return qobject_cast<SVSampleCell*>(_table->cellForRow(row));
}

SVLibraryCell* SVResultsBrowser::libraryCellForRow(int row) const {
    return qobject_cast<SVLibraryCell*>(_table->cellForRow(row));
}

bool SVResultsBrowser::libraryOffline(const sv::Library& library) const {
    if (_libraryOfflineTest)
        return _libraryOfflineTest(library);
    const auto problem = sv::libraryFolderProblem(
        library.path, [&library] { return library.sampleCount > 0; }, _mounts);
    return problem != sv::FolderProblem::None;
}

std::unique_ptr<QWidget> SVResultsBrowser::makeCell(int row, QWidget* parent) {
    if (_scope.libraryMode) {
        if (row < 0 || static_cast<std::size_t>(row) >= _libs.size())
            return nullptr;
        auto cell = std::make_unique<SVLibraryCell>(parent);
        const sv::Library& library = _libs[static_cast<std::size_t>(row)];
        cell->setLibrary(library, row, libraryOffline(library), _maintenanceScanning);
        connect(cell.get(), &SVLibraryCell::rescanRequested, this,
                &SVResultsBrowser::rescanRequested);
        connect(cell.get(), &SVLibraryCell::removeRequested, this,
                &SVResultsBrowser::removeRequested);
        return cell;
    }
    if (row < 0 || static_cast<std::size_t>(row) >= _rows.size())
        return nullptr;
    auto cell = std::make_unique<SVSampleCell>(parent);
    SVSampleCellContent content;
    content.sample = _rows[static_cast<std::size_t>(row)];
    content.row = row;
    content.compact = _layoutMode == 0;
    content.selected = _table->selectedRows().count(row) > 0;
    content.playing = _playingSampleActive && content.sample.id == _playingSampleId;
    if (_rowDecorations) {
        SVRowDecoration decoration = _rowDecorations(content.sample);
        content.packTitle = std::move(decoration.packTitle);
        content.packPath = std::move(decoration.packPath);
        content.artwork = std::move(decoration.artwork);
        content.avatar = std::move(decoration.avatar);
        content.selectedAvatar = std::move(decoration.selectedAvatar);
    }
    cell->resize(_table->viewport()->width(), kSampleRowHeight);
    cell->setContent(content);
    connect(cell.get(), &SVSampleCell::previewRequested, this, &SVResultsBrowser::previewRequested);
    connect(cell.get(), &SVSampleCell::favoriteToggled, this, &SVResultsBrowser::toggleFavorite);
    connect(cell.get(), &SVSampleCell::waveformSeeked, this, &SVResultsBrowser::seekRowWaveform);
    connect(cell.get(), &SVSampleCell::waveformDoubleClicked, this,
            &SVResultsBrowser::previewRowWaveform);
    connect(cell.get(), &SVSampleCell::metadataLinkActivated, this,
            &SVResultsBrowser::metadataLinkActivated);
    connect(cell.get(), &SVSampleCell::selectionToggled, this, [this](int row, bool on) {
        _checkboxSelectionChange = true;
        _table->setRowSelected(row, on);
        _checkboxSelectionChange = false;
    });
    connect(cell.get(), &SVSampleCell::hoverEntered, this, [this](SVSampleCell* entered) {
        if (!_sampleHoverSuppressed)
            updateHoveredSampleCell(entered);
    });
    connect(cell.get(), &SVSampleCell::hoverMoved, this, [this](SVSampleCell* moved) {
        _sampleHoverSuppressed = false;
        if (_hoveredSampleCell != moved)
            updateHoveredSampleCell(moved);
    });
    connect(cell.get(), &SVSampleCell::hoverExited, this, [this](SVSampleCell* exited) {
        if (_hoveredSampleCell == exited)
            _hoveredSampleCell = nullptr;
    });
    return cell;
}

void SVResultsBrowser::tableClicked(int row, Qt::KeyboardModifiers modifiers) {
    if (_scope.libraryMode || _checkboxSelectionChange)
        return;
    if (row < 0 || static_cast<std::size_t>(row) >= _rows.size())
        return;
    if (modifiers & Qt::ShiftModifier) {
        const int anchor = _table->selectedRow() < 0 ? row : _table->selectedRow();
        std::set<int> range;
        for (int r = std::min(anchor, row); r <= std::max(anchor, row); ++r)
            range.insert(r);
        _table->selectRows(range);
        return;
    }
    if (modifiers & Qt::ControlModifier) {
        _table->setRowSelected(row, _table->selectedRows().count(row) == 0);
        return;
    }
    _sampleHoverSuppressed = false;
    _table->selectRows({row});
    emit previewRequested(row);
}

void SVResultsBrowser::updateHoveredSampleCell(SVSampleCell* cell) {
    if (_hoveredSampleCell && _hoveredSampleCell != cell) {
        _hoveredSampleCell->setHovered(false);
        for (SVMetadataLink* link : _hoveredSampleCell->metadataLinks())
            link->setHoverLook(false);
    }
    _hoveredSampleCell = cell;
    if (cell)
        cell->setHovered(true);
}

SVSampleCell* SVResultsBrowser::hoveredSampleCell() const {
    return _hoveredSampleCell;
}

void SVResultsBrowser::suppressSampleHoverForKeyboardNavigation() {
    _sampleHoverSuppressed = true;
    updateHoveredSampleCell(nullptr);
}

void SVResultsBrowser::reconcileSampleHover() {
    QWidget* viewport = _table->viewport();
    const QPoint mouse = viewport->mapFromGlobal(QCursor::pos());
    if (_scope.libraryMode || _sampleHoverSuppressed || !viewport->isVisible() ||
        !viewport->rect().contains(mouse)) {
        updateHoveredSampleCell(nullptr);
        return;
    }
    SVSampleCell* cell = sampleCellForRow(_table->rowAt(mouse.y()));
    updateHoveredSampleCell(cell);
    if (cell) {
        if (SVMetadataLink* link = cell->metadataLinkAt(cell->mapFrom(viewport, mouse)))
            link->setHoverLook(true);
    }
}

void SVResultsBrowser::selectionDidChange() {
    const std::set<int>& selected = _table->selectedRows();
    _hoveredSampleCell = nullptr;
    _table->forEachCell([&selected](int row, QWidget* cell) {
        if (auto* sampleCell = qobject_cast<SVSampleCell*>(cell)) {
            sampleCell->setSelected(selected.count(row) > 0);
            sampleCell->setHovered(false);
        }
    });
    QTimer::singleShot(0, this, &SVResultsBrowser::reconcileSampleHover);
}

void SVResultsBrowser::layoutHeader() {
    _header->setVisible(_layoutMode != 0 && !_scope.libraryMode);
    _header->layoutForWidth(_table->viewport()->width());
}

void SVResultsBrowser::layoutEmptyView() {
    // isHidden, not isVisible: the first refresh runs before the window is shown.
    if (_emptyView->isHidden())
        return;
    const QRect area = _header->geometry().united(_table->geometry());
    _emptyView->setGeometry(area.isValid() ? area : rect());
    _emptyView->raise();
}

void SVResultsBrowser::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutHeader();
    layoutEmptyView();
}
