// MIDI through FluidSynth's synthesizer, driven by our own scheduler.
//
// How this works: open parses the whole file (midi_file.h) into events already
// placed on the 44100 Hz frame scale, so the exact length is known at once. The
// synth is always asked for whole 64-frame blocks, the unit it renders in, so it
// never holds rendered audio back between calls; before each block, every event
// due before the block's end is sent. Events thus land on the same block whether
// the song is played straight through or entered by a seek. A seek resets the
// synth and replays programs, controllers and bends up to the target without
// notes, renders the target's block and skips its first frames.
//
// Each stream owns its settings, synth and loaded soundfont (loading the GM
// soundfont takes about 10 ms), so streams share nothing and need no lock.
#include "decoder_midi.h"

#include <fluidsynth.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <system_error>
#include <vector>

namespace engine {
namespace {

constexpr uint64_t kBlockFrames = 64;
constexpr uint64_t kMaxBlocksPerWrite = 64;
constexpr int kChannels = 2;
constexpr double kSynthGain = 0.4;
constexpr const char *kDefaultSoundfontName = "default-GM.sf2";

struct SettingsDeleter {
    void operator()(fluid_settings_t *settings) const { delete_fluid_settings(settings); }
};
struct SynthDeleter {
    void operator()(fluid_synth_t *synth) const { delete_fluid_synth(synth); }
};

struct MidiStream {
    MidiSong song;
    uint64_t totalFrames = 0;
    std::unique_ptr<fluid_settings_t, SettingsDeleter> settings;
    std::unique_ptr<fluid_synth_t, SynthDeleter> synth; // declared last: destroyed before its settings
    uint64_t position = 0; // next frame read returns
    size_t nextEvent = 0;  // first event not yet sent
    // The block holding `position` while position is not on a block boundary.
    std::array<int16_t, kBlockFrames * kChannels> partialBlock{};
};

MidiStream &streamOf(Decoder *decoder) { return *reinterpret_cast<MidiStream *>(decoder); }

// FluidSynth logs to stderr by default; the engine reports nothing on its own.
void silenceFluidSynthLog()
{
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level)
            fluid_set_log_function(level, nullptr, nullptr);
    });
}

bool isNoteEvent(const MidiEvent &event)
{
    const uint8_t kind = event.status & 0xF0;
    return kind == 0x80 || kind == 0x90 || kind == 0xA0;
}

void sendEvent(fluid_synth_t *synth, const MidiEvent &event)
{
    const int channel = event.status & 0x0F;
    switch (event.status & 0xF0) {
    case 0x80: fluid_synth_noteoff(synth, channel, event.data1); break;
    case 0x90: fluid_synth_noteon(synth, channel, event.data1, event.data2); break;
    case 0xA0: fluid_synth_key_pressure(synth, channel, event.data1, event.data2); break;
    case 0xB0: fluid_synth_cc(synth, channel, event.data1, event.data2); break;
    case 0xC0: fluid_synth_program_change(synth, channel, event.data1); break;
    case 0xD0: fluid_synth_channel_pressure(synth, channel, event.data1); break;
    case 0xE0: fluid_synth_pitch_bend(synth, channel, event.data1 | (event.data2 << 7)); break;
    default: break;
    }
}

// Sends the events due before the block at `position` ends, and answers how many
// whole blocks (at most maxBlocks, at least one) can be rendered before another is due.
uint64_t sendDueEvents(MidiStream &stream, uint64_t maxBlocks)
{
    const std::vector<MidiEvent> &events = stream.song.events;
    while (stream.nextEvent < events.size() && events[stream.nextEvent].frame < stream.position + kBlockFrames)
        sendEvent(stream.synth.get(), events[stream.nextEvent++]);
    uint64_t blocks = std::min(maxBlocks, kMaxBlocksPerWrite);
    if (stream.nextEvent < events.size())
        blocks = std::min(blocks, (events[stream.nextEvent].frame - stream.position) / kBlockFrames);
    return std::max<uint64_t>(blocks, 1);
}

void renderBlocks(MidiStream &stream, int16_t *out, uint64_t blocks)
{
    const int frames = static_cast<int>(blocks * kBlockFrames);
    fluid_synth_write_s16(stream.synth.get(), frames, out, 0, kChannels, out, 1, kChannels);
}

