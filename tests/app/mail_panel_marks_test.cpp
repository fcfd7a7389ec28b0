// An e-mail game of Hatten between two programs, each with a program folder
// of its own: the first plays the hand-overs up to the Allied GO that
// computes the first turn and writes its file; the second, the Axis
// player's, has nothing but that file. Its replay over, the info panel must
// show what the turn left: a squad hidden since the turn began (picture
// 1050) and a tank that tried to drive round an obstacle (1090).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app/AppTypes.h"
#include "app/BattleScreen.h"
#include "app/FrontEndModals.h"
#include "app/MVApplication.h"
#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/GameFile.h"
#include "battle/UnitList.h"
#include "engine/GBlitView.h"
#include "engine/GDrawRecord.h"
#include "engine/GFile.h"
#include "engine/GKernel.h"
#include "engine/GOLTA.h"
#include "panel_marks.h"
#include "platform/PlatformEvent.h"
#include "play_through_driver.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

namespace {

constexpr const char* kHatten = "Hatten im Schnee";

std::string MailPath(PlayDriver& d, const std::string& name) {
    return d.Folder() + "/" + MailFolder() + "/" + name + ".txt";
}

} // namespace

TEST(MailPanelMarks, TheRecipientSeesHidingAndManoeuvreOfTheTurnItDidNotCompute) {
    std::vector<char> computed;
    PanelMarksOrders orders;
    {
        // The first program: both players' hands up to the computed turn.
        PlayDriver d("mail-marks-computing", 800, 600);
        ASSERT_TRUE(d.Start());
        ASSERT_TRUE(ToMainMenu(d));
        ASSERT_TRUE(OpenListed(d, kHatten, false));
        ASSERT_TRUE(ScreensToBattle(d, 0, 116, "achse"));
        // E-mail games draw from a generator seeded from the clock, which
        // the screen also draws from for as many frames as the machine
        // manages: each hand's GO starts from a seed of its own, so the
        // turn is one in which the tank meets its blocker.
        SeedRandomGenerator(501);
        SendMailTurn(d, "zug1", true, false, 600000);
        if (HasFatalFailure()) return;
        OpenMailTurn(d, "zug1", 1, "alliierte", false);
        if (HasFatalFailure()) return;
        SeedRandomGenerator(502);
        SendMailTurn(d, "zug2", true, false, 600000);
        if (HasFatalFailure()) return;
        OpenMailTurn(d, "zug2", 0, "achse", false);
        if (HasFatalFailure()) return;
        ASSERT_FALSE(gBattle->mSetupPhase);
        orders = GivePanelMarksOrders(kAxis);
        ASSERT_NE(orders.driver, 0u) << "no Axis tank with a heavier vehicle to drive through";
        ASSERT_GT(orders.hiders, 0);
        SeedRandomGenerator(503);
        SendMailTurn(d, "zug3", true, false, 600000);
        if (HasFatalFailure()) return;
        OpenMailTurn(d, "zug3", 1, "alliierte", false);
        if (HasFatalFailure()) return;
        // The heavy vehicle's tracks are broken, here only: the tank cannot
        // push it and creeps up to try its way round.
        ASSERT_NE(VehicleByID(orders.blocker), nullptr);
        ImmobiliseBlocker(orders);
        SeedRandomGenerator(508);
        SendMailTurn(d, "zug4", true, false, 600000);
        if (HasFatalFailure()) return;
        std::ifstream in(MailPath(d, "zug4"), std::ios::binary);
        computed.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        ASSERT_FALSE(computed.empty()) << "no file of the computed turn";

        // What the file itself carries, not what a receiver works out again:
        // read back, the tank's packets, replayed on the read tank with both
        // marks cleared, say it tried its way round and was not hidden since
        // the turn began.
        // Read as the program reads a file: beside the running game, which
        // the reader does not see.
        GFile file;
        ASSERT_TRUE(file.IFile(MailPath(d, "zug4").c_str(), kFileModeMailRead));
        GameFileState state;
        GameFileContents contents;
        Battle* running = gBattle;
        Campaign* runningOperation = gCampaign;
        gBattle = nullptr;
        gCampaign = nullptr;
        d.App()->mReadingFile = &state;
        const GameFileResult result =
            ReadGameFile(&file, &state, &contents, {.host = d.App(), .reading = &d.App()->mReadingFile});
        d.App()->mReadingFile = nullptr;
        gBattle = running;
        gCampaign = runningOperation;
        std::unique_ptr<Battle> read(contents.battle);
        std::unique_ptr<Campaign> operation(contents.campaign);
        ASSERT_EQ(result, kGameFileLoaded);
        ASSERT_NE(read, nullptr);
        auto* tank = dynamic_cast<Vehicle*>(read->GetUnitFromUniqueID(orders.driver));
        ASSERT_NE(tank, nullptr);
        tank->mManeuverTried = tank->mHidingAtStart = false;
        auto* dropSound = Vehicle::sDropEngineSound;
        gBattle = read.get();
        Vehicle::sDropEngineSound = nullptr;
        int32_t replayed = 0;
        for (int32_t i = 0; i < read->mPackets.GetCount(); ++i) {
            auto* p = static_cast<ActionPacket*>(read->mPackets.GetObjectA(i));
            if (p->mType != kPacketUnitState || p->StateUnit() != tank) continue;
            tank->ProcessActionPacket(p);
            ++replayed;
        }
        gBattle = running;
        Vehicle::sDropEngineSound = dropSound;
        ASSERT_GT(replayed, 0) << "no packet of the tank in the file";
        EXPECT_TRUE(tank->mManeuverTried) << "the tank's packets carry no manoeuvre";
        EXPECT_FALSE(tank->mHidingAtStart) << "the tank's packets say it hid from the turn's start";
    }

    // The Axis player's program: only the file.
    PlayDriver d("mail-marks-receiving", 800, 600);
    ASSERT_TRUE(d.Start());
    MVApplication* app = d.App();
    {
        std::error_code ec;
        std::filesystem::create_directories(d.Folder() + "/" + MailFolder(), ec);
        std::ofstream out(MailPath(d, "zug4"), std::ios::binary);
        out.write(computed.data(), static_cast<std::streamsize>(computed.size()));
    }
    ASSERT_TRUE(ToMainMenu(d));
    OpenMailTurn(d, "zug4", 0, "achse", false);
    if (HasFatalFailure()) return;
    ASSERT_GT(gBattle->mPackets.GetCount(), 0) << "the turn's packets in its file";
    ASSERT_EQ(app->InteractionState(), kStatePlayback);
    // The replay played to its end: what the turn left stands on the map.
    int32_t px = 0, py = 0;
    PlayDriver::CentreOf(app->mBattleScreen.mPlayPause, &px, &py);
    d.Click(px, py);
    for (int i = 0; i < 60 && !gBattle->AtEndOfPlayback(); ++i)
        if (!d.ClickCommand(14)) d.Run(500);
    ASSERT_TRUE(d.RunUntil([] { return gBattle->AtEndOfPlayback(); }, 600000, "the replay's end"));
    d.Run(200);
    ASSERT_EQ(app->InteractionState(), kStatePlayback);
    d.AllowBeeps();

    Vehicle* tank = VehicleByID(orders.driver);
    ASSERT_NE(tank, nullptr);
    EXPECT_TRUE(tank->mManeuverTried) << "the tank's manoeuvre did not come with the file";
    Unit* hider = HiderFromTheStart(kAxis);
    ASSERT_NE(hider, nullptr) << "no Axis squad hid from the turn's start in the recipient's battle";
    gBattle->SetSelectedUnit(tank);
    EXPECT_TRUE(DrawsPicture(RecordFrame(), 1090))
        << "the recipient's panel does not show the manoeuvre (active " << tank->mActive << ", bail-out "
        << tank->mBailOutCountdown << ", artillery delay " << tank->mArtilleryDelay << ")";
    gBattle->SetSelectedUnit(hider);
    EXPECT_TRUE(DrawsPicture(RecordFrame(), 1050)) << "the recipient's panel does not show the hiding";
}
