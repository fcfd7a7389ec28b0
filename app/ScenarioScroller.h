#pragma once
// The scenario list: two paged lists (battles, operations), each of the
// player's saved games followed by the shipped scenarios, one line a file
// with what its header says. In the battle list line 0 is the fixed quick
// battle line, so line n shows file n - 1.

#include <cstdint>

#include "engine/GGroup.h"
#include "engine/GRadioGroup.h"
#include "engine/GString.h"
#include "engine/GView.h"

class GButton2D;
class GFile;
class GFileStub;
class GGraphic;
class ScenarioSnapshot;

class ScenarioScroller : public GView {
public:
    ~ScenarioScroller() override;
    // layout: 0 (640 wide), 1 (600 lines) or 2 (768 lines).
    void IScenarioScroller(GView* parent, int32_t layout);
    void Draw() override;
    void DoClick(int32_t x, int32_t y, bool doubleClick, bool shift, bool ctrl) override;
    void DoCommand(int32_t command) override;
    void ResetDeleteButton();
    // The selected file opened for a whole read, or null; *quickBattle says
    // whether the quick battle line was chosen.
    GFile* OpenScenario(bool* quickBattle);
    // Whether a listed file (not the quick battle line) is selected.
    bool FileSelected() const;

    int32_t Choice() const;
    int32_t FileCount(int32_t choice) const { return mStubs[choice].GetCount(); }
    int32_t LineCount(int32_t choice) const { return FileCount(choice) + (choice == 0 ? 1 : 0); }
    int32_t PageCount(int32_t choice) const;
    int32_t mPage[2] = {0, 0};
    int32_t mSelected[2] = {0, -1};
    int32_t mLinesPerPage = 8;
    ScenarioSnapshot* Snapshot(int32_t choice, int32_t file) const;
    GFileStub* Stub(int32_t choice, int32_t file) const;
    GButton2D* mDeleteButton = nullptr;
    GButton2D* mPageUp = nullptr;
    GButton2D* mPageDown = nullptr;
    // The size name of a scenario of that many units.
    static int32_t SizeNameIndex(int32_t units);
    // The information text of a line.
    void InformationText(const ScenarioSnapshot* snap, int32_t choice, GString* out) const;

private:
    void DrawScenarioLine(GFileStub* stub, ScenarioSnapshot* snap);
    void ReadFolder(int32_t choice, const char* folder, const char* type);
    // Moves the auto-saves among the files from `from` on behind the rest.
    void PutAutoSavesLast(int32_t choice, int32_t from);
    void UpdatePageButtons();

    GRadioGroup mChoices;
    GGraphic* mTop = nullptr;
    GGraphic* mLine = nullptr;
    GGraphic* mBottom = nullptr;
    GGraphic* mForces = nullptr;
    GList mStubs[2];     // of GFileStub, owned
    GList mSnapshots[2]; // of ScenarioSnapshot, owned, in the same order
    int32_t mLineCounter = 0;
    int32_t mLayout = 1;
    GString31 mSizeNames[5];
};
