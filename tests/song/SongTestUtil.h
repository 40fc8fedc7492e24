#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

// A fresh folder under the system's temporary folder, removed with the object.
class CTempFolder {
public:
    CTempFolder() {
        static int counter = 0;
        m_path = std::filesystem::temp_directory_path() /
                 ("ma_song_test_" + std::to_string(::getpid()) + "_" + std::to_string(++counter));
        std::filesystem::create_directories(m_path);
    }
    ~CTempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    std::string Path(const char* name) const { return (m_path / name).string(); }
    const std::filesystem::path& Folder() const { return m_path; }

private:
    std::filesystem::path m_path;
};

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Reads `midicsv FILE` into lines of comma-separated fields.
inline std::vector<std::vector<std::string>> MidiCsv(const std::string& path, int& status) {
    std::vector<std::vector<std::string>> rows;
    std::string command = "midicsv '" + path + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
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
            size_t first = field.find_first_not_of(" \r\n");
            size_t last = field.find_last_not_of(" \r\n");
            fields.push_back(first == std::string::npos ? ""
                                                        : field.substr(first, last - first + 1));
        }
        rows.push_back(fields);
    }
    status = pclose(pipe);
    return rows;
}
