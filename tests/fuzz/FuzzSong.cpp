// The ".Song" reader on any bytes; a composition it accepts must save and read back alike.
#include "song/Composition.h"

#include "tests/fuzz/FuzzFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    CComposition composition;
    {
        CFuzzFile input(bytes, size);
        if (!input.IsOpen() || !composition.Load(input.Path()))
            return 0;
    }
    const std::string& path = FuzzSavePath("round.Song");
    if (!composition.Save(path.c_str()))
        return 0;
    CComposition back;
    if (!back.Load(path.c_str()))
        FuzzFault("a saved composition does not load", back.GetError());
    if (back.GetPartCount() != composition.GetPartCount() ||
        back.GetOrderCount() != composition.GetOrderCount() || back.m_name != composition.m_name)
        FuzzFault("a saved composition reads back different", back.GetError());
    for (int i = 0; i < back.GetPartCount(); ++i)
        if (back.GetPart(i)->m_chords.GetCount() != composition.GetPart(i)->m_chords.GetCount())
            FuzzFault("chords differ after a round trip", back.GetError());
    return 0;
}
