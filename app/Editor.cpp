#include "app/Editor.h"

#include "app/MVApplication.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "engine/GKernel.h"
#include "engine/GView.h"

Editor* gEditor = nullptr;

void Editor::ExitPreview() {
    if (gBattle) {
        // The markers placed for the preview become flags and arrival
        // points again; the screen's pictures and textures go.
        gBattle->GrabEditorMarkers();
        gBattle->Host()->BattleGoes(gBattle);
    }
    if (gCampaign) {
        gCampaign->RetrieveBattleData(gBattle);
        delete gBattle;
        gBattle = nullptr;
    }
    if (gKernel) gKernel->Set3D(false);
    if (mEditView) mEditView->Show(true);
    mPreview = false;
    if (MVApplication* app = TheApp()) app->mSide = 2;
}

void Editor::DoKey(char key, bool shift) {
    if (!mEditView || (key != '=' && key != '+' && key != '-')) return;
    if (shift) return; // the elevation grid belongs to the editor's map view, which is never made
    mBrushSize += key == '-' ? -1 : 1;
    if (mBrushSize > 18) mBrushSize = 18;
    if (mBrushSize < -1) mBrushSize = -1;
    mEditView->Refresh();
}
