#pragma once
// What tests (and the benchmark) can do with the DirectSound layer beyond the
// calls the game makes. Headless, nothing plays by itself: the mixer's output
// is a sink that a test advances by a number of frames and then reads. Each
// frame is two 16-bit samples, left then right, at 44100 frames per second.
// With TK_SOUND_WAV=file.wav the mixer writes what it plays into that file
// (for listening to a headless run): headless it follows the virtual clock,
// with a window it plays in real time.

#include "platform/dsound/DSound.h"

#include <cstdint>
#include <vector>

inline constexpr DWORD TK_SOUND_RATE = 44100;
inline constexpr DWORD TK_SOUND_CHANNELS = 2;

// Mixes the next `frames` frames of every playing buffer into the sink and
// moves their play cursors on.
void TkSoundSinkAdvance(DWORD frames);
// The samples mixed into the sink since the last take or clear (interleaved
// left and right), which empties it. The sink keeps at most two minutes.
std::vector<int16_t> TkSoundSinkTake();
void TkSoundSinkClear();

// Mixes `frames` frames into `out` (2 x frames samples) without the sink.
void TkSoundMix(int16_t* out, DWORD frames);

// Writes interleaved 16-bit stereo at 44100 Hz as a RIFF wave file.
bool TkSoundSaveWav(const char* file, const std::vector<int16_t>& samples);

// Headless with TK_SOUND_WAV nothing plays by itself: true then. The sound
// manager plays, step by step, the frames the virtual clock says are due
// since the device was made, so the file holds what a player would have
// heard however fast or slow the machine ran the frames.
bool TkSoundFollowsClock();
// Frames played into the file since the device was made.
uint64_t TkSoundPlayedFrames();
// Mixes the next `frames` frames of every playing buffer into the file.
void TkSoundPlay(DWORD frames);

// Every secondary buffer is lost and stops, as when another program takes
// the sound device.
void TkSoundLoseBuffers();
// While unavailable, Restore answers DSERR_BUFFERLOST.
void TkSoundSetDeviceAvailable(bool available);
// While set, DirectSoundCreate8 fails.
void TkSoundFailCreate(bool fail);
// Buffers that exist (created and not yet released), primary ones included.
unsigned TkSoundLiveBuffers();
// Back to the defaults: device available, creation works, sink empty.
void TkSoundResetHeadless();
