// Scans without a progress callback, or reporting per batch, write many files per
// transaction; what they store must equal what a file-by-file scan stores, and what they
// report must already be in the catalogue.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "tests/scanning/scan_fixture.h"

namespace sv::testing {
namespace {

const char* const kDump =
    "SELECT s.path||'|'||s.type||'|'||s.genre||'|'||s.instrument||'|'||ifnull(s.bpm,'-')||'|'||"
    "s.musical_key||'|'||ifnull(s.duration,'-')||'|'||s.file_size||'|'||s.modified_at||'|'||"
    "(SELECT group_concat(genre||':'||source) FROM sample_genres g WHERE g.sample_id=s.id) "
    "FROM samples s ORDER BY s.path";

TEST_F(ScanFixture, BatchedScanStoresWhatAFileByFileScanStores) {
    // More files than one batch holds, in folders whose names carry genres and instruments.
    constexpr int kFiles = 300;
    for (int i = 0; i < kFiles; ++i)
        addWav((i % 2 ? "House Drums/" : "Trap Keys Am/") + std::to_string(i) + " 120bpm.wav",
               0.05 + 0.0005 * i);

    const ScanStats batched = scanner_->scan(library_);
    EXPECT_EQ(batched.added, static_cast<std::uint64_t>(kFiles));
    const std::vector<std::string> batchedRows = reader().column(kDump);
    ASSERT_EQ(batchedRows.size(), static_cast<std::size_t>(kFiles));

    const fs::path other = home_.root() / "other.db";
    Database fileByFile(other);
    LibraryScanner reporting(fileByFile, home_.root() / "no-mountinfo");
    std::size_t reports = 0;
    reporting.scan(library_, [&](std::size_t count, const std::string&) { reports = count; });
    EXPECT_EQ(reports, static_cast<std::size_t>(kFiles));
    EXPECT_EQ(CatalogueReader(other).column(kDump), batchedRows);

    EXPECT_EQ(scanner_->scan(library_).unchanged, static_cast<std::uint64_t>(kFiles));
}

}  // namespace
}  // namespace sv::testing

namespace sv::testing {
namespace {

// Progress reported once per committed batch: what a terminal or the window shows while a
// large library is read.
class BatchProgress : public ScanFixture {
  protected:
    static constexpr int kFiles = 1200;  // more than two batches

    void fill() {
        for (int i = 0; i < kFiles; ++i)
            addWav("Pack " + std::to_string(i / 100) + "/Hit " + std::to_string(i) + ".wav",
                   0.01 + 0.00001 * i);
    }

    // Scans in batch mode; every report is checked against the catalogue as another
    // connection sees it at that moment.
    std::vector<std::size_t> scanReporting(bool force) {
        std::vector<std::size_t> counts;
        CatalogueReader other(home_.catalogue());
        scanner_->scan(
            library_,
            [&](std::size_t count, const std::string& path) {
                counts.push_back(count);
                EXPECT_EQ(other.count("SELECT count(*) FROM samples WHERE path=?", path), 1)
                    << path;
                EXPECT_GE(other.count("SELECT count(*) FROM samples"),
                          static_cast<std::int64_t>(count));
            },
            force, nullptr, LibraryScanner::ProgressEvery::Batch);
        return counts;
    }

    static void expectBatches(const std::vector<std::size_t>& counts) {
        ASSERT_FALSE(counts.empty());
        EXPECT_EQ(counts.back(), static_cast<std::size_t>(kFiles));
        EXPECT_TRUE(std::is_sorted(counts.begin(), counts.end()));
        EXPECT_EQ(std::adjacent_find(counts.begin(), counts.end()), counts.end());
        EXPECT_LT(counts.size(), static_cast<std::size_t>(kFiles) / 10);
    }
};

TEST_F(BatchProgress, ReportsOnlyCommittedFilesOncePerBatch) {
    fill();
    const std::vector<std::size_t> first = scanReporting(false);
    expectBatches(first);
    EXPECT_GE(first.size(), 2u);
    EXPECT_EQ(sampleCount(), kFiles);
    expectBatches(scanReporting(false));  // unchanged files need no write: still batches
    expectBatches(scanReporting(true));
}

TEST_F(BatchProgress, StoppedFromAReportEndsTheScanKeepingWhatItWrote) {
    fill();
    std::atomic<bool> stop = false;
    std::size_t reported = 0;
    try {
        scanner_->scan(
            library_,
            [&](std::size_t count, const std::string&) {
                reported = count;
                stop = true;
            },
            false, &stop, LibraryScanner::ProgressEvery::Batch);
        FAIL() << "the scan went on";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Scan stopped; old entries preserved.");
    }
    EXPECT_GT(reported, 0u);
    EXPECT_GE(sampleCount(), static_cast<std::int64_t>(reported));
    EXPECT_LT(sampleCount(), kFiles);
}

}  // namespace
}  // namespace sv::testing
