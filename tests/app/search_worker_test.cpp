#include <QLineEdit>
#include <QTest>

#include <algorithm>
#include <random>

#include "app/results/results_browser.h"
#include "app/results/search_worker.h"
#include "app/scans/scan_orchestration.h"
#include "core/catalogue/database.h"
#include "tests/app/app_fixture.h"
#include "tests/support/temp_home.h"
#include "tests/support/wav_writer.h"

namespace svapp_test {
namespace {

using Ids = std::vector<std::int64_t>;

Ids idsOf(const std::vector<sv::Sample>& samples) {
    Ids ids;
    for (const auto& sample : samples)
        ids.push_back(sample.id);
    return ids;
}

const std::vector<std::string> kWords = {"Kick", "Snare", "Dark", "Pad", "Loop",
                                         "808",  "Keys",  "Am",   "Lofi"};

template <typename T>
const T& pick(std::mt19937& random, const std::vector<T>& options) {
    return options[std::uniform_int_distribution<std::size_t>(0, options.size() - 1)(random)];
}

// Random samples in two libraries, some of them AppleDouble companions, written the way the
// scanner writes them.
void addRandomSamples(sv::Database& db, std::mt19937& random, std::int64_t library,
                      const std::string& folder, int count, int round) {
    std::vector<sv::Sample> samples;
    for (int i = 0; i < count; ++i) {
        sv::Sample sample;
        sample.filename = (random() % 12 == 0 ? "._" : "") + pick(random, kWords) + " " +
                          pick(random, kWords) + " " + std::to_string(round) + "-" +
                          std::to_string(i) + (random() % 6 == 0 ? ".mid" : ".wav");
        sample.path = folder + "/" + pick(random, kWords) + "/" + sample.filename;
        sample.type = sample.filename.ends_with(".mid")
                          ? sv::SampleType::Midi
                          : (random() % 2 ? sv::SampleType::Loop : sv::SampleType::OneShot);
        sample.instrument = pick(random, std::vector<std::string>{"Kick", "Bass", "Keys"});
        sample.genre = pick(random, std::vector<std::string>{"", "trap", "house"});
        sample.musicalKey = pick(random, std::vector<std::string>{"A min", "C", "None"});
        if (random() % 4)
            sample.bpm = 90 + static_cast<int>(random() % 60);
        if (random() % 3)
            sample.duration = 0.5 * static_cast<double>(random() % 9);
        sample.fileSize = 100;
        samples.push_back(std::move(sample));
    }
    db.upsert(samples, library);
}

sv::SearchQuery randomQuery(std::mt19937& random) {
    sv::SearchQuery q;
    if (random() % 4)
        q.text = pick(random, kWords).substr(0, 1 + random() % 3);
    if (random() % 3 == 0)
        q.text += " " + pick(random, kWords);
    q.hideMidi = random() % 2;
    if (random() % 5 == 0)
        q.type = "Loop";
    if (random() % 5 == 0)
        q.bpm = 120;
    if (random() % 6 == 0)
        q.genres = {"TRAP"};
    switch (random() % 4) {
        case 1:
            q.sortByName = true;
            q.nameDescending = random() % 2;
            break;
        case 2:
            q.sortByDuration = true;
            q.durationDescending = random() % 2;
            break;
        case 3:
            q.sortByBpm = true;
            q.bpmDescending = random() % 2;
            break;
        default:
            break;
    }
    return q;
}

// The refresh's catalogue work on the worker thread, with the in-memory index and without it,
// gives what the plain SQL of another connection gives, while that connection keeps writing.
TEST(SearchWorker, JobsGiveWhatThePlainSearchGives) {
    sv::testing::TempHome home;
    const auto file = home.root() / "catalogue.db";
    std::mt19937 random(31);
    sv::Database writer(file);
    const std::int64_t lib = writer.addLibrary("/lib");
    const std::int64_t other = writer.addLibrary("/other");
    addRandomSamples(writer, random, lib, "/lib", 300, 0);
    addRandomSamples(writer, random, other, "/other", 100, 0);
    sv::Database plain(file);

    for (const bool withIndex : {true, false}) {
        SCOPED_TRACE(withIndex ? "with the index" : "without it");
        sv::Database searched(file);
        if (!withIndex)
            searched.cancelSearchIndexPreparation();
        SVSearchWorker worker(searched);
        std::optional<SVRefreshResult> result;
        worker.setResultHandler([&](SVRefreshResult&& r) { result = std::move(r); });
        for (int round = 0; round < 60; ++round) {
            if (round % 15 == 7)
                addRandomSamples(writer, random, lib, "/lib", 20, round);
            if (round == 30)
                writer.setLibraryAvailable("/other", false);
            SVRefreshJob job;
            job.generation = static_cast<std::uint64_t>(round);
            job.query = randomQuery(random);
            job.page = random() % 4;
            job.pageSize = 20;
            job.sorted = job.query.sortByName || job.query.sortByDuration || job.query.sortByBpm;
            job.loadedSampleId = 1 + static_cast<std::int64_t>(random() % 420);
            result.reset();
            worker.post(job);
            ASSERT_TRUE(waitFor([&] { return result.has_value(); }));
            ASSERT_FALSE(result->error) << *result->error;
            EXPECT_EQ(result->generation, job.generation);

            sv::SearchQuery q = job.query;
            const std::int64_t total = plain.countMatching(q);
            const std::int64_t lastPage = total == 0 ? 0 : (total - 1) / 20;
            q.limit = 20;
            q.offset = static_cast<std::int32_t>(std::min<std::int64_t>(job.page, lastPage) * 20);
            SCOPED_TRACE("round " + std::to_string(round) + " text '" + q.text + "'");
            EXPECT_EQ(result->total, total);
            EXPECT_EQ(result->page, std::min<std::int64_t>(job.page, lastPage));
            EXPECT_EQ(idsOf(result->rows), idsOf(plain.search(q)));
            EXPECT_EQ(result->sortedNavigationIndex,
                      job.sorted ? plain.matchingIndex(q, *job.loadedSampleId) : std::nullopt);
            EXPECT_EQ(searched.searchIndexCurrent(), withIndex);
        }
    }
}

class BackgroundSearch : public AppTest {
  protected:
    // As a producer types: the field has the keyboard, so the transport keys (Space) stay out.
    void typeIntoSearch(const QString& text) {
        controller->focusSearch();
        ASSERT_TRUE(waitFor([&] { return controller->browser()->searchField()->hasFocus(); }));
        QTest::keyClicks(controller->browser()->searchField(), text);
        ASSERT_EQ(controller->browser()->searchField()->text(), text);
    }
};

// Typing refreshes through the worker: the texts, the page held within the new result and the
// rows are those a refresh on the spot gives.
TEST_F(BackgroundSearch, TypingShowsWhatARefreshOnTheSpotShows) {
    addSamples(120);
    startApp();
    SVResultsBrowser* browser = controller->browser();
    browser->setPage(2);
    browser->refresh();
    ASSERT_EQ(browser->statusText(), QStringLiteral("120 matching samples  •  showing 101–120"));

    int refreshes = 0;
    QObject::connect(browser, &SVResultsBrowser::refreshed, [&] { ++refreshes; });
    typeIntoSearch(QStringLiteral("Sample 01"));
    ASSERT_TRUE(waitFor([&] { return refreshes > 0 && !browser->refreshInProgress(); }));
    EXPECT_EQ(refreshes, 1);
    EXPECT_EQ(browser->page(), 0);
    EXPECT_EQ(browser->statusText(), QStringLiteral("10 matching samples  •  showing 1–10"));
    EXPECT_EQ(browser->pageLabelText(), QStringLiteral("Page 1 of 1"));
    const Ids shown = idsOf(browser->rows());
    browser->refresh();
    EXPECT_EQ(idsOf(browser->rows()), shown);
    EXPECT_EQ(browser->rows().front().filename, "Sample 010.wav");
}

// A background result that a later refresh overtook is never shown; the later one stays.
TEST_F(BackgroundSearch, AnOvertakenResultIsDropped) {
    addSamples(60);
    startApp();
    SVResultsBrowser* browser = controller->browser();
    int refreshes = 0;
    QObject::connect(browser, &SVResultsBrowser::refreshed, [&] { ++refreshes; });
    browser->searchField()->setText(QStringLiteral("Sample 01"));
    browser->refreshInBackground();
    EXPECT_TRUE(browser->refreshInProgress());
    browser->searchField()->setText(QStringLiteral("Sample 02"));
    browser->refresh();
    ASSERT_EQ(browser->rows().size(), 10u);
    EXPECT_EQ(browser->rows().front().filename, "Sample 020.wav");
    ASSERT_TRUE(waitFor([&] { return !browser->refreshInProgress(); }));
    QTest::qWait(50);
    EXPECT_EQ(refreshes, 1);
    EXPECT_EQ(browser->rows().front().filename, "Sample 020.wav");
}

// A search typed while a scan writes keeps answering from what is stored so far, and the
// scan's completion refresh shows every new row it matches.
TEST_F(BackgroundSearch, SearchTypedWhileAScanWritesShowsTheNewRowsAfterIt) {
    const auto audio = sv::testing::sine(0.02, 22050, 440.0);
    sv::testing::WavOptions options;
    options.sampleRate = 22050;
    for (int i = 0; i < 900; ++i)
        sv::testing::writeWav(libraryFolder / ("Kit" + std::to_string(i / 100)) /
                                  ((i % 3 ? "Snare " : "Kick ") + std::to_string(i) + ".wav"),
                              audio, options);
    startApp();
    ASSERT_TRUE(waitFor([&] { return controller->database().searchIndexCurrent(); }));
    SVResultsBrowser* browser = controller->browser();
    controller->scanRoots({libraryFolder}, false);
    ASSERT_TRUE(controller->maintenanceScanning());

    int refreshes = 0;
    QObject::connect(browser, &SVResultsBrowser::refreshed, [&] { ++refreshes; });
    int searchesDuringTheScan = 0;
    for (const QString& text :
         {QStringLiteral("kick"), QStringLiteral("kit1 kick"), QStringLiteral("kick")}) {
        const int before = refreshes;
        typeIntoSearch(text);
        searchesDuringTheScan += controller->maintenanceScanning() ? 1 : 0;
        // Shown by this search, or by the scan's completion refresh if that overtook it.
        ASSERT_TRUE(
            waitFor([&] { return refreshes > before && !browser->refreshInProgress(); }, 20000));
        for (const auto& row : browser->rows())
            EXPECT_TRUE(row.filename.starts_with("Kick ")) << row.filename;
        EXPECT_TRUE(browser->statusText().contains(QStringLiteral("matching samples")) ||
                    browser->statusText().startsWith(QStringLiteral("Scan")))
            << browser->statusText().toStdString();
    }
    EXPECT_GT(searchesDuringTheScan, 0) << "the scan ended before the first search";
    ASSERT_TRUE(waitFor([&] { return !controller->maintenanceScanning(); }, 60000));
    ASSERT_TRUE(waitFor([&] { return !browser->refreshInProgress(); }));
    EXPECT_EQ(browser->searchField()->text(), QStringLiteral("kick"));
    EXPECT_EQ(browser->rows().size(), 50u);
    EXPECT_EQ(browser->pageLabelText(), QStringLiteral("Page 1 of 6"));
    // The scan wrote through the same connection, so the index followed it row by row.
    EXPECT_TRUE(controller->database().searchIndexCurrent());
    browser->refreshInBackground();
    ASSERT_TRUE(waitFor([&] { return !browser->refreshInProgress(); }));
    EXPECT_EQ(browser->statusText(), QStringLiteral("300 matching samples  •  showing 1–50"));
}

}  // namespace
}  // namespace svapp_test
