#include "files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>

bool read_file(const std::string& path, std::string* bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream s;
    s << in.rdbuf();
    if (in.bad()) return false;
    *bytes = s.str();
    return true;
}

bool write_file(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    out.close();
    return static_cast<bool>(out);
}

bool read_file_limited(const std::string& path, size_t limit, std::string* bytes,
                       std::string* error)
{
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         std::fclose);
    if (!file) {
        *error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    bytes->clear();
    char buffer[65536];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        if (bytes->size() + n > limit) {
            *error = path + " is larger than " + std::to_string(limit >> 20) + " MiB";
            return false;
        }
        bytes->append(buffer, n);
    }
    if (std::ferror(file.get())) {
        *error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}
