#include "engine/GFileServices.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <vector>

#include "engine/GFileStub.h"
#include "engine/GGroup.h"
#include "engine/GString.h"

namespace fs = std::filesystem;

namespace {

std::string& ProgramFolderOverride()
{
    static std::string folder;
    return folder;
}

std::string ExecutableFolder()
{
    std::error_code error;
    const fs::path exe = fs::read_symlink("/proc/self/exe", error);
    if (!error && exe.has_parent_path()) return exe.parent_path().string();
    const fs::path here = fs::current_path(error);
    return error ? std::string(".") : here.string();
}

fs::path InProgramFolder(const char* folder)
{
    fs::path path = GetProgramFolder();
    if (folder && *folder) path /= folder;
    return path;
}

// The extension a type code gives: its first three letters, or "txt".
std::string ExtensionOf(const char* type)
{
    if (!type || !*type) return "txt";
    return std::string(type, strnlen(type, 3));
}

// The file name SaveFile makes of a user's name; false for a name that
// cannot be one.
bool SafeFileName(const GString* name, std::string& safe)
{
    if (!name || name->GetLength() == 0) return false;
    safe.assign(name->GetCString(), name->GetLength());
    if (safe.find('\0') != std::string::npos) return false;
    for (char& c : safe)
        if (std::strchr("|\\<,.>?*/", c)) c = ' ';
    return true;
}

bool SaveFilePath(GString* name, const char* folder, const std::string& extension,
                  fs::path& path)
{
    std::string safe;
    if (!SafeFileName(name, safe)) return false;
    path = InProgramFolder(folder) / (safe + "." + extension);
    return true;
}

bool IsWritingMode(FileMode mode)
{
    return mode == kFileModePlainWrite || mode == kFileModeCompressedWrite ||
           mode == kFileModeMailWrite;
}

bool IsReadingMode(FileMode mode)
{
    return mode == kFileModePlainRead || mode == kFileModeCompressedRead ||
           mode == kFileModeMailRead;
}

GFile* OpenPath(const std::string& path, FileMode mode)
{
    GFile* file = new GFile;
    if (file->IFile(path.c_str(), mode)) return file;
    delete file;
    return nullptr;
}

bool SameLettersIgnoringCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

}  // namespace

const std::string& GetProgramFolder()
{
    static const std::string executable = ExecutableFolder();
    const std::string& chosen = ProgramFolderOverride();
    return chosen.empty() ? executable : chosen;
}

void SetProgramFolder(const char* folder) { ProgramFolderOverride() = folder ? folder : ""; }

GFile* GetPrefsFile(const char* name, bool forReading)
{
    if (!name || !*name) return nullptr;
    return OpenPath((InProgramFolder(nullptr) / name).string(),
                    forReading ? kFileModePlainRead : kFileModePlainWrite);
}

bool CreateDirectoryIfAbsent(const char* name)
{
    if (!name || !*name) return false;
    const fs::path path = InProgramFolder(name);
    std::error_code error;
    fs::create_directory(path, error);
    return fs::is_directory(path, error);
}

GFile* CreateTempFile(bool compressed)
{
    GFile* file = new GFile;
    if (file->ITempFile(compressed)) return file;
    delete file;
    return nullptr;
}

GFile* SaveFile(const char* type, GString* name, const char* folder, FileMode mode)
{
    fs::path path;
    if (!IsWritingMode(mode) || !SaveFilePath(name, folder, ExtensionOf(type), path))
        return nullptr;
    return OpenPath(path.string(), mode);
}

bool FileExists(GString* name, const char* folder, const char* type, bool text)
{
    fs::path path;
    if (!SaveFilePath(name, folder, ExtensionOf(text ? nullptr : type), path)) return false;
    std::error_code error;
    return fs::is_regular_file(path, error);
}

GList* EnumerateDirectory(const char* folder, const char* type)
{
    GList* list = new GList;
    list->IList();
    const fs::path path = InProgramFolder(folder);
    const std::string wanted = ExtensionOf(type);
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(path, error), end; !error && it != end; it.increment(error)) {
        if (!it->is_regular_file(error)) continue;
        const std::string name = it->path().filename().string();
        const size_t dot = name.rfind('.');
        if (dot == std::string::npos || dot == 0) continue;
        if (SameLettersIgnoringCase(name.substr(dot + 1), wanted)) names.push_back(name);
    }
    // Directory order is the file system's; sorting makes the list the same
    // on every machine.
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        GFileStub* stub = new GFileStub;
        stub->IFileStub(path.string().c_str(), name.c_str());
        list->Add(stub);
    }
    return list;
}

GFile* OpenFileFromStub(GFileStub* stub, FileMode mode)
{
    if (!stub || !IsReadingMode(mode)) return nullptr;
    return OpenPath(stub->GetPath(), mode);
}

bool DeleteFileFromStub(GFileStub* stub)
{
    if (!stub) return false;
    std::error_code error;
    fs::remove(stub->GetPath(), error);
    return !error && !fs::exists(stub->GetPath(), error);
}

void CutFileSuffix(GString* name)
{
    if (!name) return;
    int32_t end = name->GetLength();
    int32_t letters = 0;
    while (letters < 3 && end - letters > 0 && IsAsciiLetter(name->GetChar(end - letters - 1)))
        ++letters;
    const int32_t dot = end - letters - 1;
    if (dot >= 0 && name->GetChar(dot) == '.') name->CropLength(dot, true);
}
