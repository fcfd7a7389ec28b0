#pragma once
// What is left of the scenario editor. No editor is ever made in this
// program (gEditor stays null), so these run only where one exists. The
// editor's map view with its 400 x 400 elevation grid is never made either:
// Shift with "=", "+" or "-" has nothing to nudge.

#include <cstdint>

class GView;

class Editor {
public:
    virtual ~Editor() = default;
    // The editor's commands: 65, 78 to 82, 96, 97 and those above 120.
    void HandleCommand(int32_t command) {}
    void ExitPreview();
    // Keys "=", "+" and "-": with shift the map's elevations, else the brush.
    void DoKey(char key, bool shift);
    bool TakesKeys() const { return mTakesKeys; }

    bool mTakesKeys = false;
    bool mPreview = false;
    int32_t mBrushSize = 1; // -1 to 18
    GView* mEditView = nullptr;
};

extern Editor* gEditor;
