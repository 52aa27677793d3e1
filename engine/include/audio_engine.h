/* The player's audio engine: decoding (WAV, MP3, MIDI) and sound output.
 *
 * A C interface so that it can be used like any installed sound library.
 * Every call accepts any handle value: 0, a freed handle or an unknown one
 * does nothing and returns the call's failure value, listed with each call.
 * Handles are never reused, so a freed handle never names a later stream.
 */
#ifndef AUDIO_ENGINE_H
#define AUDIO_ENGINE_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef uint32_t DWORD;
typedef uint64_t QWORD;
typedef int BOOL;
typedef DWORD HSTREAM;

/* Attribute of BASS_ChannelSetAttribute: volume, 0.0 to 1.0. */
#define BASS_ATTRIB_VOL 2
/* Mode of length and position calls: bytes of 16-bit PCM at the stream's own rate and channels. */
#define BASS_POS_BYTE 0
/* Tag type of BASS_ChannelGetTags: the 128-byte ID3v1 block at the end of the file. */
#define BASS_TAG_ID3 0

/* Answers of BASS_ChannelIsActive. */
#define BASS_ACTIVE_STOPPED 0
#define BASS_ACTIVE_PLAYING 1
#define BASS_ACTIVE_STALLED 2
#define BASS_ACTIVE_PAUSED 3

/* Opens the output: device -1 is the default device; freq is the output rate.
 * flags, win and clsid are accepted and not used. Fails (0) if no output can be
 * opened; then every later stream creation fails too. */
BOOL BASS_Init(int device, DWORD freq, DWORD flags, void *win, const void *clsid);

/* mem must be 0: file is a zero-terminated path, taken as bytes. offset, length
 * and flags must be 0. The format is decided by the file's content. 0 on failure. */
HSTREAM BASS_StreamCreateFile(BOOL mem, const void *file, QWORD offset, QWORD length, DWORD flags);
BOOL BASS_StreamFree(HSTREAM handle);

/* restart 0: a new or stopped stream starts from its position, a paused one resumes,
 * one that played to its end starts over. restart non-zero: from the start. */
BOOL BASS_ChannelPlay(DWORD handle, BOOL restart);
BOOL BASS_ChannelPause(DWORD handle);
BOOL BASS_ChannelStop(DWORD handle);
/* 0 when ended, stopped, never played or unknown; otherwise one of the answers above. */
DWORD BASS_ChannelIsActive(DWORD handle);
/* Only BASS_ATTRIB_VOL; values are clamped to 0.0..1.0, NaN is refused. A change
 * is ramped in over 10 ms so that it does not click. */
BOOL BASS_ChannelSetAttribute(DWORD handle, DWORD attrib, float value);

/* Failure: (QWORD)-1. */
QWORD BASS_ChannelGetLength(DWORD handle, DWORD mode);
/* The position being heard now. Failure: (QWORD)-1. */
QWORD BASS_ChannelGetPosition(DWORD handle, DWORD mode);
/* Failure: -1.0. */
double BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos);
/* Fails and changes nothing for a position outside the stream. */
BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos, DWORD mode);
/* Peak of the last ~20 ms heard, after the volume attribute: left in the high
 * word, right in the low word (a mono stream gives both the same), 32768 = full
 * scale. 0 while not playing. Failure: (DWORD)-1. */
DWORD BASS_ChannelGetLevel(DWORD handle);
/* BASS_TAG_ID3: the 128-byte block starting "TAG" when the file ends in one, else NULL. */
const char *BASS_ChannelGetTags(DWORD handle, DWORD tags);

#ifdef __cplusplus
}
#endif

#endif
