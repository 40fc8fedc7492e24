#include "sound/SoundInfo.h"

#include <new>

bool CSoundInfo::Allocate(uint32_t bytes) {
    if (bytes == 0) {
        Free();
        return true;
    }
    // Zeroed, and one value more for an odd byte count.
    int16_t* values = new (std::nothrow) int16_t[(size_t(bytes) + 1) / 2]();
    if (!values)
        return false;
    data.reset(values);
    size = bytes;
    return true;
}
