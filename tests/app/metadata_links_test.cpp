#include <QTest>

#include "app/filters/filter_bar.h"
#include "app/filters/filter_chip.h"
#include "app/filters/filter_choices.h"
#include "app/filters/inline_metadata.h"
#include "app/results/results_browser.h"
#include "app/results/sample_cell.h"
#include "tests/app/filter_fixture.h"

namespace svapp_test {
namespace {

using namespace SVFilterChoices;

TEST(MetadataParts, EveryGenreOfTheJoinedTextIsItsOwnLink) {
    struct Case {
        std::string genre;
        std::vector<std::pair<QString, QString>> genreParts;  // text, role
        QString line;
    };
    const Case cases[] = {
        {"trap", {{"trap", "genre"}}, "Loop • Bass • trap"},
        {"Hip Hop, trap", {{"Hip Hop", "genre"}, {"trap", "genre"}}, "Loop • Bass • Hip Hop, trap"},
        {"house, Unknown, R&B",
         {{"house", "genre"}, {"Unknown", ""}, {"R&B", "genre"}},
         "Loop • Bass • house, Unknown, R&B"},
        {"None", {{"None", ""}}, "Loop • Bass • None"},
        {"", {}, "Loop • Bass"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.genre);
        sv::Sample sample;
        sample.type = sv::SampleType::Loop;
        sample.instrument = "Bass";
        sample.genre = c.genre;
        sample.library = "Drum Kit";
        const auto parts = metadataParts(sample, {}, {});
        ASSERT_EQ(parts.size(), 3 + c.genreParts.size());
        EXPECT_EQ(parts.back().text, QStringLiteral("Drum Kit"));
        EXPECT_FALSE(parts.back().continuesPrevious);
        for (std::size_t i = 0; i < c.genreParts.size(); ++i) {
            const SVMetadataPart& part = parts[2 + i];
            EXPECT_EQ(part.text, c.genreParts[i].first);
            EXPECT_EQ(part.role, c.genreParts[i].second);
            EXPECT_EQ(part.continuesPrevious, i > 0);
        }
        SVSampleCell cell;
        SVSampleCellContent content;
        content.sample = sample;
        cell.setContent(content);
        EXPECT_EQ(cell.metadataText(), c.line + QStringLiteral(" • Drum Kit"));
    }
}

class MetadataLinkTest : public FilterTest {
  protected:
    void SetUp() override {
        FilterTest::SetUp();
        addCatalogue({{"Loops/Bass 90.wav", "Loop", "Bass", "Hip Hop", "A min", 90},
                      {"Loops/Keys 92.wav", "Loop", "Keys", "rnb", "A min", 92},
                      {"Shots/Kick.wav", "One Shot", "Kick", "trap", "None", std::nullopt}});
        addFolderGenre("Loops", "house");
        startApp();
    }

    SVSampleCell* cellNamed(const std::string& name) {
        for (std::size_t row = 0; row < browser()->rows().size(); ++row) {
            if (browser()->rows()[row].filename == name)
                return browser()->sampleCellForRow(static_cast<int>(row));
        }
        return nullptr;
    }

    SVMetadataLink* link(SVSampleCell* cell, const QString& role, const QString& value) {
        for (SVMetadataLink* candidate : cell->metadataLinks()) {
            if (candidate->metadataRole() == role && candidate->metadataValue() == value)
                return candidate;
        }
        return nullptr;
    }
};

TEST_F(MetadataLinkTest, LinksChooseChipValuesAndTheCategory) {
    SVSampleCell* cell = cellNamed("Bass 90.wav");
    ASSERT_NE(cell, nullptr);
    EXPECT_TRUE(cell->metadataText().startsWith(QStringLiteral("Loop • Bass • house, Hip Hop")))
        << cell->metadataText().toStdString();
    SVMetadataLink* hipHop = link(cell, QStringLiteral("genre"), QStringLiteral("Hip Hop"));
    ASSERT_NE(hipHop, nullptr);
    EXPECT_EQ(hipHop->toolTip(), QStringLiteral("Filter by Hip Hop"));
    EXPECT_EQ(hipHop->accessibleName().isEmpty() ? hipHop->text() : hipHop->accessibleName(),
              QStringLiteral("Hip Hop"));
    refreshAfter([&] { hipHop->click(); });
    EXPECT_EQ(bar()->filter(kGenres)->selectedValue(), QStringLiteral("Hip Hop"));
    EXPECT_EQ(shownNames(), std::vector<std::string>{"Bass 90.wav"});

    cell = cellNamed("Bass 90.wav");
    ASSERT_NE(cell, nullptr);
    refreshAfter([&] { link(cell, QStringLiteral("genre"), QStringLiteral("house"))->click(); });
    EXPECT_EQ(shownNames(), (std::vector<std::string>{"Bass 90.wav", "Keys 92.wav"}));

    cell = cellNamed("Keys 92.wav");
    ASSERT_NE(cell, nullptr);
    refreshAfter(
        [&] { link(cell, QStringLiteral("instrument"), QStringLiteral("Keys"))->click(); });
    EXPECT_EQ(bar()->filter(kInstruments)->selectedValue(), QStringLiteral("Keys"));
    EXPECT_EQ(shownNames(), std::vector<std::string>{"Keys 92.wav"});

    cell = cellNamed("Keys 92.wav");
    ASSERT_NE(cell, nullptr);
    refreshAfter([&] { link(cell, QStringLiteral("type"), QStringLiteral("Loop"))->click(); });
    EXPECT_EQ(browser()->scope().sectionType, "Loop");
    // Selecting the category again keeps it: a link never turns the category off.
    cell = cellNamed("Keys 92.wav");
    ASSERT_NE(cell, nullptr);
    refreshAfter([&] { link(cell, QStringLiteral("type"), QStringLiteral("Loop"))->click(); });
    EXPECT_EQ(browser()->scope().sectionType, "Loop");
}

TEST_F(MetadataLinkTest, PackLinksOpenTheirFolderOrSayItIsGone) {
    SVInlineMetadata* links = controller->inlineMetadata();
    refreshAfter([&] {
        links->openInlineMetadata(QStringLiteral("pack"), QStringLiteral("Loops"),
                                  QString::fromStdString(folderPath("Loops")));
    });
    EXPECT_EQ(browser()->scope().folderScope, folderPath("Loops"));
    EXPECT_EQ(shownNames(), (std::vector<std::string>{"Bass 90.wav", "Keys 92.wav"}));

    for (const std::string& gone : {folderPath("Gone"), std::string()}) {
        browser()->setStatusText({});
        links->openInlineMetadata(QStringLiteral("pack"), QStringLiteral("Gone"),
                                  QString::fromStdString(gone));
        EXPECT_EQ(browser()->statusText(), QStringLiteral("Pack is no longer available"));
        EXPECT_EQ(browser()->scope().folderScope, folderPath("Loops"));
    }
    // A folder that exists but holds nothing of the catalogue is no pack either.
    std::filesystem::create_directories(folderPath("Empty"));
    links->openInlineMetadata(QStringLiteral("pack"), QStringLiteral("Empty"),
                              QString::fromStdString(folderPath("Empty")));
    EXPECT_EQ(browser()->statusText(), QStringLiteral("Pack is no longer available"));
}

}  // namespace
}  // namespace svapp_test
