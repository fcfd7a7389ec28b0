// Mouse, key and command dispatch through the kernel's real event path.
#include <unistd.h>

#include "engine/GButton.h"
#include "engine/GEditView.h"
#include "engine/GOLTA.h"
#include "engine/GOneClickModal.h"
#include "engine/GPopup.h"
#include "engine/GPopupMenu.h"
#include "engine/GRadioButton.h"
#include "engine/GRadioGroup.h"
#include "engine/GTextView.h"
#include "kernel/kernel_fixture.h"

namespace {
// Records the pointer calls it receives, in view coordinates.
class Recorder : public GView {
public:
    struct Call {
        char what; // c click, t track, u up, h hold, m modal capture
        int32_t x, y;
        bool flag;
    };
    void DoClick(int32_t x, int32_t y, bool dbl, bool shift, bool ctrl) override {
        mCalls.push_back({'c', x, y, dbl});
        if (mTrackOnClick == 1) TrackMouseNow();
        if (mTrackOnClick == 2) TrackMouseHold();
    }
    void DoMouseTrack(int32_t x, int32_t y, bool, bool) override { mCalls.push_back({'t', x, y, false}); }
    void DoMouseUp(int32_t x, int32_t y, bool right) override { mCalls.push_back({'u', x, y, right}); }
    void DoMouseHold(int32_t x, int32_t y) override { mCalls.push_back({'h', x, y, false}); }
    void DoCaptureModalClick(int32_t x, int32_t y) override { mCalls.push_back({'m', x, y, false}); }
    std::vector<Call> mCalls;
    int mTrackOnClick = 0;
};

// Deletes itself when clicked, as panels that close on a click do.
class SelfDeleting : public GView {
public:
    void DoClick(int32_t, int32_t, bool, bool, bool) override {
        TrackMouseHold();
        delete this;
    }
};
} // namespace

TEST_F(KernelTest, ClicksReachTheTopmostViewInItsCoordinates) {
    StartApp();
    auto* under = new Recorder;
    under->IView(nullptr, 100, 100, 200, 200);
    auto* over = new Recorder;
    over->IView(nullptr, 150, 150, 50, 50);
    Click(160, 170, 1, true);
    ASSERT_EQ(over->mCalls.size(), 1u);
    EXPECT_EQ(over->mCalls[0].x, 10);
    EXPECT_EQ(over->mCalls[0].y, 20);
    EXPECT_TRUE(over->mCalls[0].flag);
    EXPECT_TRUE(under->mCalls.empty());
    EXPECT_EQ(GView::mLastToContainCursor, over);
    over->Show(false);
    Click(160, 170);
    EXPECT_EQ(under->mCalls.size(), 1u);
    EXPECT_EQ(under->mCalls[0].x, 60);
    // Inactive views take no clicks.
    under->Activate(false);
    Click(160, 170);
    EXPECT_EQ(under->mCalls.size(), 1u);
}

TEST_F(KernelTest, TrackingHoldAndRelease) {
    StartApp();
    auto* v = new Recorder;
    v->IView(nullptr, 10, 10, 100, 100);
    v->mTrackOnClick = 1;
    Press(20, 30);
    ASSERT_EQ(v->mCalls.size(), 2u); // the click, then the first track at once
    EXPECT_EQ(v->mCalls[1].what, 't');
    Move(500, 400); // moves reach the tracking view even outside it
    EXPECT_EQ(v->mCalls.back().what, 't');
    EXPECT_EQ(v->mCalls.back().x, 490);
    Release(500, 400);
    EXPECT_EQ(v->mCalls.back().what, 'u');
    EXPECT_FALSE(v->mCalls.back().flag);
    EXPECT_EQ(gKernel->GetTrackingView(), nullptr);

    // Right button: the click, then DoMouseHold at once when the view tracks.
    v->mCalls.clear();
    v->mTrackOnClick = 2;
    Press(20, 30, 2);
    ASSERT_GE(v->mCalls.size(), 3u);
    EXPECT_EQ(v->mCalls[0].what, 'c');
    EXPECT_FALSE(v->mCalls[0].flag);
    EXPECT_EQ(v->mCalls[2].what, 'h');
    Release(20, 30, 2);
    EXPECT_EQ(v->mCalls.back().what, 'u');
    EXPECT_TRUE(v->mCalls.back().flag);

    // BreakMouseTrack ends tracking: the release goes nowhere.
    v->mCalls.clear();
    v->mTrackOnClick = 1;
    Press(20, 30);
    gKernel->BreakMouseTrack();
    Release(20, 30);
    EXPECT_NE(v->mCalls.back().what, 'u');

    // A view that deletes itself in DoClick is not called again.
    auto* gone = new SelfDeleting;
    gone->IView(nullptr, 300, 300, 10, 10);
    Press(305, 305, 2);
    Release(305, 305, 2);
    EXPECT_EQ(gKernel->GetTrackingView(), nullptr);
}

