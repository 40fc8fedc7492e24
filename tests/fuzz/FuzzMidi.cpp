// The MIDI reader on any bytes; whatever it accepts and the writer can write must read back.
#include "song/MidiFile.h"
#include "song/Song.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {
[[noreturn]] void Fail(const char* what, const CCharString& error) {
    std::fprintf(stderr, "MIDI fault: %s: %s\n", what, error.GetText());
    std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    CMidiFile midi;
    CSong song;
    if (!midi.LoadFromMemory(bytes, size, song, "fuzz.mid"))
        return 0;
    CCharString dump;
    song.Dump(&dump);

    std::string written;
    if (!midi.SaveToMemory(song, written, "fuzz.mid"))
        return 0;
    CSong back;
    CMidiFile reader;
    if (!reader.LoadFromMemory(reinterpret_cast<const uint8_t*>(written.data()), written.size(),
                               back, "fuzz.mid"))
        Fail("a written file does not read back", reader.GetError());
    if (back.GetTrackCount() != song.GetTrackCount())
        Fail("track count differs after a round trip", reader.GetError());
    return 0;
}
