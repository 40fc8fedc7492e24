// The ".Song" reader on any bytes; a composition it accepts must save and read back alike.
#include "song/Composition.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {
[[noreturn]] void Fail(const char* what, const CCharString& error) {
    std::fprintf(stderr, "song file fault: %s: %s\n", what, error.GetText());
    std::abort();
}

const std::string& SavePath() {
    static std::string path = [] {
        char folder[] = "/tmp/fuzz_song_XXXXXX";
        const char* made = mkdtemp(folder);
        return std::string(made ? made : "/tmp") + "/round.Song";
    }();
    return path;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    int memory = memfd_create("song", MFD_CLOEXEC);
    if (memory < 0)
        return 0;
    if (write(memory, bytes, size) != static_cast<ssize_t>(size)) {
        close(memory);
        return 0;
    }
    char path[64];
    std::snprintf(path, sizeof path, "/proc/self/fd/%d", memory);
    CComposition composition;
    bool loaded = composition.Load(path);
    close(memory);
    if (!loaded)
        return 0;

    if (!composition.Save(SavePath().c_str()))
        return 0;
    CComposition back;
    if (!back.Load(SavePath().c_str()))
        Fail("a saved composition does not load", back.GetError());
    if (back.GetPartCount() != composition.GetPartCount() ||
        back.GetOrderCount() != composition.GetOrderCount() || back.m_name != composition.m_name)
        Fail("a saved composition reads back different", back.GetError());
    for (int i = 0; i < back.GetPartCount(); ++i)
        if (back.GetPart(i)->m_chords.GetCount() != composition.GetPart(i)->m_chords.GetCount())
            Fail("chords differ after a round trip", back.GetError());
    return 0;
}