long readMidi(Decoder *decoder, int16_t *out, long frames)
{
    MidiStream &stream = streamOf(decoder);
    if (frames <= 0 || stream.position >= stream.totalFrames)
        return 0;
    const uint64_t wanted = std::min<uint64_t>(static_cast<uint64_t>(frames), stream.totalFrames - stream.position);
    uint64_t done = 0;
    while (done < wanted) {
        const uint64_t offset = stream.position % kBlockFrames;
        const uint64_t left = wanted - done;
        if (offset == 0 && left >= kBlockFrames) {
            const uint64_t blocks = sendDueEvents(stream, left / kBlockFrames);
            renderBlocks(stream, out + done * kChannels, blocks);
            stream.position += blocks * kBlockFrames;
            done += blocks * kBlockFrames;
            continue;
        }
        if (offset == 0) {
            sendDueEvents(stream, 1);
            renderBlocks(stream, stream.partialBlock.data(), 1);
        }
        const uint64_t count = std::min(kBlockFrames - offset, left);
        std::memcpy(out + done * kChannels, stream.partialBlock.data() + offset * kChannels,
                    count * kChannels * sizeof(int16_t));
        stream.position += count;
        done += count;
    }
    return static_cast<long>(done);
}

bool seekMidi(Decoder *decoder, uint64_t frame)
{
    MidiStream &stream = streamOf(decoder);
    if (frame >= stream.totalFrames)
        return false;
    // The reset clears the effects but lets notes release into them; silencing
    // the voices after it leaves no tail of the old sound.
    fluid_synth_system_reset(stream.synth.get());
    fluid_synth_all_sounds_off(stream.synth.get(), -1);
    const uint64_t blockStart = frame - frame % kBlockFrames;
    const std::vector<MidiEvent> &events = stream.song.events;
    stream.nextEvent = 0;
    for (; stream.nextEvent < events.size() && events[stream.nextEvent].frame < blockStart; ++stream.nextEvent)
        if (!isNoteEvent(events[stream.nextEvent]))
            sendEvent(stream.synth.get(), events[stream.nextEvent]);
    stream.position = blockStart;
    if (frame != blockStart) {
        sendDueEvents(stream, 1);
        renderBlocks(stream, stream.partialBlock.data(), 1);
        stream.position = frame;
    }
    return true;
}

void closeMidi(Decoder *decoder)
{
    std::unique_ptr<MidiStream> owned(&streamOf(decoder));
}

bool looksLikeMidi(const unsigned char *head, size_t size)
{
    return size >= 4 && std::memcmp(head, "MThd", 4) == 0;
}

// FluidSynth hands a file that is not SoundFont 2 to other loaders, which
// complain on stderr; only a RIFF "sfbk" file is offered to it.
bool isSoundfont2(const std::string &path)
{
    unsigned char head[12] = {};
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    const size_t got = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
    return got == sizeof head && std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "sfbk", 4) == 0;
}

Decoder *openMidi(const char *path, DecoderInfo *info)
{
    return openMidiWithSoundfont(path, findSoundfont(kSoundfontFolder), info);
}

} // namespace

std::string findSoundfont(const char *folder)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path preferred = fs::path(folder) / kDefaultSoundfontName;
    if (fs::is_regular_file(preferred, error))
        return preferred.string();
    std::vector<fs::path> candidates;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
        std::error_code typeError;
        if (entry->path().extension() == ".sf2" && entry->is_regular_file(typeError))
            candidates.push_back(entry->path());
    }
    if (candidates.empty())
        return {};
    return std::min_element(candidates.begin(), candidates.end())->string();
}

Decoder *openMidiWithSoundfont(const char *path, const std::string &soundfont, DecoderInfo *info)
{
    if (!isSoundfont2(soundfont))
        return nullptr;
    auto stream = std::make_unique<MidiStream>();
    if (readMidiFile(path, &stream->song) != MidiParseResult::Ok)
        return nullptr;
    stream->totalFrames = stream->song.endFrame + kMidiReleaseFrames;

    silenceFluidSynthLog();
    stream->settings.reset(new_fluid_settings());
    if (!stream->settings)
        return nullptr;
    fluid_settings_t *settings = stream->settings.get();
    fluid_settings_setnum(settings, "synth.sample-rate", kMidiSampleRate);
    fluid_settings_setnum(settings, "synth.gain", kSynthGain);
    // One thread uses a stream at a time, so FluidSynth's own mutex is not needed.
    fluid_settings_setint(settings, "synth.threadsafe-api", 0);
    fluid_settings_setint(settings, "synth.lock-memory", 0);
    // Loading only the samples of the presets in use keeps open quick, and skips the
    // OpenMP pass that loading the whole soundfont makes (its threads spin afterwards).
    fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
    stream->synth.reset(new_fluid_synth(settings));
    if (!stream->synth || fluid_synth_sfload(stream->synth.get(), soundfont.c_str(), 1) == FLUID_FAILED)
        return nullptr;

    info->sampleRate = kMidiSampleRate;
    info->channels = kChannels;
    info->totalFrames = stream->totalFrames;
    return reinterpret_cast<Decoder *>(stream.release());
}

const DecoderOps midiDecoder = {"midi", looksLikeMidi, openMidi, readMidi, seekMidi, closeMidi};

} // namespace engine
