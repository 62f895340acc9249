// The user's type, instrument and genre corrections, per sample and below folders.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "core/catalogue/database.h"
#include "core/inference/instrument_normalization.h"
#include "tests/catalogue/catalogue_fixture.h"

namespace sv::testing {
namespace {

using Rows = std::vector<std::vector<std::string>>;

std::string failureOf(const std::function<void()>& operation) {
    try {
        operation();
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "<no failure>";
}

class Overrides : public CatalogueTest {
  protected:
    std::int64_t library = db().addLibrary("/music");
    std::int64_t loop = addSample(library, "/music/Drums/loop.wav", "", SampleType::Loop, "Drums");
    std::int64_t hit =
        addSample(library, "/music/Drums/sub/hit.wav", "", SampleType::OneShot, "Snare");
    std::int64_t midi = addSample(library, "/music/Drums/groove.mid", "", SampleType::Midi);
    std::int64_t sibling =
        addSample(library, "/music/Drums2/other.wav", "", SampleType::OneShot, "Kick");

    Rows typeColumns() {
        return raw().rows(
            "SELECT id,type,auto_type,coalesce(user_type_override,'-'),"
            "coalesce(type_override_source,'-') FROM samples ORDER BY id");
    }
    Rows instrumentColumns() {
        return raw().rows(
            "SELECT id,coalesce(instrument,'-'),coalesce(auto_instrument,'-'),"
            "coalesce(user_instrument_override,'-'),coalesce(instrument_override_source,'-') "
            "FROM samples ORDER BY id");
    }
    static std::string s(std::int64_t id) { return std::to_string(id); }
};

TEST_F(Overrides, SampleTypeOverrideAndItsClearing) {
    db().setTypeOverride({loop, hit}, SampleType::OneShot);
    EXPECT_EQ(typeColumns(), (Rows{{s(loop), "One Shot", "Loop", "One Shot", "sample"},
                                   {s(hit), "One Shot", "One Shot", "One Shot", "sample"},
                                   {s(midi), "MIDI", "MIDI", "-", "-"},
                                   {s(sibling), "One Shot", "One Shot", "-", "-"}}));
    db().setTypeOverride({loop}, std::nullopt);
    EXPECT_EQ(typeColumns().at(0), (std::vector<std::string>{s(loop), "Loop", "Loop", "-", "-"}));
    db().setTypeOverride({}, SampleType::Midi);  // nothing to do
}

TEST_F(Overrides, MarkingAsMidiChecksEveryFileFirst) {
    const auto upper = addSample(library, "/music/Keys/CHORDS.MIDI", "", SampleType::Loop);
    const auto mixed = addSample(library, "/music/Keys/lead.Mid", "", SampleType::Unknown);
    const Rows before = typeColumns();
    EXPECT_EQ(failureOf([&] {
                  db().setTypeOverride({upper, loop}, SampleType::Midi);
              }),
              "Only .mid and .midi files can be marked as MIDI");
    EXPECT_EQ(failureOf([&] {
                  db().setTypeOverride({upper, 99999}, SampleType::Midi);
              }),
              "Sample no longer exists");
    EXPECT_EQ(typeColumns(), before);

    db().setTypeOverride({upper, mixed}, SampleType::Midi);
    EXPECT_EQ(column("type", upper), "MIDI");
    EXPECT_EQ(column("type", mixed), "MIDI");
    db().setTypeOverride({midi}, SampleType::Loop);  // a MIDI file may be marked as audio
    EXPECT_EQ(column("type", midi), "Loop");
}

TEST_F(Overrides, ListWithAVanishedSampleChangesNothing) {
    const Rows before = typeColumns();
    EXPECT_EQ(failureOf([&] {
                  db().setTypeOverride({loop, 99999, hit}, SampleType::OneShot);
              }),
              "Sample type override could not be saved");
    EXPECT_EQ(typeColumns(), before);
    expectUsableFromAnotherThread(db());
}

TEST_F(Overrides, FolderTypeOverrideSparesMidiSiblingsAndTheFolderItself) {
    const auto folderItself = addSample(library, "/music/Drums", "", SampleType::OneShot);
    db().setTypeOverride({hit}, SampleType::Loop);
    db().setFolderTypeOverride("/music/Drums", SampleType::OneShot);
    EXPECT_EQ(typeColumns(), (Rows{{s(loop), "One Shot", "Loop", "One Shot", "folder"},
                                   {s(hit), "One Shot", "One Shot", "One Shot", "folder"},
                                   {s(midi), "MIDI", "MIDI", "-", "-"},
                                   {s(sibling), "One Shot", "One Shot", "-", "-"},
                                   {s(folderItself), "One Shot", "One Shot", "-", "-"}}));

    db().setTypeOverride({hit}, SampleType::Loop);
    db().setFolderTypeOverride("/music/Drums", std::nullopt);
    EXPECT_EQ(typeColumns(), (Rows{{s(loop), "Loop", "Loop", "-", "-"},
                                   {s(hit), "One Shot", "One Shot", "-", "-"},
                                   {s(midi), "MIDI", "MIDI", "-", "-"},
                                   {s(sibling), "One Shot", "One Shot", "-", "-"},
                                   {s(folderItself), "One Shot", "One Shot", "-", "-"}}));

    EXPECT_EQ(failureOf([&] { db().setFolderTypeOverride("/music/Drums", SampleType::Midi); }),
              "Folder type override cannot mark audio as MIDI");
}

TEST_F(Overrides, MarkedMidiFilesAreNeverTouchedByFolderTypes) {
    const auto marked = addSample(library, "/music/Drums/fill.mid", "", SampleType::Loop);
    db().setTypeOverride({marked}, SampleType::Midi);
    db().setFolderTypeOverride("/music/Drums", SampleType::Loop);
    db().setFolderTypeOverride("/music/Drums", std::nullopt);
    EXPECT_EQ(raw().rows("SELECT type,user_type_override,type_override_source FROM samples "
                         "WHERE id=" +
                         s(marked)),
              (Rows{{"MIDI", "MIDI", "sample"}}));
}

TEST_F(Overrides, FolderInstrumentIsNormalisedCoversMidiAndSurvivesRescans) {
    db().setFolderInstrumentOverride("/music/Drums", std::string("hi-hat"));
    const std::string hat = normalizedInstrument("hi-hat");
    EXPECT_EQ(instrumentColumns(), (Rows{{s(loop), hat, "Drums", hat, "folder"},
                                         {s(hit), hat, "Snare", hat, "folder"},
                                         {s(midi), hat, "", hat, "folder"},
                                         {s(sibling), "Kick", "Kick", "-", "-"}}));

    addSample(library, "/music/Drums/sub/hit.wav", "", SampleType::OneShot, "Clap");
    EXPECT_EQ(column("instrument", hit), hat);
    EXPECT_EQ(column("auto_instrument", hit), "Clap");

    db().setFolderInstrumentOverride("/music/Drums", std::nullopt);
    EXPECT_EQ(instrumentColumns(), (Rows{{s(loop), "Drums", "Drums", "-", "-"},
                                         {s(hit), "Clap", "Clap", "-", "-"},
                                         {s(midi), "", "", "-", "-"},
                                         {s(sibling), "Kick", "Kick", "-", "-"}}));
}

TEST_F(Overrides, FolderGenresAddOnceRemoveIgnoringCaseAndKeepInferredOnes) {
    const auto trap = addSample(library, "/music/Drums/trap.wav", "trap");
    db().setFolderGenreOverride("/music/Drums", "Trap", true);
    db().setFolderGenreOverride("/music/Drums", "Trap", true);
    db().setFolderGenreOverride("/music/Drums/sub", "Dub", true);
    db().setFolderGenreOverride("/music/Drums", "", true);
    EXPECT_EQ(raw().rows("SELECT sample_id,genre,source FROM sample_genres ORDER BY 1,2,3"),
              (Rows{{s(loop), "Trap", "folder"},
                    {s(hit), "Dub", "folder"},
                    {s(hit), "Trap", "folder"},
                    {s(midi), "Trap", "folder"},
                    {s(trap), "Trap", "folder"},
                    {s(trap), "trap", "auto"}}));
    EXPECT_EQ(column("genre", hit), "Dub, Trap");
    EXPECT_EQ(column("genre", trap), "Trap, trap");
    EXPECT_EQ(column("genre", sibling), "NULL");

    db().setFolderGenreOverride("/music/Drums", "trap", false);
    EXPECT_EQ(raw().rows("SELECT sample_id,genre,source FROM sample_genres ORDER BY 1,2,3"),
              (Rows{{s(hit), "Dub", "folder"}, {s(trap), "trap", "auto"}}));
    EXPECT_EQ(column("genre", loop), "NULL");
    EXPECT_EQ(column("genre", hit), "Dub");
    EXPECT_EQ(column("genre", trap), "trap");
}

TEST_F(Overrides, FailingFolderStatementRollsEverythingBack) {
    raw().exec(
        "CREATE TRIGGER refuse_type BEFORE UPDATE OF user_type_override ON samples WHEN "
        "new.filename='hit.wav' BEGIN SELECT RAISE(ABORT,'type refused'); END;"
        "CREATE TRIGGER refuse_genre BEFORE UPDATE OF genre ON samples WHEN "
        "new.filename='hit.wav' BEGIN SELECT RAISE(ABORT,'genre refused'); END;"
        "CREATE TRIGGER refuse_instrument BEFORE UPDATE OF instrument ON samples WHEN "
        "new.filename='hit.wav' BEGIN SELECT RAISE(ABORT,'instrument refused'); END;");
    const Rows types = typeColumns();
    const Rows instruments = instrumentColumns();
    EXPECT_EQ(failureOf([&] { db().setFolderTypeOverride("/music/Drums", SampleType::Loop); }),
              "type refused");
    EXPECT_EQ(failureOf([&] { db().setFolderInstrumentOverride("/music/Drums", "Bass"); }),
              "instrument refused");
    EXPECT_EQ(failureOf([&] { db().setFolderGenreOverride("/music/Drums", "Trap", true); }),
              "genre refused");
    EXPECT_EQ(typeColumns(), types);
    EXPECT_EQ(instrumentColumns(), instruments);
    EXPECT_EQ(raw().number("SELECT count(*) FROM sample_genres"), 0);
    expectUsableFromAnotherThread(db());
}

TEST_F(Overrides, FolderCountFollowsTheSearchPredicates) {
    addSample(library, "/music/Drums/._loop.wav", "", SampleType::Loop);
    const auto offline = db().addLibrary("/elsewhere");
    addSample(offline, "/elsewhere/Drums/x.wav");
    db().setLibraryAvailable("/elsewhere", false);

    EXPECT_EQ(db().countFolderSamples("/music/Drums", true), 3);
    EXPECT_EQ(db().countFolderSamples("/music/Drums", false), 2);
    EXPECT_EQ(db().countFolderSamples("/music/Drums/sub", true), 1);
    EXPECT_EQ(db().countFolderSamples("/music/Drum", true), 0);
    EXPECT_EQ(db().countFolderSamples("/music", true), 4);
    EXPECT_EQ(db().countFolderSamples("/elsewhere", true), 0);
    db().setTypeOverride({loop}, std::nullopt);
    db().setTypeOverride({midi}, SampleType::Loop);
    EXPECT_EQ(db().countFolderSamples("/music/Drums", false), 3);
}

TEST_F(Overrides, UpdateCountsCoverEveryRowTheFolderOperationsChange) {
    addSample(library, "/music/Drums/._loop.wav", "", SampleType::Loop);
    const auto offline = db().addLibrary("/music/Drums/Drive");
    addSample(offline, "/music/Drums/Drive/far.wav", "", SampleType::Loop);
    db().setLibraryAvailable("/music/Drums/Drive", false);
    addSample(library, "/music/Drums é#?%/odd.wav", "", SampleType::Loop);

    struct Case {
        std::string folder;
        bool includeMidi;
        std::int64_t expected;
    };
    const std::vector<Case> cases = {{"/music/Drums", true, 5},     {"/music/Drums", false, 4},
                                     {"/music/Drums/sub", true, 1}, {"/music/Drum", true, 0},
                                     {"/music", true, 7},           {"/music/Drums é#?%", true, 1},
                                     {"/music/Drums/", true, 0},    {"", true, 7}};
    for (const Case& c : cases)
        EXPECT_EQ(db().countFolderUpdateRows(c.folder, c.includeMidi), c.expected) << c.folder;

    // Each count equals what the update then changes.
    db().setFolderTypeOverride("/music/Drums", SampleType::OneShot);
    EXPECT_EQ(raw().number("SELECT count(*) FROM samples WHERE type_override_source='folder'"),
              db().countFolderUpdateRows("/music/Drums", false));
    db().setFolderInstrumentOverride("/music/Drums", "Keys");
    EXPECT_EQ(
        raw().number("SELECT count(*) FROM samples WHERE instrument_override_source='folder'"),
        db().countFolderUpdateRows("/music/Drums", true));
}

TEST_F(Overrides, FolderGenresTellCarriedAndFolderSetGenres) {
    db().setFolderGenreOverride("/music/Drums", "Trap", true);
    raw().exec("INSERT INTO sample_genres(sample_id,genre,source) VALUES(" + s(loop) +
               ",'house','auto')," + "(" + s(hit) + ",'trap','auto'),(" + s(sibling) +
               ",'jazz','auto')");
    addSample(library, "/music/Drums/._hidden.wav", "", SampleType::Loop);
    raw().exec(
        "INSERT INTO sample_genres(sample_id,genre,source) SELECT id,'soul','auto' FROM samples "
        "WHERE filename='._hidden.wav'");

    const std::vector<FolderGenre> expected = {{"Trap", true}, {"house", false}, {"trap", false}};
    EXPECT_EQ(db().folderGenres("/music/Drums"), expected);
    EXPECT_EQ(db().folderGenres("/music/Drums/sub"),
              (std::vector<FolderGenre>{{"Trap", true}, {"trap", false}}));
    EXPECT_TRUE(db().folderGenres("/music/Drum").empty());
}

TEST_F(Overrides, ExistingSampleIdsKeepTheListOrder) {
    raw().exec("DELETE FROM samples WHERE id=" + s(hit));
    EXPECT_EQ(db().existingSampleIds({midi, hit, loop, 999}),
              (std::vector<std::int64_t>{midi, loop}));
    EXPECT_TRUE(db().existingSampleIds({}).empty());
}

}  // namespace
}  // namespace sv::testing
