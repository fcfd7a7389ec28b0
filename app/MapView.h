#pragma once
// The full-width 3-D view of the battlefield: it draws the map with the
// status lines and the line of the current interaction, and turns clicks,
// drags, holds and releases into selections, camera moves and orders. Every
// mouse handler switches on the application's interaction state.
#include <cstdint>

#include "engine/GString.h"
#include "engine/GView.h"

class Map;
class MVApplication;
class Unit;

class MapView : public GView {
public:
    void Draw() override;
    void DoClick(int32_t x, int32_t y, bool doubleClick, bool shift, bool ctrl) override;
    void DoMouseTrack(int32_t x, int32_t y, bool shift, bool ctrl) override;
    void DoMouseUp(int32_t x, int32_t y, bool rightButton) override;
    void DoMouseHold(int32_t x, int32_t y) override;
    void DoIdle() override;

    // The line at the top of the view for ms (0: the usual time).
    void SetMessage(GString* text, uint32_t ms = 0);
    void MapShowWarningLabel(int32_t x, int32_t y, GString* text1, int32_t kind1, GString* text2,
                             int32_t kind2);
    bool ComputePickPoint();
    void TrackHelper(int32_t x, int32_t y);
    // Draws the scene twice in pick mode at (x, y); with units, the unit
    // drawing reports the one under the pointer.
    virtual void Pick(int32_t x, int32_t y, bool units, bool withOverlays);

    Map* mMap = nullptr;
    uint32_t mMessageTime = 0;
    uint32_t mMessageMs = 0;
    bool mMessageShown = false;
    GString63 mMessage;
    // The picked waypoint when the button went down, for the release.
    int32_t mRememberedWaypoint = -1;
    // Over TCP/IP, what the last frame showed beside the scene (the
    // exchange's phase, the pause flags, the radio lines, the turn clock's
    // second): a still screen is drawn again when it changes.
    uint64_t mTCPIPShown = 0;

private:
    // Whether the scene changes without input, so that the idle pass asks
    // for a frame: the playback unless it stays paused, a camera step or shake, falling rain or
    // snow, fires, smoke clouds and burning wrecks, and a status message
    // running out.
    bool SceneMoves(int32_t state, bool playbackMoved) const;
    void DrawStatusLines();
    void DrawPlacingLine(int32_t cx);
    void DrawWrappedLine(GString255* text, int32_t cx, int32_t y);
    void DrawTurnClockLines(MVApplication* app, int32_t cx, uint8_t pr, uint8_t pg, uint8_t pb);
    void ClickOnUnit(Unit* picked, bool doubleClick, bool shift, bool ordersAllowed, int32_t x, int32_t y);
};

// The status lines of a TCP/IP game's turn clock, top to bottom: the
// remaining time (1689), the switched-off clock (1718), the auto-save reload
// warning (1693) and a pending request to ignore the time limit, one's own
// (1714) or the opponent's (1716). Writes at most four and gives the count.
struct TurnClockLine {
    int32_t text;
    int32_t y;
};
int32_t TurnClockLines(MVApplication* app, TurnClockLine* lines);
// What a TCP/IP screen shows beside the scene, as one number that changes
// when any of it does: the exchange's phase, the pause flags, the reload
// warning, the turn clock's whole second and the radio lines.
uint64_t TCPIPScreenStamp(MVApplication* app);

// The application's interaction state (0 without an application).
int32_t MapViewState();
void SetMapViewState(int32_t state);
