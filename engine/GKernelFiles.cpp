// The kernel's file services: members of the kernel that forward to the
// engine's file functions, and the in-game file chooser.
#include "engine/GButton.h"
#include "engine/GEncoder.h"
#include "engine/GFileDialog.h"
#include "engine/GFileServices.h"
#include "engine/GFileStub.h"
#include "engine/GKernel.h"
#include "engine/GView.h"

GFile* GKernel::GetPrefsFile(const char* name, bool forReading) {
    return ::GetPrefsFile(name, forReading);
}
bool GKernel::CreateDirectoryIfAbsent(const char* name) {
    return ::CreateDirectoryIfAbsent(name);
}
GFile* GKernel::CreateTempFile(bool compressed) {
    return ::CreateTempFile(compressed);
}

GFile* GKernel::SaveFile(const char* type, GString* name, const char* folder, int32_t mode) {
    return ::SaveFile(type, name, folder, mode);
}

bool GKernel::FileExists(GString* name, const char* folder, const char* type, bool text) {
    return ::FileExists(name, folder, type, text);
}

GList* GKernel::EnumerateDirectory(const char* folder, const char* type) {
    return ::EnumerateDirectory(folder, type);
}
GFile* GKernel::OpenFileFromStub(GFileStub* stub, int32_t mode) {
    return ::OpenFileFromStub(stub, mode);
}
bool GKernel::DeleteFileFromStub(GFileStub* stub) {
    return ::DeleteFileFromStub(stub);
}
void GKernel::CutFileSuffix(GString* name) {
    ::CutFileSuffix(name);
}
void GKernel::OneWayHash(GString* text, GString* out) {
    ::OneWayHash(text, out);
}

GFile* GKernel::OpenFileDialog(const char* folder, const char* type1, const char* type2, const char* type3,
                               const char* type4, int32_t mode, bool* flag) {
    if (flag) *flag = false;
    if (!mRootView) return nullptr;
    const char* types[4] = {type1, type2, type3, type4};
    // The chooser's "Öffnen" takes Return while it is open; the screen
    // beneath gets its own default button back afterwards.
    GButton* screenDefault = mDefaultButton;
    auto* dialog = new GFileDialog;
    dialog->IFileDialog(folder, types);
    // The chooser is modal: the loop runs on until it has an answer.
    while (!mQuit && IsViewAlive(dialog) && !dialog->IsFinished())
        DoOnePass(-1);
    GFileStub* chosen = nullptr;
    if (IsViewAlive(dialog)) {
        chosen = dialog->TakeChoice();
        delete dialog;
    }
    if (screenDefault && IsViewAlive(screenDefault) && !mDefaultButton) mDefaultButton = screenDefault;
    if (!chosen) return nullptr;
    GFile* file = ::OpenFileFromStub(chosen, mode);
    delete chosen;
    if (!file && flag) *flag = true;
    return file;
}
