#pragma once

// Shared pieces of the playback tests: the event loop, child processes of this test program,
// and the audio files the tests play.

#include <QProcessEnvironment>
#include <QString>

#include <filesystem>
#include <functional>

namespace sv::testing {

// Environment variable naming the child role a re-run of this program plays.
inline constexpr char kChildRoleVariable[] = "SV_PLAYBACK_CHILD_ROLE";

// True when this process was started by runChildTest() for `role`.
bool isChildRole(const char* role);

// Runs the event loop until `done` holds or `timeoutMilliseconds` pass; returns `done()`.
bool spinUntil(const std::function<bool()>& done, int timeoutMilliseconds);
// Runs the event loop for the given time.
void spinFor(int milliseconds);

struct ChildResult {
    int exitCode = -1;
    bool crashed = false;
    QString output;
};
// Runs one test of this program in a new process with `role` and extra environment values.
ChildResult runChildTest(const QString& testFilter, const char* role,
                         const QProcessEnvironment& extra, int timeoutMilliseconds = 20000);

// A mono or stereo 16-bit WAV of a constant level (`level` 0 gives silence).
std::filesystem::path writeLevelWav(const std::filesystem::path& path, double seconds,
                                    int sampleRate = 44100, int channels = 1, float level = 0.5f);

}  // namespace sv::testing
