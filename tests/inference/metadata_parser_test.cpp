#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/inference/metadata_parser.h"
#include "tests/support/temp_home.h"

namespace {

namespace fs = std::filesystem;

const sv::MetadataParser kParser;

struct stat statOf(const fs::path& path) {
    struct stat status {};
    EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
    return status;
}

void setModificationTime(const fs::path& path, time_t seconds, long nanoseconds) {
    const struct timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

sv::AudioStructure loopStructure() {
    sv::AudioStructure structure;
    structure.duration = 8.0;
    structure.onsetCount = 16;
    structure.onsetSpan = 0.94;
    structure.firstGapRatio = 0.1;
    return structure;
}

TEST(MetadataParser, ExampleFileWithAllFields) {
    const sv::testing::TempHome home;
    const fs::path root = home.root() / "Lib";
    const fs::path file = home.writeFile("Lib/Loops/Trap 140/Dark Keys 92 Am.wav", "RIFF1234");
    setModificationTime(file, 1796764628, 999999999);

    const sv::Sample sample = kParser.parse(file, root, std::nullopt);
    EXPECT_EQ(sample.id, 0);
    EXPECT_EQ(sample.path, file.string());
    EXPECT_EQ(sample.filename, "Dark Keys 92 Am.wav");
    EXPECT_EQ(sample.library, "Lib");
    EXPECT_EQ(sample.bpm, 92);
    EXPECT_EQ(sample.musicalKey, "A min");
    EXPECT_EQ(sample.instrument, "Keys");
    EXPECT_EQ(sample.type, sv::SampleType::Loop);
    EXPECT_EQ(sample.autoDetectedType, sv::SampleType::Unknown);
    EXPECT_FALSE(sample.userOverrideType);
    EXPECT_FALSE(sample.duration);
    EXPECT_EQ(sample.fileSize, 8u);
    EXPECT_EQ(sample.modifiedAt, 1796764628);
    EXPECT_FALSE(sample.favorite);
    EXPECT_EQ(sample.tags, std::vector<std::string>{"trap"});
    EXPECT_EQ(sample.genre, "trap");
}

TEST(MetadataParser, SizeAndTimeAgreeWithStat) {
    const sv::testing::TempHome home;
    const fs::path file = home.writeFile("Lib/Hit.wav", std::string(12345, 'x'));
    const struct stat status = statOf(file);
    const sv::Sample sample = kParser.parse(file, home.root() / "Lib", std::nullopt);
    EXPECT_EQ(sample.fileSize, static_cast<std::uint64_t>(status.st_size));
    EXPECT_EQ(sample.modifiedAt, static_cast<std::int64_t>(status.st_mtim.tv_sec));
    EXPECT_GT(sample.modifiedAt, 1'600'000'000);  // Unix seconds, not another clock's epoch
}

TEST(MetadataParser, TimesBeforeTheEpochAreTruncatedTowardsZero) {
    const sv::testing::TempHome home;
    const fs::path file = home.writeFile("Lib/Old.wav", "x");
    setModificationTime(file, -2, 500000000);  // 1.5 s before the epoch
    const struct stat status = statOf(file);
    if (status.st_mtim.tv_sec != -2 || status.st_mtim.tv_nsec != 500000000)
        GTEST_SKIP() << "this filesystem does not keep times before 1970";
    EXPECT_EQ(kParser.parse(file, home.root() / "Lib", std::nullopt).modifiedAt, -1);
}

TEST(MetadataParser, MissingFileIsBuiltFromItsNames) {
    const sv::Sample sample =
        kParser.parse("/no/such/Lib/Bass 120bpm.wav", "/no/such/Lib", std::nullopt);
    EXPECT_EQ(sample.fileSize, 0u);
    EXPECT_EQ(sample.modifiedAt, 0);
    EXPECT_EQ(sample.bpm, 120);
    EXPECT_EQ(sample.instrument, "Bass");
    EXPECT_EQ(sample.library, "Lib");
}

TEST(MetadataParser, FolderIsNotAFile) {
    const sv::testing::TempHome home;
    fs::create_directories(home.root() / "Lib" / "Pad.wav");
    const sv::Sample sample =
        kParser.parse(home.root() / "Lib" / "Pad.wav", home.root() / "Lib", std::nullopt);
    EXPECT_EQ(sample.fileSize, 0u);
}

struct FolderCase {
    std::string relative;  // below the library root "Lib"
    std::optional<int> bpm;
    std::string key;
};

TEST(MetadataParser, TempoAndKeyFromTheFolderName) {
    const FolderCase cases[] = {
        {"808 Kicks 140 BPM/Kick 01.wav", 140, "None"},
        {"808 Kicks 140 BPM/Kick 128bpm.wav", 128, "None"},
        {"Am Chords/Chord Stab.wav", std::nullopt, "A min"},
        {"A Chords/Chord Stab.wav", std::nullopt, "None"},
        {"Am Chords/Chord Stab F.wav", std::nullopt, "F"},
        {"Key Ebm/Stab.wav", std::nullopt, "D# min"},
        {"Bass key  C#minor/Stab.wav", std::nullopt, "C# min"},
        {"C# minor/Stab.wav", std::nullopt, "None"},
        {"Key of A/Stab.wav", std::nullopt, "None"},
        {"Am.Loops/Stab.wav", std::nullopt, "None"},
        {"Pads Dmaj/Warm.wav", std::nullopt, "D maj"},
        {"Beats 90 Drum Loop/Snare.wav", 90, "None"},
    };
    for (const auto& c : cases) {
        const sv::Sample sample = kParser.parse("/Lib/" + c.relative, "/Lib", std::nullopt);
        EXPECT_EQ(sample.bpm, c.bpm) << c.relative;
        EXPECT_EQ(sample.musicalKey, c.key) << c.relative;
    }
}

struct GenreCase {
    std::string path;
    std::vector<std::string> tags;
};

TEST(MetadataParser, GenresFromTheWholeFolderPath) {
    const GenreCase cases[] = {
        {"/Users/someone/Samples/Trap Soul/Keys/Rhodes.wav", {"trap", "soul"}},
        {"/Users/someone/Pop House/Lead.wav", {"house", "pop"}},
        {"/Users/someone/House Music/Warm Pads/Pad.wav", {"house"}},
        {"/Users/someone/Warehouse Grooves/Beat.wav", {"house"}},
        {"/Users/someone/Hip-Hop/Beat.wav", {"hip hop"}},
        {"/Users/someone/hip_hop/Beat.wav", {"hip hop"}},
        {"/Users/someone/HipHop/Beat.wav", {}},
        {"/Users/someone/Misc/Trap Pop Latin.wav", {}},  // the file's own name is not read
        {"/A/Cinematic/Acoustic/RnB/Latin/x.wav", {"rnb", "cinematic", "acoustic", "latin"}},
    };
    for (const auto& c : cases) {
        const fs::path path = c.path;
        // Library root: the folder above the file's folder, so genres above it count too.
        const sv::Sample sample = kParser.parse(path, path.parent_path(), std::nullopt);
        EXPECT_EQ(sample.tags, c.tags) << c.path;
        EXPECT_EQ(sample.genre, c.tags.empty() ? std::string() : c.tags.front()) << c.path;
    }
}

TEST(MetadataParser, TypeUsesTheFolderRelativeToTheRoot) {
    const sv::testing::TempHome home;
    const fs::path root = home.root() / "Loops";
    const fs::path atRoot = home.writeFile("Loops/Hit.wav", "x");
    const fs::path below = home.writeFile("Loops/Drum Grooves/Hit.wav", "x");
    // Directly in the root the context is ". hit": the root's own name does not count.
    EXPECT_EQ(kParser.parse(atRoot, root, std::nullopt).type, sv::SampleType::Unknown);
    EXPECT_EQ(kParser.parse(below, root, std::nullopt).type, sv::SampleType::Loop);
    // Folders above the root are not part of the context either.
    const fs::path kicks = home.writeFile("Loops/Kicks/Kick.wav", "x");
    EXPECT_EQ(kParser.parse(kicks, root, std::nullopt).type, sv::SampleType::OneShot);
}

TEST(MetadataParser, RelativeFolderFollowsSymbolicLinks) {
    const sv::testing::TempHome home;
    const fs::path file = home.writeFile("Real/Grooves/Hit.wav", "x");
    fs::create_directory_symlink(home.root() / "Real", home.root() / "Link");
    // The root is given through the link, the file through its target: both are made
    // canonical before the relative folder is taken, so the context is "grooves hit".
    EXPECT_EQ(kParser.parse(file, home.root() / "Link", std::nullopt).type, sv::SampleType::Loop);
    EXPECT_EQ(kParser.parse(file, home.root() / "Link", std::nullopt).library, "Link");
}

TEST(MetadataParser, RelativeFolderAgreesWithTheFilesystemOperation) {
    const sv::testing::TempHome home;
    const fs::path file = home.writeFile("Lib/Sub/Grooves/Hit.wav", "x");
    fs::create_directories(home.root() / "Other");
    struct Case {
        fs::path root;
        sv::SampleType type;
    };
    const Case cases[] = {
        {home.root() / "Lib" / "Sub" / ".." / "Sub", sv::SampleType::Loop},  // "grooves hit"
        {home.root() / "Lib" / "Sub" / "Grooves", sv::SampleType::Unknown},  // ". hit"
        {home.root() / "Other", sv::SampleType::Loop},  // "../lib/sub/grooves hit"
        {home.root() / "Missing" / "Root",
         sv::SampleType::Loop},  // made canonical as far as it exists
    };
    for (const auto& c : cases) {
        std::error_code error;
        const fs::path expected = fs::relative(file.parent_path(), c.root, error);
        ASSERT_FALSE(error);
        EXPECT_EQ(kParser.parse(file, c.root, std::nullopt).type, c.type)
            << c.root << " relative folder " << expected;
    }
}

TEST(MetadataParser, MidiByExtensionWithNamesStillRead) {
    const sv::testing::TempHome home;
    const fs::path file = home.writeFile("Lib/Chords/Keys 90 Am.MID", "MThd");
    const sv::Sample sample = kParser.parse(file, home.root() / "Lib", std::nullopt);
    EXPECT_EQ(sample.type, sv::SampleType::Midi);
    EXPECT_FALSE(sample.duration);
    EXPECT_EQ(sample.bpm, 90);
    EXPECT_EQ(sample.musicalKey, "A min");
    EXPECT_EQ(sample.instrument, "Keys");
    EXPECT_EQ(sample.fileSize, 4u);
}

TEST(MetadataParser, StructureGivesDurationAndTypeEvidence) {
    const sv::testing::TempHome home;
    const fs::path file = home.writeFile("Lib/Misc/Texture.wav", "x");
    const sv::Sample measured = kParser.parse(file, home.root() / "Lib", loopStructure());
    ASSERT_TRUE(measured.duration);
    EXPECT_DOUBLE_EQ(*measured.duration, 8.0);
    EXPECT_EQ(measured.type, sv::SampleType::Loop);

    const sv::Sample unmeasured = kParser.parse(file, home.root() / "Lib", std::nullopt);
    EXPECT_FALSE(unmeasured.duration);
    EXPECT_EQ(unmeasured.type, sv::SampleType::Unknown);
}

TEST(MetadataParser, SameNameInDifferentFolders) {
    const sv::Sample a = kParser.parse("/Lib/Trap 140/Hit.wav", "/Lib", std::nullopt);
    const sv::Sample b = kParser.parse("/Lib/Kicks Am/Hit.wav", "/Lib", std::nullopt);
    EXPECT_EQ(a.filename, b.filename);
    EXPECT_EQ(a.bpm, std::nullopt);  // a bare number in the folder is no tempo
    EXPECT_EQ(a.genre, "trap");
    EXPECT_EQ(b.musicalKey, "A min");
    EXPECT_EQ(b.instrument, "Kick");
    EXPECT_EQ(b.type, sv::SampleType::OneShot);
    EXPECT_EQ(a.type, sv::SampleType::Unknown);
}

TEST(MetadataParser, LibraryNameIgnoresATrailingSeparator) {
    EXPECT_EQ(kParser.parse("/Lib/Pads/x.wav", "/Lib/", std::nullopt).library, "Lib");
    EXPECT_EQ(kParser.parse("/x.wav", "/", std::nullopt).library, "");
}

TEST(MetadataParser, SharedAcrossThreads) {
    std::vector<std::thread> threads;
    std::vector<std::string> keys(4);
    for (std::size_t t = 0; t < keys.size(); ++t) {
        threads.emplace_back([&keys, t] {
            for (int i = 0; i < 500; ++i)
                keys[t] = kParser.parse("/Lib/Am Chords/Stab 120bpm.wav", "/Lib", {}).musicalKey;
        });
    }
    for (auto& thread : threads)
        thread.join();
    for (const auto& key : keys)
        EXPECT_EQ(key, "A min");
}

}  // namespace
