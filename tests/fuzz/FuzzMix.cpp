// The ".mix" reader on any bytes; a mix it accepts must save and read back to two decimals.
#include "song/Mix.h"

#include "tests/fuzz/FuzzFile.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    CMix mix;
    {
        CFuzzFile input(bytes, size);
        if (!input.IsOpen() || !mix.Load(input.Path()))
            return 0;
    }
    for (const auto& [key, entry] : mix.GetEntries())
        if (!(entry.volume >= 0.0f && entry.volume <= 1.0f && entry.pan >= -1.0f &&
              entry.pan <= 1.0f))
            FuzzFault("a level outside its range", mix.GetError());

    const std::string& path = FuzzSavePath("round.mix");
    if (!mix.Save(path.c_str()))
        return 0;
    CMix back;
    if (!back.Load(path.c_str()))
        FuzzFault("a saved mix does not load", back.GetError());
    if (back.GetCount() != mix.GetCount())
        FuzzFault("entry count differs after a round trip", back.GetError());
    for (const auto& [key, entry] : mix.GetEntries()) {
        const MIX_ENTRY* read = back.FindEntry(key);
        if (!read || std::fabs(read->volume - entry.volume) > 0.0051f ||
            std::fabs(read->pan - entry.pan) > 0.0051f || !(read->soundFile == entry.soundFile))
            FuzzFault("an entry differs after a round trip", back.GetError());
    }
    return 0;
}
