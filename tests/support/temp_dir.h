#pragma once
// A throw-away folder for one test, removed with everything in it when the test ends.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace pixmill::testing {

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The folder with a trailing separator, as the program holds folders.
    std::string folder() const { return path_.string() + "/"; }
    std::string file(std::string_view name) const { return (path_ / name).string(); }

    void write(std::string_view name, std::string_view bytes) const;
    void write(std::string_view name, const std::vector<unsigned char>& bytes) const;

  private:
    std::filesystem::path path_;
};

std::vector<unsigned char> readFile(const std::string& path);
std::string readText(const std::string& path);

}  // namespace pixmill::testing