TEST_F(KernelTest, ModalViewsCaptureClicks) {
    StartApp();
    auto* behind = new Recorder;
    behind->IView(nullptr, 0, 0, 800, 600);
    auto* modal = new Recorder;
    modal->IView(nullptr, 300, 200, 100, 100);
    modal->SetModal();
    EXPECT_EQ(gKernel->GetTopModal(), modal);
    Click(10, 10);
    ASSERT_EQ(modal->mCalls.size(), 1u);
    EXPECT_EQ(modal->mCalls[0].what, 'm');
    EXPECT_EQ(modal->mCalls[0].x, -290);
    EXPECT_TRUE(behind->mCalls.empty());
    Click(350, 250);
    EXPECT_EQ(modal->mCalls.back().what, 'c');
    delete modal;
    EXPECT_EQ(gKernel->GetTopModal(), nullptr);
    Click(10, 10);
    EXPECT_EQ(behind->mCalls.size(), 1u);
}

TEST_F(KernelTest, ButtonsSendCommandsUpTheChain) {
    RecordingApp* app = StartApp();
    auto* panel = new GView;
    panel->IView(nullptr, 100, 100, 300, 200);
    auto* ok = new GButton;
    ok->IButton(0, panel, 10, 10, 80, 20, 118);
    Click(120, 115);
    ASSERT_EQ(app->mCommands.size(), 1u);
    EXPECT_EQ(app->mCommands[0], 118);
    // Released outside: no command.
    Press(120, 115);
    Release(400, 400);
    EXPECT_EQ(app->mCommands.size(), 1u);
    // Return presses the default button; SimulateClick does the same.
    ok->SetDefaultOK();
    Key(13);
    EXPECT_EQ(app->mCommands.size(), 2u);
    ok->SimulateClick(false);
    EXPECT_EQ(app->mCommands.size(), 3u);
    EXPECT_TRUE(app->mKeys.empty());
    delete ok;
    Key(13); // no default button any more: Return goes to DoKey
    ASSERT_EQ(app->mKeys.size(), 1u);
    EXPECT_EQ(app->mKeys[0].key, 13);

    // A one-click modal closes on any click and sends its command.
    auto* box = new GOneClickModal;
    box->IOneClickModal(nullptr, -1, -1, 200, 100);
    box->AssignCommand(66);
    auto* text = new GTextView;
    GString31 t("Hinweis");
    text->ITextView(box, -1, -1, 180, &t);
    Click(400, 300); // lands on the text inside the box
    EXPECT_EQ(app->mCommands.back(), 66);
    EXPECT_FALSE(gKernel->IsViewAlive(box));
    EXPECT_EQ(gKernel->GetTopModal(), nullptr);
}

// A key held down is reported on every pass until its key up, or until the
// window loses the focus (the key up then goes elsewhere); a key the
// keyboard did not name (injected) is never held.
TEST_F(KernelTest, AHeldKeyIsReportedEveryPassUntilLetGoOrTheFocusGoes) {
    RecordingApp* app = StartApp();
    auto send = [&](PlatformEvent::Type type, uint8_t key, int32_t physical) {
        PlatformEvent e;
        e.type = type;
        e.key = key;
        e.physicalKey = physical;
        gKernel->InjectEvent(e);
        gKernel->DoOnePass(0);
    };
    send(PlatformEvent::kKey, ',', ',');
    EXPECT_EQ(app->mKeys.size(), 1u);
    EXPECT_TRUE(app->mHeld.empty()) << "the pass of the key itself is not a hold";
    Pass(3);
    EXPECT_EQ(app->mHeld, std::vector<char>(3, ','));
    send(PlatformEvent::kKeyUp, 0, 'x'); // another key let go
    EXPECT_EQ(app->mHeld.size(), 4u);
    send(PlatformEvent::kKeyUp, 0, ',');
    Pass(2);
    EXPECT_EQ(app->mHeld.size(), 4u);

    send(PlatformEvent::kKey, '.', '.');
    Pass();
    EXPECT_EQ(app->mHeld.size(), 5u);
    send(PlatformEvent::kFocusLost, 0, 0);
    send(PlatformEvent::kFocusGained, 0, 0);
    Pass(2);
    EXPECT_EQ(app->mHeld.size(), 5u) << "a key up that never comes stops the hold";

    Key('a'); // injected without a keyboard key
    Pass(2);
    EXPECT_EQ(app->mHeld.size(), 5u);
}

