#pragma once

#include "core/CharString.h"
#include "theory/Note.h"

#include <cstdint>
#include <memory>

// The format record of a PCM WAVE file, in the field order of the file's "fmt " chunk.
struct WAVE_FORMAT {
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t samplesPerSec = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    uint16_t extraSize = 0; // always 0 for the formats kept here
};

constexpr uint16_t WAVE_FORMAT_PCM = 1;

// One sample in memory: its format, its 16-bit PCM bytes, where it was read from, and the note
// it stands for. Copies share the byte buffer (reference counted): the lead and rhythm guitars
// hold the same data, and the last owner frees it.
class CSoundInfo {
public:
    WAVE_FORMAT format;
    // Held as 16-bit values so that the values are reached without aliasing tricks; an odd
    // byte count gets one value more. Little-endian hosts only, like the files.
    std::shared_ptr<int16_t[]> data;
    uint32_t size = 0; // bytes in data
    CCharString fileName;
    CNote note;

    // Replaces the data by a new buffer of the given size; false when out of memory. Other
    // copies keep the old buffer. Zeroed unless the caller writes every byte itself: zeroing
    // the sample sets cost a tenth of the start-up.
    bool Allocate(uint32_t bytes, bool zeroed = true);
    // Drops this copy's hold on the data.
    void Free() {
        data.reset();
        size = 0;
    }

    uint8_t* GetBytes() const { return reinterpret_cast<uint8_t*>(data.get()); }
    // The data as 16-bit values (the caller knows the sample is 16-bit).
    int16_t* GetValues() const { return data.get(); }
    uint32_t GetValueCount() const { return data ? size / 2 : 0; }
};
