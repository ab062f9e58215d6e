// A fresh temporary directory per test, removed with everything in it, and
// whole-file helpers for the tests of the units that write files.
#pragma once
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

struct scratchdir {
    std::string dir;

    scratchdir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "zhedittest-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) dir = pattern;
    }
    ~scratchdir() {
        std::error_code ec;
        if (!dir.empty()) std::filesystem::remove_all(dir, ec);
    }
    scratchdir(const scratchdir&) = delete;
    scratchdir& operator=(const scratchdir&) = delete;

    bool ok() const { return !dir.empty(); }
    std::string path(const std::string& name) const { return dir + "/" + name; }
    std::set<std::string> names() const {
        std::set<std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(dir)) out.insert(e.path().filename().string());
        return out;
    }
};

inline void writebytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline std::string readbytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline struct stat lstatof(const std::string& path) {
    struct stat st {};
    lstat(path.c_str(), &st);
    return st;
}
