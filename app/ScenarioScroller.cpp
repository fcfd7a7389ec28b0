#include "app/ScenarioScroller.h"

#include <algorithm>
#include <vector>

#include "app/AppViews.h"
#include "app/MVApplication.h"
#include "app/ScenarioSnapshot.h"
#include "engine/GButton2D.h"
#include "engine/GFile.h"
#include "engine/GFileServices.h"
#include "engine/GFileStub.h"
#include "engine/GGraphic.h"
#include "engine/GOLTAFont.h"
#include "engine/GRadioButton2D.h"

namespace {

constexpr int32_t kFirstLineY = 62;
constexpr int32_t kLineHeight = 24;
constexpr int32_t kSizeBounds[4] = {35, 80, 150, 250};

} // namespace

ScenarioScroller::~ScenarioScroller() {
    for (int32_t c = 0; c < 2; ++c) {
        mStubs[c].EmptyOut(true);
        mSnapshots[c].EmptyOut(true);
    }
    delete mTop;
    delete mLine;
    delete mBottom;
    delete mForces;
}

int32_t ScenarioScroller::SizeNameIndex(int32_t units) {
    for (int32_t i = 0; i < 4; ++i)
        if (units <= kSizeBounds[i]) return i;
    return 4;
}

int32_t ScenarioScroller::Choice() const {
    return mChoices.GetChoice() == 1 ? 1 : 0;
}

int32_t ScenarioScroller::PageCount(int32_t choice) const {
    return (LineCount(choice) + mLinesPerPage - 1) / mLinesPerPage;
}

ScenarioSnapshot* ScenarioScroller::Snapshot(int32_t choice, int32_t file) const {
    return static_cast<ScenarioSnapshot*>(mSnapshots[choice].GetObjectA(file));
}

GFileStub* ScenarioScroller::Stub(int32_t choice, int32_t file) const {
    return static_cast<GFileStub*>(mStubs[choice].GetObjectA(file));
}

void ScenarioScroller::ReadFolder(int32_t choice, const char* folder, const char* type) {
    GList* stubs = EnumerateDirectory(folder, type);
    if (!stubs) return;
    MVApplication* app = TheApp();
    for (int32_t i = 0; i < stubs->GetCount(); ++i) {
        auto* stub = static_cast<GFileStub*>(stubs->GetObjectA(i));
        GFile* file = OpenFileFromStub(stub, kFileModePlainRead);
        auto* snap = new ScenarioSnapshot;
        bool read = file && app && app->LoadGame(file, snap);
        delete file;
        if (!read) {
            // Files that do not read or are refused are left out silently.
            delete snap;
            delete stub;
            continue;
        }
        mStubs[choice].Add(stub);
        mSnapshots[choice].Add(snap);
    }
    stubs->EmptyOut(false);
    delete stubs;
}

void ScenarioScroller::PutAutoSavesLast(int32_t choice, int32_t from) {
    // The player's own saves keep their rows, in the order of their names,
    // whatever auto-save is written; the auto-saves follow in the order of
    // the game modes.
    struct Row {
        GObject* stub;
        GObject* snap;
        int32_t slot;
    };
    std::vector<Row> rows;
    for (int32_t i = from; i < mStubs[choice].GetCount(); ++i) {
        GString255 name;
        Stub(choice, i)->GetFileName(true, &name);
        rows.push_back({mStubs[choice].GetObjectA(i), mSnapshots[choice].GetObjectA(i), AutoSaveSlotOfName(name)});
    }
    std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        return (a.slot < 0 ? -1 : a.slot) < (b.slot < 0 ? -1 : b.slot);
    });
    for (size_t k = 0; k < rows.size(); ++k) {
        mStubs[choice].ReplaceIndex(from + static_cast<int32_t>(k), rows[k].stub, false);
        mSnapshots[choice].ReplaceIndex(from + static_cast<int32_t>(k), rows[k].snap, false);
    }
}

