// CSoundFile::Read on any bytes: it must fail with a message or succeed, never crash, hang or
// allocate more than the file holds.
#include "sound/SoundFile.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace {

std::string MakeScratchPath() {
    char name[] = "/tmp/fuzz_wave_XXXXXX";
    int fd = mkstemp(name);
    if (fd >= 0)
        close(fd);
    return name;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The reader takes a path: each input becomes the content of one scratch file.
    static const std::string path = MakeScratchPath();
    FILE* file = fopen(path.c_str(), "wb");
    if (!file)
        return 0;
    fwrite(data, 1, size, file);
    fclose(file);

    CSoundFile reader;
    CSoundInfo sample;
    if (reader.Read(path.c_str(), sample)) {
        // Whatever was read lies inside the file.
        if (sample.size > size)
            __builtin_trap();
        volatile uint8_t sum = 0;
        for (uint32_t i = 0; i < sample.size; ++i)
            sum = uint8_t(sum + sample.GetBytes()[i]);
    } else if (reader.GetErrorText().IsEmpty()) {
        __builtin_trap(); // every failure says why
    }
    return 0;
}
