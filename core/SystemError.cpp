#include "core/SystemError.h"

#include <cerrno>
#include <cstring>

bool DescribeSystemError(int code, CCharString& text) {
    // glibc names every code it knows; an unnamed one would only get a made-up text.
    if (strerrorname_np(code) == nullptr) {
        text.Format("Unknown error %d", code);
        return false;
    }
    char buffer[256];
    const char* words = strerror_r(code, buffer, sizeof buffer);
    if (words == nullptr || *words == 0) {
        text.Format("Can't get description for error %d", code);
        return false;
    }
    text.Set(words);
    return true;
}

CCharString DescribeLastError() {
    int code = errno;
    CCharString text;
    DescribeSystemError(code, text);
    return text;
}
