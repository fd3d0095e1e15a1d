#include "support/temp_dir.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace pixmill::testing {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "pixmill-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    // Tests may leave read-only files behind; removal works on the folder's permissions.
    std::filesystem::remove_all(path_, ignored);
}

void TempDir::write(std::string_view name, std::string_view bytes) const {
    std::ofstream out(path_ / name, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void TempDir::write(std::string_view name, const std::vector<unsigned char>& bytes) const {
    write(name, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::vector<unsigned char> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace pixmill::testing
