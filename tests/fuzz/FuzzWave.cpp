// CSoundFile::Read on any bytes: it must fail with a message or succeed, never crash, hang or
// allocate more than the file holds.
#include "sound/SoundFile.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace {

// The reader takes a path: each input becomes the content of one in-memory file, reached by
// its /proc path, so no disk is touched.
struct SCRATCH {
    int fd = memfd_create("fuzz_wave", 0);
    std::string path = "/proc/self/fd/" + std::to_string(fd);
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const SCRATCH scratch;
    if (scratch.fd < 0 || ftruncate(scratch.fd, 0) != 0 ||
        pwrite(scratch.fd, data, size, 0) != ssize_t(size))
        return 0;
    const std::string& path = scratch.path;

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
