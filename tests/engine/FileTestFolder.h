#pragma once
// A fresh folder under the system's temporary folder for one test, removed
// with everything in it when the test ends.

#include <filesystem>
#include <string>
#include <unistd.h>

class FileTestFolder {
public:
    FileTestFolder()
    {
        static int counter = 0;
        mPath = std::filesystem::temp_directory_path() /
                ("dm-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
        std::filesystem::remove_all(mPath);
        std::filesystem::create_directories(mPath);
    }
    ~FileTestFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(mPath, ignored);
    }
    std::string File(const std::string& name) const { return (mPath / name).string(); }
    const std::filesystem::path& Path() const { return mPath; }

private:
    std::filesystem::path mPath;
};
