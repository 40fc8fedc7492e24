#pragma once

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

// Reads `midicsv FILE` into lines of comma-separated fields; an independent reader of our files.
inline std::vector<std::vector<std::string>> MidiCsv(const std::string& path, int& status) {
    std::vector<std::vector<std::string>> rows;
    FILE* pipe = popen(("midicsv '" + path + "' 2>&1").c_str(), "r");
    if (!pipe) {
        status = -1;
        return rows;
    }
    char line[4096];
    while (std::fgets(line, sizeof(line), pipe)) {
        std::vector<std::string> fields;
        std::stringstream stream(line);
        std::string field;
        while (std::getline(stream, field, ',')) {
            const size_t first = field.find_first_not_of(" \r\n");
            const size_t last = field.find_last_not_of(" \r\n");
            fields.push_back(first == std::string::npos ? ""
                                                        : field.substr(first, last - first + 1));
        }
        rows.push_back(fields);
    }
    status = pclose(pipe);
    return rows;
}
