#pragma once

// Reads back what the recording xterm received: the bytes a run appended to its file.

#include <sys/stat.h>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>

namespace bench {

inline long fileSize(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : 0;
}

// The bytes from `offset` on once `count` of them arrived (or 30 s passed), plus any
// that follow within a short settling time, so extra bytes are seen too.
inline std::string readFrom(const std::string& path, long offset, long count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (fileSize(path) < offset + count && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    for (long last = -1; last != fileSize(path);) {
        last = fileSize(path);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    std::ifstream in(path, std::ios::binary);
    in.seekg(offset);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// "ok" when `got` is exactly `sent`; else how many bytes were lost, added or misplaced.
inline std::string compare(const std::string& sent, const std::string& got) {
    if (got == sent) return "0 lost";
    long differing = 0;
    for (std::size_t i = 0; i < std::min(sent.size(), got.size()); ++i)
        differing += sent[i] != got[i];
    return std::to_string(long(sent.size()) - long(got.size())) + " lost, " +
           std::to_string(differing) + " out of place";
}

}  // namespace bench
