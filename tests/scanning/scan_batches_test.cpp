// Scans without a progress callback write many files per transaction; what they store must
// equal what a file-by-file scan stores.
#include <gtest/gtest.h>

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