void ScenarioScroller::IScenarioScroller(GView* parent, int32_t layout) {
    mLayout = layout;
    const int32_t width = layout == 0 ? 636 : 796;
    const int32_t heights[3] = {272, 392, 560};
    const int32_t height = heights[layout >= 0 && layout <= 2 ? layout : 1];
    IView(parent, -1, 70, width, height);
    const int32_t w = GetWidth();
    mChoices.IRadioGroup();
    mDeleteButton = new GButton2D;
    mDeleteButton->IButton2D(this, w - 285, 23, 82, 10033, 3);
    auto* battles = new GRadioButton2D;
    battles->IRadioButton2D(&mChoices, this, w - 170, 15, 78, 11232, 3);
    battles->AttachSound(151);
    auto* operations = new GRadioButton2D;
    operations->IRadioButton2D(&mChoices, this, w - 170, 33, 79, 11233, 3);
    operations->AttachSound(151);
    mChoices.SetChoiceByIndex(0);
    mPageUp = new GButton2D;
    mPageUp->IButton2D(this, w - 80, 15, 80, 11230, 4);
    mPageUp->AttachSound(150);
    mPageDown = new GButton2D;
    mPageDown->IButton2D(this, w - 80, 33, 81, 11231, 4);
    mPageDown->AttachSound(150);

    if (gKernel) {
        mTop = gKernel->MakeGraphic(kGraphic2D, layout == 0 ? 11220 : 11223);
        mLine = gKernel->MakeGraphic(kGraphic2D, layout == 0 ? 11221 : 11224);
        mBottom = gKernel->MakeGraphic(kGraphic2D, layout == 0 ? 11222 : 11225);
        mForces = gKernel->MakeGraphic(kGraphic2D, 11240);
    }
    const char* types[2] = {"mvg0", "mvh0"};
    for (int32_t c = 0; c < 2; ++c) {
        mStubs[c].IList();
        mSnapshots[c].IList();
        ReadFolder(c, SavegameFolder(), types[c]);
        PutAutoSavesLast(c, 0);
        ReadFolder(c, ScenarioFolder(), types[c]);
        mPage[c] = 0;
    }
    mSelected[0] = FileCount(0) > 0 ? 1 : 0;
    mSelected[1] = FileCount(1) > 0 ? 0 : -1;
    mLinesPerPage = (height - 80) / kLineHeight;
    DoCommand(80);
    for (int32_t i = 0; i < 5; ++i)
        mSizeNames[i].IStringRez(1560 + i);
    ResetDeleteButton();
}

void ScenarioScroller::UpdatePageButtons() {
    const int32_t c = Choice();
    if (mPageUp) mPageUp->Activate(mPage[c] > 0);
    if (mPageDown) mPageDown->Activate(mPage[c] < PageCount(c) - 1);
}

void ScenarioScroller::ResetDeleteButton() {
    const int32_t c = Choice();
    int32_t file = mSelected[c] - (c == 0 ? 1 : 0);
    bool show = mSelected[c] >= 0 && !(c == 0 && mSelected[c] == 0);
    ScenarioSnapshot* snap = show ? Snapshot(c, file) : nullptr;
    if (mDeleteButton) mDeleteButton->Show(snap && snap->fromGame);
}

void ScenarioScroller::DoCommand(int32_t command) {
    const int32_t c = Choice();
    switch (command) {
    case 78:
    case 79:
        Refresh();
        ResetDeleteButton();
        break;
    case 80:
        if (mPage[c] > 0) {
            --mPage[c];
            mSelected[c] = mPage[c] * mLinesPerPage;
            ResetDeleteButton();
        }
        Refresh();
        break;
    case 81:
        if (mPage[c] < PageCount(c) - 1) {
            ++mPage[c];
            mSelected[c] = mPage[c] * mLinesPerPage;
            ResetDeleteButton();
        }
        Refresh();
        break;
    case 82: {
        PlayAppSound(151);
        int32_t selection = mSelected[c] - 1;
        if (selection < 0) selection = c == 0 || FileCount(c) > 1 ? 0 : -1;
        int32_t file = mSelected[c] - (c == 0 ? 1 : 0);
        if (file < 0 || file >= FileCount(c)) break;
        DeleteFileFromStub(Stub(c, file));
        mStubs[c].DeleteIndex(file, true);
        mSnapshots[c].DeleteIndex(file, true);
        mSelected[c] = selection;
        if (c == 1 && FileCount(1) == 0) mSelected[1] = -1;
        if (mPage[c] > 0) {
            // Kept: the two page steps select the page's first line again.
            DoCommand(80);
            DoCommand(81);
        }
        Refresh();
        ResetDeleteButton();
        break;
    }
    default:
        GView::DoCommand(command);
        return;
    }
    UpdatePageButtons();
}

void ScenarioScroller::DoClick(int32_t x, int32_t y, bool doubleClick, bool shift, bool ctrl) {
    if (y < kFirstLineY) return;
    int32_t row = (y - kFirstLineY) / kLineHeight;
    if (row < 0 || row >= mLinesPerPage) return;
    const int32_t c = Choice();
    int32_t line = row + mPage[c] * mLinesPerPage;
    if (line >= LineCount(c)) return;
    mSelected[c] = line;
    Refresh();
    if (doubleClick) {
        PlayAppSound(152);
        GView::DoCommand(72);
    } else {
        PlayAppSound(150);
        ResetDeleteButton();
    }
}

