#pragma once
// A fresh folder under the system's temporary folder for one test, removed
// with everything in it when the test ends. The name comes from mkdtemp, so
// two runs of the tests on one machine, or two tests of one run, never share
// a folder.

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

// Makes a new, empty folder "<temp>/<prefix>XXXXXX" that no other caller can
// have; an empty path when the system refuses.
inline std::filesystem::path MakeUniqueTestFolder(const std::string& prefix)
{
    std::error_code error;
    std::filesystem::path root = std::filesystem::temp_directory_path(error);
    if (error) root = "/tmp";
    std::string name = (root / (prefix + "XXXXXX")).string();
    if (!mkdtemp(name.data())) return {};
    return name;
}

class FileTestFolder {
public:
    explicit FileTestFolder(const std::string& prefix = "dm-test-") : mPath(MakeUniqueTestFolder(prefix)) {}
    ~FileTestFolder()
    {
        std::error_code ignored;
        if (!mPath.empty()) std::filesystem::remove_all(mPath, ignored);
    }
    FileTestFolder(const FileTestFolder&) = delete;
    FileTestFolder& operator=(const FileTestFolder&) = delete;
    std::string File(const std::string& name) const { return (mPath / name).string(); }
    const std::filesystem::path& Path() const { return mPath; }

private:
    std::filesystem::path mPath;
};