TEST_F(KernelTest, KeysGoToTheEditFieldExceptEscape) {
    RecordingApp* app = StartApp();
    Key(kKeyLeft);
    Key('a', true);
    Key('7', false, true);
    ASSERT_EQ(app->mKeys.size(), 3u);
    EXPECT_EQ(app->mKeys[0].key, 1);
    EXPECT_TRUE(app->mKeys[1].alt);
    EXPECT_TRUE(app->mKeys[2].numpad);
    app->mKeys.clear();

    auto* edit = new GEditView;
    edit->IEditView(nullptr, 10, 10, 5, 1, true, false);
    EXPECT_EQ(gKernel->GetActiveEdit(), edit);
    for (char c : std::string("Hallo!"))
        Key(static_cast<uint8_t>(c));
    Key(static_cast<uint8_t>(0xE4));
    GString31 got;
    edit->CaptureString(&got);
    EXPECT_STREQ(got.GetCString(), "Hallo"); // five columns, full length
    Key(8);
    Key(static_cast<uint8_t>(0xE4));
    edit->CaptureString(&got);
    EXPECT_STREQ(got.GetCString(), "Hall\xE4");
    EXPECT_TRUE(app->mKeys.empty());
    Key(27);
    ASSERT_EQ(app->mKeys.size(), 1u);
    EXPECT_EQ(app->mKeys[0].key, 27);
    edit->Clear();
    GString31 more("1234567");
    edit->InsertString(&more);
    edit->CaptureString(&got);
    EXPECT_STREQ(got.GetCString(), "12345");

    auto* short2 = new GEditView;
    short2->IEditView(nullptr, 10, 40, 3, 1, false, false);
    EXPECT_EQ(short2->GetCapacity(), 2);
    Click(15, 45); // a click gives it the keys
    EXPECT_EQ(gKernel->GetActiveEdit(), short2);
    delete short2;
    EXPECT_EQ(gKernel->GetActiveEdit(), nullptr);
}

TEST_F(KernelTest, PopupsAndRadioGroups) {
    RecordingApp* app = StartApp();
    GString31 a("Kein"), b("Voll"), c("Extrem");
    GString* items[3] = {&a, &b, &c};
    auto* popup = new GPopup;
    popup->IPopup(nullptr, 100, 100, 3, items, 1);
    popup->SetCommandID(90);
    EXPECT_EQ(popup->GetValue(), 1);
    Click(105, 105);
    GPopupMenu* menu = popup->GetOpenMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(gKernel->GetTopModal(), menu);
    // The third row of the list below the popup.
    Click(110, 118 + 2 * GPopupMenu::kRowHeight + 5);
    EXPECT_EQ(popup->GetValue(), 2);
    EXPECT_EQ(app->mCommands.back(), 90);
    EXPECT_EQ(popup->GetOpenMenu(), nullptr);
    Click(105, 105);
    Click(700, 500); // outside: closes without a change
    EXPECT_EQ(popup->GetValue(), 2);
    Pass();
    EXPECT_EQ(gKernel->GetTopModal(), nullptr);
    // Deleting the popup with its list open deletes the list too.
    Click(105, 105);
    delete popup;
    EXPECT_EQ(gKernel->GetTopModal(), nullptr);

    auto* group = new GRadioGroup;
    group->IRadioGroup();
    GRadioButton* buttons[3];
    for (int i = 0; i < 3; ++i) {
        buttons[i] = new GRadioButton;
        buttons[i]->IRadioButton(group, 0, nullptr, 300, 100 + 30 * i, 100, 20, 114 + i);
    }
    EXPECT_EQ(group->GetChoice(), -1);
    group->SetChoiceByIndex(0);
    EXPECT_EQ(buttons[0]->GetValue(), 1);
    Click(310, 165);
    EXPECT_EQ(group->GetChoice(), 2);
    EXPECT_EQ(buttons[0]->GetValue(), 0);
    EXPECT_EQ(app->mCommands.back(), 116);
    delete buttons[1];
    EXPECT_EQ(group->GetCount(), 2);
    delete group; // the buttons live on without it
    Click(310, 105);
    EXPECT_EQ(buttons[0]->GetValue(), 1);
}

