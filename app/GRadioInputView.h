#pragma once
// The chat line of a TCP/IP battle: an edit field on the map view, hidden
// until the radio key opens it. Return sends the typed line to the peer and
// hides the field again.

#include "engine/GEditView.h"

class MapView;

class GRadioInputView : public GEditView {
public:
    // The application forgets the field when it goes with its map view.
    ~GRadioInputView() override;
    void Input(char key) override;
};

// The radio lines at the top right of the map view, newest at the bottom.
void DrawRadioLines(MapView* view);
// The entries of the 14-line radio log to draw, top to bottom: the newest
// `wanted` used ones (all used ones when fewer). Gives their count.
int32_t ChooseRadioLines(const GString255* lines, int32_t wanted, int32_t* out);
