#pragma once
// A player at a real X window: the whole program (kernel, application,
// battle, computer opponent, drawing, sound on the dummy driver) runs, and
// every input enters as the platform's pointer and key events at screen
// positions, so it takes the kernel's own dispatch. The first click comes
// from the X server itself. Between steps the driver checks state, counts
// refusal beeps and writes numbered screenshots.
//
// The program runs on a clock of its own that the driver advances: each
// pass of the main loop moves it by kPassMs (less for the rest of a Run).
// A hold, a wait or a replay so takes the same passes on any machine, and
// a slow machine only takes longer. Only waits for what another program
// does (the X server, a network peer) count the real clock, and only to
// stop a run that hangs.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>

class GView;
class MVApplication;
class Unit;
struct ScreenDrawLog;

class PlayDriver {
public:
    // A program folder of its own that sees the built pictures, sounds and
    // demo scenarios, with a preferences file asking for width x height.
    PlayDriver(const std::string& runName, int32_t width, int32_t height);
    ~PlayDriver();
    PlayDriver(const PlayDriver&) = delete;
    PlayDriver& operator=(const PlayDriver&) = delete;

    // Opens the window and starts the application on its title; false
    // (with a failure) when no window opens.
    bool Start();
    // Whether a driver has opened a window in this process before.
    static bool StartedBefore() { return sStarted; }
    MVApplication* App() const { return mApp; }

    // The program's clock moved by each pass of the main loop.
    static constexpr int32_t kPassMs = 20;
    // A wait for another program fails after so long of the real clock:
    // only a run that hangs.
    static constexpr uint32_t kHungMs = 600000;

    // Runs the main loop for ms of the program's clock.
    void Run(int32_t ms);
    // Runs the main loop until done() holds; a failure names what when
    // timeoutMs of the program's clock pass first.
    bool RunUntil(const std::function<bool()>& done, int32_t timeoutMs, const std::string& what);
    // Runs the main loop until done() holds, for as long as another program
    // (a network peer, the X server) takes; a failure names what only when
    // the run hangs (kHungMs of the real clock).
    bool AwaitOther(const std::function<bool()>& done, const std::string& what);
    // One pass of the main loop, the program's clock moved by ms.
    void Pass(int32_t ms = kPassMs);

    // Pointer and keys, in game pixels.
    void Move(int32_t x, int32_t y);
    void Press(int32_t x, int32_t y, bool doubleClick = false);
    void Release(int32_t x, int32_t y);
    void Click(int32_t x, int32_t y, bool doubleClick = false);
    // Press, keep the button down for ms (the kernel's hold fires after 400
    // ms), then release unless keepDown.
    void Hold(int32_t x, int32_t y, int32_t ms, bool keepDown = false);
    // Press at (x0, y0), move in steps to (x1, y1), release there.
    void Drag(int32_t x0, int32_t y0, int32_t x1, int32_t y1);
    void Key(uint8_t key, bool alt = false);
    void Type(const std::string& text);
    // A click made by the X server at a game pixel, through the window's
    // letterboxed mapping.
    bool XClick(int32_t x, int32_t y);

    // Clicks the centre of the visible control sending command; false
    // (with a failure) when there is none.
    bool ClickCommand(int32_t command, bool doubleClick = false);
    static GView* FindControl(GView* root, int32_t command);
    static void CentreOf(GView* view, int32_t* x, int32_t* y);
    // A unit's place on the screen from the camera of the last frame; false
    // when it is behind the camera or off the map view.
    bool UnitOnScreen(Unit* unit, int32_t* x, int32_t* y) const;
    // A ground point's place on the screen.
    bool GroundOnScreen(float x, float y, int32_t* sx, int32_t* sy) const;

    // Writes the next numbered screenshot; a failure when it cannot. On a
    // battle screen whose map is drawn, the map view must show a picture:
    // neither black nor one colour.
    void Shot(const std::string& name);
    // Fails unless the map view's pixels are of more than one colour.
    void CheckMapPicture(const std::string& step);
    // No two texts of the screen overlap and each stays inside its view.
    void CheckTexts(const ScreenDrawLog& log, const std::string& step);
    // Fails unless GO can be pressed (orders are taken).
    void CheckGoShown(const std::string& step);
    // At each camera level the selected unit's drawing (its frame and, from
    // level 3, its base) changes the pixels around its place on the screen.
    void CheckSelectionDrawn(Unit* unit);
    // Fails when a refusal beep came that the run did not expect, then
    // takes the count as the new base.
    void CheckNoBeep(const std::string& step);
    void AllowBeeps();
    int32_t BeepBase() const { return mBeepBase; }

    int32_t Width() const { return mWidth; }
    int32_t Height() const { return mHeight; }
    const std::string& Folder() const { return mFolder; }
    const std::string& RunName() const { return mRunName; }
    uint32_t Seed() const { return mSeed; }

private:
    void Send(int type, int32_t x, int32_t y, bool doubleClick);

