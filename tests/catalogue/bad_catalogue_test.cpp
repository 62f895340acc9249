// Catalogue files the application cannot use: the constructor fails with SQLite's message
// and the user's file keeps every byte.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>

#include "core/catalogue/database.h"
#include "tests/catalogue/catalogue_fixture.h"
#include "tests/support/temp_home.h"

namespace sv::testing {
namespace {

// The message of the constructor's failure, or "<opened>" when it did not fail.
std::string openFailure(const std::filesystem::path& file) {
    try {
        Database db(file);
    } catch (const std::exception& e) {
        return e.what();
    }
    return "<opened>";
}

// A catalogue with enough rows to span many pages.
void writeFilledCatalogue(const std::filesystem::path& file, int version) {
    writeCatalogueAtVersion(file, version);
    RawConnection c(file);
    c.exec("INSERT INTO libraries(id,path) VALUES(1,'/music')");
    c.exec(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<2000) INSERT INTO "
        "samples(path,filename,library_id,type,genre,file_size,modified_at) SELECT "
        "'/music/folder '||(i%40)||'/sample number '||i||'.wav','sample number '||i||'.wav',1,"
        "'Loop','House',i,1700000000+i FROM n");
}

TEST(BadCatalogue, FileThatIsNotADatabase) {
    TempHome home;
    const std::string bytes(8192, 'x');
    const auto file = home.writeFile("not-a-catalogue.db", "Just some notes\n" + bytes);
    EXPECT_EQ(openFailure(file), "file is not a database");
    EXPECT_EQ(readFileBytes(file), "Just some notes\n" + bytes);
    EXPECT_FALSE(std::filesystem::exists(file.string() + ".pre-v5-backup"));
}

TEST(BadCatalogue, TruncatedDatabase) {
    TempHome home;
    const auto file = home.catalogue();
    writeFilledCatalogue(file, 3);
    const auto size = std::filesystem::file_size(file);
    ASSERT_GT(size, 20 * 4096u);
    std::filesystem::resize_file(file, 40);
    const std::string bytes = readFileBytes(file);

    EXPECT_EQ(openFailure(file), "database disk image is malformed");
    EXPECT_EQ(readFileBytes(file), bytes);
    EXPECT_FALSE(std::filesystem::exists(file.string() + ".pre-v5-backup"));
}

TEST(BadCatalogue, DatabaseCutShortInsideItsTables) {
    TempHome home;
    const auto file = home.catalogue();
    writeFilledCatalogue(file, 3);
    std::filesystem::resize_file(file, std::filesystem::file_size(file) / 2);
    const std::string bytes = readFileBytes(file);

    EXPECT_EQ(openFailure(file), "database disk image is malformed");
    EXPECT_EQ(readFileBytes(file), bytes);
    EXPECT_FALSE(std::filesystem::exists(file.string() + ".pre-v5-backup"));
}

constexpr uid_t kNobody = 65534;

// Runs the opening in a child process that has dropped root's privileges (root ignores
// permission bits) and returns its failure message.
std::string openFailureAsNobody(const std::filesystem::path& file) {
    int channel[2];
    if (pipe(channel) != 0)
        return "<no pipe>";
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        std::string message;
        if (geteuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0))
            message = "<could not drop privileges>";
        else
            message = openFailure(file);
        const ssize_t written = write(channel[1], message.data(), message.size());
        _exit(written == static_cast<ssize_t>(message.size()) ? 0 : 1);
    }
    close(channel[1]);
    std::string message;
    char buffer[256];
    ssize_t count = 0;
    while ((count = read(channel[0], buffer, sizeof buffer)) > 0)
        message.append(buffer, static_cast<std::size_t>(count));
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return message;
}

class ReadOnlyFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        // The unprivileged child must be able to reach and read the folder.
        std::filesystem::permissions(home.root(), std::filesystem::perms::owner_all |
                                                      std::filesystem::perms::group_exec |
                                                      std::filesystem::perms::others_exec);
        std::filesystem::create_directories(folder);
    }
    void makeFolderReadOnly() {
        std::filesystem::permissions(
            folder, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                        std::filesystem::perms::group_read | std::filesystem::perms::group_exec |
                        std::filesystem::perms::others_read | std::filesystem::perms::others_exec);
    }

    TempHome home;
    std::filesystem::path folder = home.root() / "read-only";
    std::filesystem::path file = folder / "samplevorlan.db";
};

TEST_F(ReadOnlyFolder, NewCatalogueCannotBeCreated) {
    makeFolderReadOnly();
    EXPECT_EQ(openFailureAsNobody(file), "unable to open database file");
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(ReadOnlyFolder, OlderCatalogueIsNotTouched) {
    writeFilledCatalogue(file, 3);
    std::filesystem::permissions(file, std::filesystem::perms::all,
                                 std::filesystem::perm_options::add);
    makeFolderReadOnly();
    const std::string bytes = readFileBytes(file);

    EXPECT_EQ(openFailureAsNobody(file), "attempt to write a readonly database");
    EXPECT_EQ(readFileBytes(file), bytes);
    EXPECT_FALSE(std::filesystem::exists(file.string() + ".pre-v5-backup"));
}

TEST_F(ReadOnlyFolder, CurrentCatalogueReadOnlyToTheUser) {
    writeFilledCatalogue(file, 3);
    { Database upgraded(file); }
    std::filesystem::remove(file.string() + ".pre-v5-backup");
    const std::string bytes = readFileBytes(file);

    EXPECT_EQ(openFailureAsNobody(file), "attempt to write a readonly database");
    EXPECT_EQ(readFileBytes(file), bytes);
}

// Another process holds the write lock for longer than the busy timeout.
TEST(BadCatalogue, WriteLockHeldByAnotherProcess) {
    TempHome home;
    const auto file = home.catalogue();
    { Database created(file); }
    const std::string bytes = readFileBytes(file);

    int locked[2];
    int release[2];
    ASSERT_EQ(pipe(locked), 0);
    ASSERT_EQ(pipe(release), 0);
    const pid_t child = fork();
    if (child == 0) {
        close(locked[0]);
        close(release[1]);
        sqlite3* db = nullptr;
        const bool holding =
            sqlite3_open(file.c_str(), &db) == SQLITE_OK &&
            sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
        const char state = holding ? 'y' : 'n';
        if (write(locked[1], &state, 1) != 1)
            _exit(1);
        char ignored;
        while (read(release[0], &ignored, 1) > 0) {
        }
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        _exit(0);
    }
    close(locked[1]);
    close(release[0]);
    char state = 0;
    ASSERT_EQ(read(locked[0], &state, 1), 1);
    ASSERT_EQ(state, 'y');

    const auto start = std::chrono::steady_clock::now();
    const std::string message = openFailure(file);
    const auto waited = std::chrono::steady_clock::now() - start;
    close(release[1]);
    close(locked[0]);
    int status = 0;
    waitpid(child, &status, 0);

    EXPECT_EQ(message, "database is locked");
    EXPECT_GE(waited, std::chrono::milliseconds(4500));
    EXPECT_EQ(readFileBytes(file), bytes);
    { Database reopened(file); }
}

}  // namespace
}  // namespace sv::testing