TEST_F(KernelTest, FocusEdgesAndModifiers) {
    RecordingApp* app = StartApp();
    PlatformEvent e;
    e.type = PlatformEvent::kFocusLost;
    gKernel->InjectEvent(e);
    Pass();
    EXPECT_EQ(app->mSuspends, 1);
    const int renders = app->mRenders;
    e.type = PlatformEvent::kFocusGained;
    gKernel->InjectEvent(e);
    gKernel->DoOnePass(0);
    EXPECT_EQ(app->mResumes, 1);
    EXPECT_GT(app->mRenders, renders);

    gKernel->mEdgeScrolling = true;
    Move(0, 300);
    EXPECT_EQ(gKernel->mEdgeH, -1);
    EXPECT_EQ(gKernel->mEdgeV, 0);
    Move(799, 599);
    EXPECT_EQ(gKernel->mEdgeH, 1);
    EXPECT_EQ(gKernel->mEdgeV, 1);
    gKernel->mEdgeScrolling = false;
    Move(0, 0);
    EXPECT_EQ(gKernel->mEdgeH, 0);

    e = PlatformEvent{};
    e.type = PlatformEvent::kKey;
    e.key = 'x';
    e.shift = true;
    gKernel->InjectEvent(e);
    Pass();
    EXPECT_TRUE(gKernel->ShiftKeyPressed());
    EXPECT_FALSE(gKernel->ControlKeyPressed());
    e.type = PlatformEvent::kQuit;
    gKernel->InjectEvent(e);
    Pass();
    EXPECT_TRUE(gKernel->IsQuitting());
}

TEST_F(KernelTest, HooksForSoundAndNetworkRunEachPass) {
    StartApp();
    struct Counts {
        int network = 0, sounds = 0, beeps = 0;
        std::vector<int32_t> played;
        bool networkFirst = true;
    } counts;
    gKernel->SetNetworkPumpHook([](void* c) { ++static_cast<Counts*>(c)->network; }, &counts);
    gKernel->SetManageSoundsHook(
        [](void* c) {
            auto* k = static_cast<Counts*>(c);
            ++k->sounds;
            if (k->network != k->sounds) k->networkFirst = false;
        },
        &counts);
    gKernel->SetBeepHook([](void* c) { ++static_cast<Counts*>(c)->beeps; }, &counts);
    gKernel->SetPlaySoundHook([](int32_t id, void* c) { static_cast<Counts*>(c)->played.push_back(id); },
                              &counts);
    Pass(3);
    EXPECT_EQ(counts.network, 3);
    EXPECT_EQ(counts.sounds, 3);
    EXPECT_TRUE(counts.networkFirst);
    gKernel->Beep();
    EXPECT_EQ(counts.beeps, 1);
    EXPECT_EQ(gKernel->GetBeepCount(), 1);
    auto* b = new GButton;
    b->IButton(0, nullptr, 0, 0, 50, 50, 5);
    b->AttachSound(152);
    Click(10, 10);
    ASSERT_EQ(counts.played.size(), 1u);
    EXPECT_EQ(counts.played[0], 152);
    // The kernel owns the sound manager it is given.
    class Manager : public GObject {
    public:
        explicit Manager(bool* gone) : mGone(gone) {}
        ~Manager() override { *mGone = true; }
        bool* mGone;
    };
    static bool gone = false;
    gKernel->AdoptSoundManager(new Manager(&gone));
    delete gKernel;
    gKernel = nullptr;
    EXPECT_TRUE(gone);
    gKernel = new GKernel; // for TearDown
    ASSERT_TRUE(gKernel->IKernel());
}

TEST_F(KernelTest, LeftButtonHeldLongEnoughGetsOneHold) {
    StartApp();
    auto* v = new Recorder;
    v->IView(nullptr, 10, 10, 100, 100);
    v->mTrackOnClick = 2;
    Press(20, 30);
    EXPECT_EQ(v->mCalls.back().what, 't'); // no hold yet
    const uint32_t start = ClockTime();
    while (ClockTime() - start < 600)
        gKernel->DoOnePass(50);
    int holds = 0;
    for (const auto& c : v->mCalls)
        holds += c.what == 'h';
    EXPECT_EQ(holds, 1);
    Release(20, 30);
    EXPECT_EQ(v->mCalls.back().what, 'u');
}

namespace {
uint32_t gDrivenClock = 0;
uint32_t DrivenClock() {
    return gDrivenClock;
}
} // namespace

// On a clock the driver advances, the hold comes at the pass whose time
// reaches the delay however long the passes take in real time.
TEST_F(KernelTest, HoldFollowsADrivenClock) {
    StartApp();
    auto* v = new Recorder;
    v->IView(nullptr, 10, 10, 100, 100);
    v->mTrackOnClick = 2;
    gDrivenClock = ClockTime();
    SetClockSource(DrivenClock);
    Press(20, 30);
    auto holds = [&] {
        int n = 0;
        for (const auto& c : v->mCalls)
            n += c.what == 'h';
        return n;
    };
    for (int pass = 0; pass < 19; ++pass) { // 380 ms of the driven clock
        gDrivenClock += 20;
        gKernel->DoOnePass(0);
    }
    usleep(450000); // real time alone sends nothing
    gKernel->DoOnePass(0);
    EXPECT_EQ(holds(), 0);
    gDrivenClock += 20;
    gKernel->DoOnePass(0);
    EXPECT_EQ(holds(), 1);
    SetClockSource(nullptr);
    Release(20, 30);
}