    std::string mRunName;
    int32_t mWidth;
    int32_t mHeight;
    std::string mFolder;
    std::string mShotFolder;
    int32_t mShotNumber = 0;
    int32_t mBeepBase = 0;
    uint32_t mSeed = 0;
    MVApplication* mApp = nullptr;
    static inline bool sStarted = false;
};

// Whether the windowed run is asked for (scripts/xvfb-play sets it).
bool PlayThroughWanted();

class MVApplication;
// From a battle just loaded through its briefings and the sides screen to the
// battle screen, one player on `side`: `choose` answers the sides screen's
// questions first. Whether the battle screen was built.
bool OpenBattleScreen(PlayDriver& d, int32_t side, const std::function<void(MVApplication*)>& choose);

// The camera locked on an own vehicle at level 0 (the closest, riding
// behind it): the vehicle is drawn with its textures, so the frame differs
// widely from the same frame drawn with the vehicle's texture sets taken
// away. Fails when the battle fields no own vehicle in play.
void CheckLockedVehicleAtLevelZero(PlayDriver& d);

// ---- Steps shared by the cases of the further play-through files ----------

struct LongRect;
// The first of these commands whose control is visible, or 0.
int32_t ShownCommand(std::initializer_list<int32_t> commands);
// Whether the battle screen's map view shows.
bool BattleScreenShown();
// Past the title (a click) and the overlay to the main menu.
bool ToMainMenu(PlayDriver& d);
// From the main menu: the list's line whose title starts so (in the
// operations list when operation), clicked and opened by the list's button.
bool OpenListed(PlayDriver& d, const std::string& title, bool operation);
// Clicks through briefings, the sides screen (side), the players screen
// (players: 114 one player, 115 hotseat, 116 e-mail) and the password
// screen (password) until the battle screen shows; atSides runs first
// when the sides screen shows.
bool ScreensToBattle(PlayDriver& d, int32_t side, int32_t players, const char* password,
                     const std::function<void()>& atSides = nullptr);
// GO, then waits for the orders or the playback to come back.
bool GoAndWait(PlayDriver& d, const std::string& what);
// The first recorded text equal to text; null when none.
const struct ScreenDrawItem* FindText(const ScreenDrawLog& log, const std::string& text);
// Mean brightness (0..255) of the back buffer inside r.
double MeanBrightness(const LongRect& r);

// ---- Shared by the tank and squad play-throughs -----------------------------

#include <vector>

struct LongRect;
struct ScreenDrawItem;

// The title skipped and a built demo battle (file name without ".mvg")
// opened as the scenario list opens it, one player on `side`, to its
// battle screen; `choose` answers the sides screen first.
bool OpenDemoBattle(PlayDriver& d, const std::string& file, int32_t side,
                    const std::function<void(MVApplication*)>& choose);
// The whole screen drawn again, with the record of its texts and pictures.
ScreenDrawLog RecordFrame();
// The first text of the record that holds `part` (Latin-1), or null.
const ScreenDrawItem* FindTextHolding(const ScreenDrawLog& log, const std::string& part);
// A string-table text, as the screen writes it.
std::string RezText(int32_t id);
// The back buffer's pixels inside r (clipped to the screen), row by row.
std::vector<uint16_t> GrabPixels(const LongRect& r);
// How many of two grabs' pixels differ.
int32_t PixelsChanged(const std::vector<uint16_t>& a, const std::vector<uint16_t>& b);
// A key of the numeric key pad.
void KeypadKey(uint8_t key);
// A world point's place on the screen from the last frame's camera; false
// behind the eye or off the map view.
bool WorldOnScreen(const PlayDriver& d, float x, float y, float z, int32_t* sx, int32_t* sy);
// Points the camera at (x, y) from the south at `level`, unlocked, and
// draws a frame.
void LookAtPoint(PlayDriver& d, int32_t level, float x, float y);
// Clicks the two-player screen's e-mail button and answers the file chooser
// as a player: the line of name.txt must be drawn, and a double click on it
// opens the file (a screenshot of the chooser first when shot). Whether the
// chooser came and was answered.
bool ChooseMailFile(PlayDriver& d, const std::string& name, bool shot);
// The GO that hands an e-mail game over (pressGo: pressed here): the box
// telling the player to send the file (within boxMs), the e-mail save
// dialog, name typed; the file must land in the mail folder, and the program
// returns to the main menu. With looks, the box's red frame and the dialog's
// picture are checked, and both screens shot.
void SendMailTurn(PlayDriver& d, const std::string& name, bool pressGo, bool looks, uint32_t boxMs = 60000);
// The other player opens the file: the main menu's two-player screen, its
// e-mail button, the chooser (shot with looks), the side, the password.
void OpenMailTurn(PlayDriver& d, const std::string& name, int32_t side, const char* password, bool looks);
// Pixels of the back buffer inside rect within tolerance of (red, green, blue).
int32_t PixelsNear(const LongRect& rect, int red, int green, int blue, int tolerance);