GFile* ScenarioScroller::OpenScenario(bool* quickBattle) {
    const int32_t c = Choice();
    if (c == 0 && mSelected[0] == 0) {
        if (quickBattle) *quickBattle = true;
        return nullptr;
    }
    if (quickBattle) *quickBattle = false;
    int32_t file = mSelected[c] - (c == 0 ? 1 : 0);
    if (mSelected[c] < 0 || file >= FileCount(c)) return nullptr;
    return OpenFileFromStub(Stub(c, file), kFileModeCompressedRead);
}

bool ScenarioScroller::FileSelected() const {
    const int32_t c = Choice();
    const int32_t file = mSelected[c] - (c == 0 ? 1 : 0);
    return mSelected[c] >= 0 && file >= 0 && file < FileCount(c);
}

void ScenarioScroller::InformationText(const ScenarioSnapshot* snap, int32_t choice, GString* out) const {
    if (snap->fromGame) {
        out->IStringRez(1534);
        return;
    }
    out->IStringNum(snap->rounds);
    out->ConcatText(" ");
    out->ConcatRez(choice == 0 ? 641 : 811);
    out->ConcatRez(1080);
    out->Concat(&mSizeNames[SizeNameIndex(snap->units)]);
}

void ScenarioScroller::Draw() {
    const int32_t w = GetWidth();
    if (mTop) Blit(mTop, 0, 0);
    for (int32_t i = 0; i < mLinesPerPage; ++i)
        if (mLine) Blit(mLine, 0, kFirstLineY + kLineHeight * i);
    if (mBottom) Blit(mBottom, 0, kFirstLineY + kLineHeight * mLinesPerPage);
    const int32_t c = Choice();
    mLineCounter = c == 0 ? 1 : 0;
    for (int32_t i = 0; i < FileCount(c); ++i)
        DrawScenarioLine(Stub(c, i), Snapshot(c, i));
    if (c == 0 && mPage[0] == 0) {
        ShadowStringRez(1530, 19, 77, -1, kFontNormal, 153, 137, 36, 0, 0, 0, false);
        ShadowStringRez(1535, mLayout == 0 ? 322 : 345, 77, -1, kFontSmall, 153, 137, 36, 0, 0, 0, false);
    }
    int32_t row = mSelected[c] - mPage[c] * mLinesPerPage;
    if (mSelected[c] >= 0 && row >= 0 && row < mLinesPerPage && gKernel) {
        LongRect r{16, kFirstLineY + kLineHeight * row, w - 19,
                   kFirstLineY + kLineHeight * row + kLineHeight};
        FrameRectangle(&r, gKernel->MakeColor16(255, 255, 0));
        LongRect inner{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
        FrameRectangle(&inner, gKernel->MakeColor16(109, 126, 69));
    }
    // The delete, list and page buttons lie over the top picture.
    DrawSubviews();
}

void ScenarioScroller::DrawScenarioLine(GFileStub* stub, ScenarioSnapshot* snap) {
    const int32_t c = Choice();
    const int32_t counter = mLineCounter++;
    const int32_t row = counter - mPage[c] * mLinesPerPage;
    if (row < 0 || row >= mLinesPerPage || !stub || !snap) return;
    const int32_t y = 78 + kLineHeight * row;
    uint8_t r = 255, g = 255, b = 255;
    if (snap->fromGame) {
        g = 175;
        b = 110;
    }
    GString255 name;
    stub->GetFileName(true, &name);
    name.CropLength(27, true);
    ShadowString(&name, 19, y, -1, kFontNormal, r, g, b, 0, 0, 0, false);
    GString255 info;
    InformationText(snap, c, &info);
    ShadowString(&info, mLayout == 0 ? 205 : 225, y, -1, kFontSmall, r, g, b, 0, 0, 0, false);
    GString127 title;
    title = snap->title;
    ShadowString(&title, mLayout == 0 ? 322 : 345, y, -1, kFontSmall, r, g, b, 0, 0, 0, false);
    const int32_t w = GetWidth();
    for (int32_t side = 0; side < 2; ++side) {
        if (!mForces) break;
        LongRect source{snap->force[side] * 20, 0, snap->force[side] * 20 + 20, 20};
        BlitPart(mForces, &source, side == 0 ? w - 66 : w - 42, y - 14);
    }
}
