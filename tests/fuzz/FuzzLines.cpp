// The line reader and key/value splitting against a plain model of what they must return.
// Input: byte 0 picks the separator, byte 1 may put a run of characters near the buffer's
// limit in front, the rest is the file.
#include "core/DiskFile.h"
#include "core/KeyValue.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {
const char* const kSeparators[] = {"\r\n", "\n", "\r\n\r\n", "==", "aa"};

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "line reader fault: %s\n", what);
    std::abort();
}

// The lines a correct reader returns: up to the failure or the end.
struct MODEL {
    std::string data;
    std::string separator;
    size_t at = 0;
    bool done = false;

    // 1: a line, 0: the end, -1: failure.
    int Next(std::string& line) {
        if (done)
            return -1;
        size_t found = data.find(separator, at);
        // A line and its separator must fit the buffer's 102399 data bytes.
        if (found == std::string::npos || found - at + separator.size() > 102399) {
            done = true;
            return at == data.size() ? 0 : -1;
        }
        line = data.substr(at, found - at);
        at = found + separator.size();
        return 1;
    }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    if (size < 2)
        return 0;
    const char* separator = kSeparators[bytes[0] % (sizeof kSeparators / sizeof kSeparators[0])];
    std::string data;
    if (bytes[1] & 1)
        data.assign(102390 + bytes[1] / 16, 'x');
    data.append(reinterpret_cast<const char*>(bytes + 2), size - 2);

    int memory = memfd_create("lines", MFD_CLOEXEC);
    if (memory < 0)
        return 0;
    if (write(memory, data.data(), data.size()) != static_cast<ssize_t>(data.size())) {
        close(memory);
        return 0;
    }
    char path[64];
    std::snprintf(path, sizeof path, "/proc/self/fd/%d", memory);

    CDiskFile file;
    file.SetLineSeparator(separator);
    if (!file.Open(path, true, false, false))
        Fail("open");
    MODEL model{data, separator};
    for (;;) {
        char* line = nullptr;
        bool ok = file.NextLine(line);
        std::string expected;
        int wanted = model.Next(expected);
        if (wanted < 0) {
            if (ok)
                Fail("a line or end where the reader must fail");
            break;
        }
        if (!ok)
            Fail("failure where a line or the end is due");
        if (wanted == 0) {
            if (line != nullptr)
                Fail("a line after the end");
            if (file.NextLine(line))
                Fail("success after the end");
            break;
        }
        if (line == nullptr)
            Fail("end before the last line");
        // Bytes after a zero inside a line are not seen through the pointer.
        if (std::strcmp(line, expected.c_str()) != 0)
            Fail("line differs");
        KEY_VALUE kv;
        bool hasValue = SplitKeyValue(line, kv);
        std::string text(line);
        size_t first = text.find_first_not_of('=');
        std::string rest = first == std::string::npos ? "" : text.substr(first);
        size_t equals = rest.find('=');
        std::string key = equals == std::string::npos ? rest : rest.substr(0, equals);
        std::string value = equals == std::string::npos ? "" : rest.substr(equals + 1);
        if (kv.key != key || kv.value != value || hasValue != !value.empty())
            Fail("key/value split");
        KeyValueInt(kv.value);
        KeyValueReal(kv.value);
    }
    file.Close();
    close(memory);
    return 0;
}
