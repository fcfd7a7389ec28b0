#pragma once
// A directory entry: one file found in a folder, kept in the lists that
// EnumerateDirectory makes. The stub names the file; it does not open it.

#include <string>

#include "engine/GObject.h"

class GString;

class GFileStub : public GObject {
public:
    GFileStub() = default;

    // folderPath is the full path of the folder, fileName the file's name
    // in it, extension included.
    void IFileStub(const char* folderPath, const char* fileName);

    // The file's name, without its extension when noExtension is true.
    void GetFileName(bool noExtension, GString* name) const;
    // The full path of the file.
    std::string GetPath() const;

    GObject* CopyItself() override;

private:
    std::string mFolder;
    std::string mName;
};
