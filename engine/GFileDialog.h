#pragma once
#include "engine/GView.h"
#include <string>
#include <vector>

class GButton;
class GFileStub;

// The in-game file chooser: a full-screen modal list titled "Szenario" of the
// files in one folder, with "Öffnen" and "Abbrechen". A click selects a
// file, a double click or "Öffnen" chooses it.
class GFileDialog : public GView {
public:
    ~GFileDialog() override;
    // folder is relative to the program's folder; types are up to four type
    // codes (their first three letters are the extension), null ones unused;
    // with every type null all files are listed.
    void IFileDialog(const char* folder, const char* const types[4]);

    bool IsFinished() const { return mFinished; }
    int32_t GetFileCount() const { return static_cast<int32_t>(mFiles.size()); }
    int32_t GetSelection() const { return mSelection; }
    void Select(int32_t index);
    // The chosen file, handed to the caller (null when cancelled).
    GFileStub* TakeChoice();

    void DoClick(int32_t x, int32_t y, bool doubleClick, bool shift, bool ctrl) override;
    void DoCommand(int32_t command) override;
    void Draw() override;

    static constexpr int32_t kRowsPerPage = 20;
    static constexpr int32_t kRowHeight = 20;
    static constexpr int32_t kListTop = 70;
    static constexpr int32_t kListWidth = 500;
    enum : int32_t { kCmdOpen = -1001, kCmdCancel = -1002, kCmdPageUp = -1003, kCmdPageDown = -1004 };

private:
    void Collect(const std::string& folder, const char* const types[4]);
    int32_t ListLeft() const { return (GetWidth() - kListWidth) / 2; }
    void Finish(bool chosen);

    std::vector<GFileStub*> mFiles;
    int32_t mSelection = -1;
    int32_t mPage = 0;
    bool mFinished = false;
    bool mChosen = false;
};
