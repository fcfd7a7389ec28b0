#include "engine/GFileDialog.h"
#include "engine/GButton.h"
#include "engine/GFileServices.h"
#include "engine/GFileStub.h"
#include "engine/GGroup.h"
#include "engine/GKernel.h"
#include "engine/GString.h"
#include <algorithm>
#include <filesystem>

namespace {
const char* const kTitle = "Szenario";
const char* const kOpenLabel = "\xD6"
                               "ffnen";
const char* const kCancelLabel = "Abbrechen";

GButton* MakeButton(GView* parent, const char* label, int32_t x, int32_t y, int32_t w, int32_t command) {
    auto* b = new GButton;
    b->IButton(0, parent, x, y, w, 24, command);
    GString31 text(label);
    b->SetTitle(&text);
    return b;
}
} // namespace

GFileDialog::~GFileDialog() {
    for (GFileStub* f : mFiles)
        delete f;
}

void GFileDialog::Collect(const std::string& folder, const char* const types[4]) {
    bool any = false;
    for (int i = 0; i < 4; ++i) {
        if (!types[i]) continue;
        any = true;
        GList* list = EnumerateDirectory(folder.c_str(), types[i]);
        if (!list) continue;
        list->PreserveObjects();
        for (int32_t j = 0; j < list->GetCount(); ++j)
            mFiles.push_back(static_cast<GFileStub*>(list->GetObjectA(j)));
        delete list;
    }
    if (any) return;
    // No type given: every file of the folder, by name.
    const std::string path = GetProgramFolder() + "/" + folder;
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file(ec)) names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    for (const std::string& n : names) {
        auto* stub = new GFileStub;
        stub->IFileStub(path.c_str(), n.c_str());
        mFiles.push_back(stub);
    }
}

void GFileDialog::IFileDialog(const char* folder, const char* const types[4]) {
    IView(nullptr, 0, 0, 0, 0);
    if (gKernel) SetFillColor(gKernel->MakeColor16(44, 48, 40));
    Collect(folder ? folder : "", types);
    const int32_t buttonsY = kListTop + kRowsPerPage * kRowHeight + 16;
    const int32_t left = ListLeft();
    GButton* open = MakeButton(this, kOpenLabel, left + kListWidth - 250, buttonsY, 120, kCmdOpen);
    MakeButton(this, kCancelLabel, left + kListWidth - 120, buttonsY, 120, kCmdCancel);
    if (GetFileCount() > kRowsPerPage) {
        MakeButton(this, "<", left, buttonsY, 40, kCmdPageUp);
        MakeButton(this, ">", left + 50, buttonsY, 40, kCmdPageDown);
    }
    open->SetDefaultOK();
    SetModal();
}

void GFileDialog::Select(int32_t index) {
    if (index < 0 || index >= GetFileCount()) return;
    mSelection = index;
    mPage = index / kRowsPerPage;
    Refresh();
}

void GFileDialog::Finish(bool chosen) {
    mFinished = true;
    mChosen = chosen && mSelection >= 0;
    Show(false);
}

GFileStub* GFileDialog::TakeChoice() {
    if (!mChosen || mSelection < 0 || mSelection >= GetFileCount()) return nullptr;
    GFileStub* stub = mFiles[mSelection];
    mFiles.erase(mFiles.begin() + mSelection);
    mChosen = false;
    return stub;
}

void GFileDialog::DoClick(int32_t x, int32_t y, bool doubleClick, bool shift, bool ctrl) {
    if (x < ListLeft() || x >= ListLeft() + kListWidth || y < kListTop) return;
    const int32_t row = (y - kListTop) / kRowHeight;
    if (row >= kRowsPerPage) return;
    const int32_t index = mPage * kRowsPerPage + row;
    if (index >= GetFileCount()) return;
    Select(index);
    if (doubleClick) Finish(true);
}

void GFileDialog::DoCommand(int32_t command) {
    const int32_t pages = (GetFileCount() + kRowsPerPage - 1) / kRowsPerPage;
    switch (command) {
    case kCmdOpen:
        if (mSelection >= 0)
            Finish(true);
        else if (gKernel)
            gKernel->Beep();
        break;
    case kCmdCancel:
        Finish(false);
        break;
    case kCmdPageUp:
        if (mPage > 0) --mPage;
        Refresh();
        break;
    case kCmdPageDown:
        if (mPage + 1 < pages) ++mPage;
        Refresh();
        break;
    default:
        GView::DoCommand(command);
        break;
    }
}

void GFileDialog::Draw() {
    if (!gKernel) return;
    LongRect all;
    GetLocalBounds(&all);
    PaintRectangle(&all, mFillColour);
    GString31 title(kTitle);
    ShadowString(&title, GetWidth() / 2, 40, 0, kFontNormal, 255, 255, 255, 0, 0, 0, false);
    const int32_t left = ListLeft();
    const LongRect list{left, kListTop, left + kListWidth, kListTop + kRowsPerPage * kRowHeight};
    PaintRectangle(&list, gKernel->MakeColor16(235, 230, 215));
    FrameRectangle(&list, gBlack);
    GString255 name;
    for (int32_t row = 0; row < kRowsPerPage; ++row) {
        const int32_t index = mPage * kRowsPerPage + row;
        if (index >= GetFileCount()) break;
        const int32_t top = kListTop + row * kRowHeight;
        const bool selected = index == mSelection;
        if (selected) {
            const LongRect bar{left + 1, top + 1, left + kListWidth - 1, top + kRowHeight - 1};
            PaintRectangle(&bar, gKernel->MakeColor16(90, 0, 0));
        }
        mFiles[index]->GetFileName(false, &name);
        const uint8_t c = selected ? 255 : 0;
        WriteString(&name, left + 8, top + 14, -1, kFontNormal, c, c, c);
    }
    // The buttons over the background.
    DrawSubviews();
}
