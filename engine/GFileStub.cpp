#include "engine/GFileStub.h"

#include <filesystem>

#include "engine/GString.h"

void GFileStub::IFileStub(const char* folderPath, const char* fileName)
{
    mFolder = folderPath ? folderPath : "";
    mName = fileName ? fileName : "";
}

void GFileStub::GetFileName(bool noExtension, GString* name) const
{
    if (!name) return;
    std::string text = mName;
    if (noExtension) {
        // A leading dot belongs to the name, not to an extension.
        const size_t dot = text.rfind('.');
        if (dot != std::string::npos && dot > 0) text.resize(dot);
    }
    name->IStringText(text.c_str());
}

std::string GFileStub::GetPath() const
{
    return (std::filesystem::path(mFolder) / mName).string();
}

GObject* GFileStub::CopyItself()
{
    GFileStub* copy = new GFileStub;
    copy->mFolder = mFolder;
    copy->mName = mName;
    return copy;
}
