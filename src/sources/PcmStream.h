#pragma once
// What the WAV and AIFF readers share: the header is parsed on a handle of its own, then
// the sample bytes are read straight from the playback handle, between dataOffset and
// dataEnd.
#include <cstdint>
#include <string>

#include "platform/File.h"
#include "sources/AudioFile.h"

// Fills the format from a file positioned at its start; false rejects the file.
using HeaderParse = bool (*)(platform::File& file, AudioFormatInfo& format);

// Sets the data range of a parsed format in `file`: totalFrames follows from the size. A
// size that reaches past any file offset (a writer's placeholder, or damage) is taken as
// the rest of the file. False when the offset does not fit the 32-bit field.
bool SetDataRange(AudioFormatInfo& format, const platform::File& file, int64_t offset, uint64_t size);

// The reader operations over the playback handle.
int OpenPcmStream(platform::File& file, AudioFormatInfo& format, const std::wstring& path, HeaderParse parse);
int SeekPcmStream(platform::File& file, const AudioFormatInfo& format, uint32_t frame);
int ReadPcmStream(platform::File& file, const AudioFormatInfo& format, void* buffer, uint32_t bytes);
int PcmStreamLength(const std::wstring& path, HeaderParse parse, int& minutes, int& seconds);

// How many of `bytes` lie between the current position and dataEnd (0 when closed).
uint32_t PcmBytesLeft(const platform::File& file, const AudioFormatInfo& format, uint32_t bytes);
