#include "sound/SoundInfo.h"

#include <new>

bool CSoundInfo::Allocate(uint32_t bytes, bool zeroed) {
    if (bytes == 0) {
        Free();
        return true;
    }
    // One value more for an odd byte count; its spare byte is always zero.
    const size_t count = (size_t(bytes) + 1) / 2;
    int16_t* values =
        zeroed ? new (std::nothrow) int16_t[count]() : new (std::nothrow) int16_t[count];
    if (!values)
        return false;
    if (!zeroed)
        values[count - 1] = 0;
    data.reset(values);
    size = bytes;
    return true;
}
