// engine-bench: the engine's figures in one run, printed side by side with
// their goals. Makes its own test files (sox, lame) in a temporary folder and
// plays through SDL's dummy driver unless SDL_AUDIODRIVER says otherwise.
#include "audio_engine.h"
#include "engine_stats.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using Seconds = std::chrono::duration<double>;

namespace {

constexpr int clipSeconds = 60;
constexpr int longClipCopies = 10;
constexpr int hourClipCopies = 60;
constexpr int latencyTrials = 20;
constexpr int creationTrials = 5;
constexpr double memoryPlaySeconds = 3.0;
constexpr double idleSampleSeconds = 10.0;
constexpr double benchIdleGraceSeconds = 0.5; // the device's idle close, shortened to keep the run short
constexpr int coldStartTrials = 5;

struct Figure {
    std::string what;
    std::string measured;
    std::string goal;
    bool met;
};

double cpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double residentMegabytes()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// CPU seconds each thread of this process has run so far, by thread name and id.
std::map<std::string, double> threadCpuSeconds()
{
    std::map<std::string, double> seconds;
    for (const auto &task : fs::directory_iterator("/proc/self/task")) {
        std::string name;
        std::getline(std::ifstream(task.path() / "comm"), name);
        double nanoseconds = 0;
        std::ifstream(task.path() / "schedstat") >> nanoseconds;
        seconds[name + " (" + task.path().filename().string() + ")"] = nanoseconds / 1e9;
    }
    return seconds;
}

// CPU seconds between two threadCpuSeconds() readings of the threads whose name starts with `prefix`.
double threadGroupSeconds(const std::map<std::string, double> &before, const std::map<std::string, double> &after,
                          const std::string &prefix)
{
    double total = 0;
    for (const auto &[name, seconds] : after) {
        if (name.rfind(prefix, 0) != 0)
            continue;
        const auto earlier = before.find(name);
        total += seconds - (earlier == before.end() ? 0.0 : earlier->second);
    }
    return total;
}

// Waits until the engine has closed its idle output device; false if it stays open.
bool waitForOutputClosed()
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (engine::outputDeviceOpen() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return !engine::outputDeviceOpen();
}

bool run(const std::string &command)
{
    return std::system(command.c_str()) == 0;
}

std::string format(const char *pattern, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

// CPU seconds of a child process running `command` to its end.
double childCpuSeconds(const std::string &command)
{
    const double before = cpuSeconds(RUSAGE_CHILDREN);
    run(command);
    return cpuSeconds(RUSAGE_CHILDREN) - before;
}

void concatenate(const fs::path &piece, int copies, const fs::path &out)
{
    std::ifstream in(piece, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    std::ofstream file(out, std::ios::binary);
    for (int i = 0; i < copies; ++i)
        file.write(bytes.data(), std::streamsize(bytes.size()));
}

void writeVariableLength(std::string &out, uint32_t value)
{
    std::string bytes(1, char(value & 0x7F));
    while (value >>= 7)
        bytes.insert(bytes.begin(), char((value & 0x7F) | 0x80));
    out += bytes;
}

// A format-0 MIDI file of one quarter-note scale per beat at 120 bpm.
void writeMidi(const fs::path &out, int minutes)
{
    constexpr int ticksPerQuarter = 480;
    std::string track;
    const int notes = minutes * 120;
    for (int i = 0; i < notes; ++i) {
        const char note = char(60 + i % 12);
        writeVariableLength(track, 0);
        track += {char(0x90), note, char(100)};
        writeVariableLength(track, ticksPerQuarter);
        track += {char(0x80), note, char(0)};
    }
    track += {char(0), char(0xFF), char(0x2F), char(0)};
    auto be32 = [](uint32_t v) { return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; };
    std::string file = "MThd" + be32(6) + std::string{0, 0, 0, 1, char(ticksPerQuarter >> 8), char(ticksPerQuarter & 0xFF)};
    file += "MTrk" + be32(uint32_t(track.size())) + track;
    std::ofstream(out, std::ios::binary).write(file.data(), std::streamsize(file.size()));
}

// Median and largest time of `trials` stream creations of `path` in milliseconds.
std::pair<double, double> creationMilliseconds(const fs::path &path, bool *opened)
{
    std::vector<double> times;
    *opened = true;
    for (int i = 0; i <= creationTrials; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const HSTREAM stream = BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0);
        const double elapsed = Seconds(std::chrono::steady_clock::now() - start).count() * 1000.0;
        *opened = *opened && stream != 0;
        BASS_StreamFree(stream);
        if (i > 0) // the first run only warms the page cache
            times.push_back(elapsed);
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.back()};
}

} // namespace

int main(int argc, char **argv)
{
    // --quick: only the idle and the playing CPU figures, for profiling runs.
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    char pattern[] = "/tmp/engine-bench-XXXXXX";
    if (!mkdtemp(pattern))
        return 1;
    const fs::path folder = pattern;
    const fs::path clip = folder / "clip.mp3", untagged = folder / "untagged.mp3";
    const fs::path shortClip = folder / "short.wav";
    const fs::path tenMinutes = folder / "ten-minutes.mp3", hour = folder / "hour.mp3", midi = folder / "ten.mid";
    std::printf("making test files in %s ...\n", folder.c_str());
    const std::string source = (folder / "source.wav").string();
    if (!run("sox -q -n -r 44100 -c 2 '" + source + "' synth " + std::to_string(clipSeconds) +
             " sine 200-2000 sine 300 remix 1,2 2,1 vol 0.5") ||
        !run("lame --quiet -b 192 '" + source + "' '" + clip.string() + "'") ||
        !run("sox -q '" + source + "' '" + shortClip.string() + "' trim 0 0.3") ||
        !run("lame --quiet -t -b 192 '" + source + "' '" + untagged.string() + "'")) {
        std::fprintf(stderr, "engine-bench: sox and lame are needed\n");
        return 1;
    }
    concatenate(untagged, longClipCopies, tenMinutes);
    concatenate(untagged, hourClipCopies, hour);
    writeMidi(midi, 10);

    if (!BASS_Init(-1, 44100, 0, nullptr, nullptr)) {
        std::fprintf(stderr, "engine-bench: no output\n");
        return 1;
    }
    std::vector<Figure> figures;

    if (!quick) {
        // First, while the process has not yet decoded anything, so freed memory cannot hide the growth.
        const double residentBefore = residentMegabytes();
        const HSTREAM hourStream = BASS_StreamCreateFile(0, hour.c_str(), 0, 0, 0);
        BASS_ChannelPlay(hourStream, 0);
        std::this_thread::sleep_for(Seconds(memoryPlaySeconds));
        const double added = residentMegabytes() - residentBefore;
        BASS_StreamFree(hourStream);
        figures.push_back({"resident memory added, 60-min MP3 playing", format("%.2f MB", added), "< 10 MB",
                           hourStream != 0 && added < 10});
    }

    // With nothing playing the engine closes its device; what is left is the idle cost.
    engine::setOutputIdleGrace(benchIdleGraceSeconds);
    const bool idleClosed = waitForOutputClosed();
    const double idleBefore = cpuSeconds(RUSAGE_SELF);
    std::this_thread::sleep_for(Seconds(idleSampleSeconds));
    const double idlePerSecond = (cpuSeconds(RUSAGE_SELF) - idleBefore) / idleSampleSeconds;
    figures.push_back({"CPU share of one core, idle (no stream playing)", format("%.3f %%", 100.0 * idlePerSecond),
                       "< 0.5 %", idleClosed && idlePerSecond < 0.005});

    std::printf("playing %d s of MP3 through the engine ...\n", clipSeconds);
    const double decodeFloor = childCpuSeconds("mpg123 -q -t '" + clip.string() + "'");
    const double cpuBefore = cpuSeconds(RUSAGE_SELF);
    const auto wallBefore = std::chrono::steady_clock::now();
    const auto threadsBefore = threadCpuSeconds();
    const HSTREAM stream = BASS_StreamCreateFile(0, clip.c_str(), 0, 0, 0);
    BASS_ChannelPlay(stream, 0);
    // The caller's polling is the player's cost, not the engine's: it is left out.
    const double pollingBefore = cpuSeconds(RUSAGE_THREAD);
    while (BASS_ChannelIsActive(stream))
        std::this_thread::sleep_for(std::chrono::milliseconds(35));
    const double polling = cpuSeconds(RUSAGE_THREAD) - pollingBefore;
    const double engineCpu = cpuSeconds(RUSAGE_SELF) - cpuBefore - polling;
    const auto threadsAfter = threadCpuSeconds();
    std::printf("CPU by thread while playing (s):\n");
    for (const auto &[name, seconds] : threadsAfter) {
        const auto before = threadsBefore.find(name);
        std::printf("  %-32s %.4f\n", name.c_str(), seconds - (before == threadsBefore.end() ? 0.0 : before->second));
    }
    std::printf("  of which the caller polling every 35 ms: %.4f (left out)\n", polling);
    const double wall = Seconds(std::chrono::steady_clock::now() - wallBefore).count();
    const double outputCpu = threadGroupSeconds(threadsBefore, threadsAfter, "SDLAudio");
    engine::StreamStats stats;
    engine::streamStats(stream, &stats);
    BASS_StreamFree(stream);
    figures.push_back({"CPU, 60 s MP3 (engine vs mpg123 -t)",
                       format("%.3f s", engineCpu) + " vs " + format("%.3f s", decodeFloor) +
                           format(" = %.2fx", engineCpu / decodeFloor),
                       "<= 1.5x", engineCpu <= 1.5 * decodeFloor});
    figures.push_back({"  of which SDL's output thread", format("%.3f s", outputCpu), "(context)", true});
    figures.push_back({"  of which the rest: decoding, mixing, calls", format("%.3f s", engineCpu - outputCpu) +
                       format(" = %.2fx", (engineCpu - outputCpu) / decodeFloor), "(context)", true});
    figures.push_back({"CPU share of one core in real time", format("%.2f %%", 100.0 * engineCpu / wall), "< 2 %",
                       engineCpu / wall < 0.02});
    figures.push_back({"underruns while playing", std::to_string(stats.underruns), "0", stats.underruns == 0});

    if (!quick) {
        bool opened = false;
        const auto [mp3Median, mp3Worst] = creationMilliseconds(tenMinutes, &opened);
        figures.push_back({"create, 10-min MP3 (median / worst)",
                           opened ? format("%.1f", mp3Median) + format(" / %.1f ms", mp3Worst) : "refused", "< 30 ms",
                           opened && mp3Worst < 30});
        const auto [midiMedian, midiWorst] = creationMilliseconds(midi, &opened);
        figures.push_back({"create, 10-min MIDI (median / worst)",
                           opened ? format("%.1f", midiMedian) + format(" / %.1f ms", midiWorst)
                                  : "n/a (no MIDI stream)",
                           "< 100 ms", opened && midiWorst < 100});

        std::vector<double> latencies;
        for (int i = 0; i < latencyTrials; ++i) {
            const HSTREAM trial = BASS_StreamCreateFile(0, clip.c_str(), 0, 0, 0);
            BASS_ChannelPlay(trial, 0);
            engine::StreamStats trialStats;
            while (engine::streamStats(trial, &trialStats) && !trialStats.firstMixed)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            latencies.push_back(trialStats.playToFirstMixSeconds * 1000.0);
            BASS_StreamFree(trial);
        }
        std::sort(latencies.begin(), latencies.end());
        figures.push_back({"play to first sample at the device (median / worst)",
                           format("%.1f", latencies[latencies.size() / 2]) + format(" / %.1f ms", latencies.back()),
                           "< 20 ms", latencies.back() < 20});

        std::vector<double> coldLatencies;
        for (int i = 0; i < coldStartTrials && waitForOutputClosed(); ++i) {
            const HSTREAM trial = BASS_StreamCreateFile(0, clip.c_str(), 0, 0, 0);
            BASS_ChannelPlay(trial, 0);
            engine::StreamStats trialStats;
            while (engine::streamStats(trial, &trialStats) && !trialStats.firstMixed)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            coldLatencies.push_back(trialStats.playToFirstMixSeconds * 1000.0);
            BASS_StreamFree(trial);
        }
        std::sort(coldLatencies.begin(), coldLatencies.end());
        figures.push_back({"  the same, device closed while idle (med./worst)",
                           coldLatencies.empty() ? "device stayed open"
                                                 : format("%.1f", coldLatencies[coldLatencies.size() / 2]) +
                                                       format(" / %.1f ms", coldLatencies.back()),
                           "< 20 ms", !coldLatencies.empty() && coldLatencies.back() < 20});

        // From the last frame handed to the device to the stream reading inactive.
        std::vector<double> endDelays;
        for (int i = 0; i < latencyTrials / 4; ++i) {
            const HSTREAM trial = BASS_StreamCreateFile(0, shortClip.c_str(), 0, 0, 0);
            BASS_ChannelPlay(trial, 0);
            while (BASS_ChannelIsActive(trial))
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            const auto inactiveTime = std::chrono::steady_clock::now();
            engine::StreamStats trialStats;
            engine::streamStats(trial, &trialStats);
            if (trialStats.drained)
                endDelays.push_back(Seconds(inactiveTime - trialStats.drainedTime).count() * 1000.0);
            BASS_StreamFree(trial);
        }
        std::sort(endDelays.begin(), endDelays.end());
        figures.push_back({"last sample handed out to inactive (median / worst)",
                           endDelays.empty() ? "n/a"
                                             : format("%.1f", endDelays[endDelays.size() / 2]) +
                                                   format(" / %.1f ms", endDelays.back()),
                           "< 50 ms", !endDelays.empty() && endDelays.back() < 50});
    }

    std::printf("\n%-52s %-30s %-10s %s\n", "figure", "measured", "goal", "met");
    for (const Figure &figure : figures)
        std::printf("%-52s %-30s %-10s %s\n", figure.what.c_str(), figure.measured.c_str(), figure.goal.c_str(),
                    figure.met ? "yes" : "NO");
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return 0;
}
