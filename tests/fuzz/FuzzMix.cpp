// The ".mix" reader on any bytes; a mix it accepts must save and read back to two decimals.
#include "song/Mix.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {
[[noreturn]] void Fail(const char* what, const CCharString& error) {
    std::fprintf(stderr, "mix fault: %s: %s\n", what, error.GetText());
    std::abort();
}

const std::string& SavePath() {
    static std::string path = [] {
        char folder[] = "/tmp/fuzz_mix_XXXXXX";
        const char* made = mkdtemp(folder);
        return std::string(made ? made : "/tmp") + "/round.mix";
    }();
    return path;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    int memory = memfd_create("mix", MFD_CLOEXEC);
    if (memory < 0)
        return 0;
    if (write(memory, bytes, size) != static_cast<ssize_t>(size)) {
        close(memory);
        return 0;
    }
    char path[64];
    std::snprintf(path, sizeof path, "/proc/self/fd/%d", memory);
    CMix mix;
    bool loaded = mix.Load(path);
    close(memory);
    if (!loaded)
        return 0;
    for (const auto& [key, entry] : mix.GetEntries())
        if (!(entry.volume >= 0.0f && entry.volume <= 1.0f && entry.pan >= -1.0f &&
              entry.pan <= 1.0f))
            Fail("a level outside its range", mix.GetError());

    if (!mix.Save(SavePath().c_str()))
        return 0;
    CMix back;
    if (!back.Load(SavePath().c_str()))
        Fail("a saved mix does not load", back.GetError());
    if (back.GetCount() != mix.GetCount())
        Fail("entry count differs after a round trip", back.GetError());
    for (const auto& [key, entry] : mix.GetEntries()) {
        const MIX_ENTRY* read = back.FindEntry(key);
        if (!read || std::fabs(read->volume - entry.volume) > 0.0051f ||
            std::fabs(read->pan - entry.pan) > 0.0051f || !(read->soundFile == entry.soundFile))
            Fail("an entry differs after a round trip", back.GetError());
    }
    return 0;
}
