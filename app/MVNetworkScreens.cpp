// The screens of a TCP/IP game: the multiplayer choice, the joining side's
// address entry, the host's waiting window, and the boxes that report a
// network that cannot be used or a connection that ended.

#include "app/AppViews.h"
#include "app/ButtonFlybyView.h"
#include "app/FlybyButton.h"
#include "app/MVApplication.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "engine/GOLTA.h"
#include "engine/EZOpenPlay.h"
#include "engine/GBlitView.h"
#include "engine/GButton2D.h"
#include "engine/GEditView.h"
#include "engine/GFile.h"
#include "engine/GKernel.h"
#include "engine/GTextView.h"

namespace {

constexpr int32_t kPortString = 6424; // "Port:"

// The network layer calls plain functions; they reach the application.
void ReceiveFromPeer(unsigned char* data, uint32_t length) {
    if (MVApplication* app = TheApp()) app->ReceivePacket(data, length);
}

void LostPeer(bool wasConnected) {
    if (MVApplication* app = TheApp()) app->ConnectionDied(wasConnected);
}

GButton2D* ScreenButton(GView* parent, int32_t x, int32_t y, int32_t command, int32_t picture) {
    auto* button = new GButton2D;
    button->IButton2D(parent, x, y, command, picture, 3);
    button->AttachSound(152);
    return button;
}

GTextView* ScreenText(GView* parent, int32_t x, int32_t y, int32_t width, const GString& text) {
    auto* view = new GTextView;
    view->ITextView(parent, x, y, width, &text);
    view->SetJustify(0);
    view->SetColor(255, 255, 255);
    return view;
}

} // namespace

uint32_t MVApplication::PeerPort() {
    return mGamePort;
}

void MVApplication::JoinMultiplayer() {
    if (!Alive(mMenuPicture)) return;
    if (Alive(mFlybyHelp)) mFlybyHelp->SetDefaultRez(1502);
    mMenuPicture->ClearSubviews();
    mScenarioList = nullptr;
    const int32_t x = mMenuPicture->GetWidth() / 2 - 150;
    const int32_t layout = mMenuScale;
    for (int32_t i = 0; i < 2; ++i) {
        auto* button = new FlybyButton;
        button->IFlybyButton(mMenuPicture, x, 210 + 110 * layout + 70 * i, 74 + i, 11207 + i, 3, mFlybyHelp,
                             static_cast<int16_t>(1527 + i));
        button->AttachSound(152);
    }
    auto* back = new FlybyButton;
    int32_t h = mMenuPicture->GetHeight();
    back->IFlybyButton(mMenuPicture, x, layout < 2 ? h - 80 : h - 135, 73, 11206, 3, mFlybyHelp, 1525);
    back->AttachSound(152);
}

void MVApplication::SetUpTCPIPClient() {
    if (!gKernel) return;
    gKernel->ClearScreen(true);
    ClearFrontEnd();
    mJoinView = new GView;
    mJoinView->IView(nullptr, 0, 0, gKernel->mScreenWidth, gKernel->mScreenHeight);
    auto* picture = new GBlitView;
    picture->IBlitView2D(mJoinView, -1, -1, 11170);
    GString63 label;
    label.IStringRez(1694);
    ScreenText(picture, 130, 60, 170, label);
    for (int32_t i = 0; i < 4; ++i) {
        auto* field = new GEditView;
        field->IEditView(picture, 310 + 38 * i, 60, 3, 1, true, false);
        GString15 octet;
        octet.IStringNum(static_cast<uint8_t>(mPrefs[kPrefAddress + i]));
        field->InsertString(&octet);
        mAddressField[i] = field;
        if (i > 0) ScreenText(picture, 304 + 38 * i, 65, 6, GString15("."));
    }
    gKernel->SetActiveEdit(static_cast<GEditView*>(mAddressField[0]));
    ScreenButton(picture, 180, 130, 76, 11101)->SetDefaultOK();
    ScreenButton(picture, 330, 130, 77, 11103);
}

void MVApplication::CollectTCPIPClient() {
    uint8_t octets[4] = {};
    for (int32_t i = 0; i < 4; ++i) {
        auto* field = static_cast<GEditView*>(Alive(mAddressField[i]));
        if (!field) return;
        GString15 text;
        field->CaptureString(&text);
        int32_t value = text.ConvertToNumber();
        // An address octet is one byte: anything else is refused here.
        if (value < 0 || value > 255) {
            if (gKernel) gKernel->Beep();
            return;
        }
        octets[i] = static_cast<uint8_t>(value);
    }
    ConnectToPeer(octets);
}

bool MVApplication::ConnectToPeer(const uint8_t* octets) {
    for (int32_t i = 0; i < 4; ++i)
        mPrefs[kPrefAddress + i] = static_cast<int8_t>(octets[i]);
    mPeerAddress = static_cast<int32_t>(OPConvertNumsToIP(octets[0], octets[1], octets[2], octets[3]));
    mPort = static_cast<int32_t>(PeerPort());
    if (!OPOpen(false, static_cast<uint32_t>(mPeerAddress), PeerPort(), ReceiveFromPeer, LostPeer)) {
        Confirm(kConfirmPeerUnreachable);
        return false;
    }
    if (Alive(mJoinView) && gKernel) {
        mJoinView->ClearSubviews();
        for (GView*& field : mAddressField)
            field = nullptr;
        int32_t x = (gKernel->mScreenWidth - 200) / 2;
        int32_t y = gKernel->mScreenHeight / 2;
        GString63 line;
        line.IStringRez(1690);
        ScreenText(mJoinView, x, y - 40, 200, line)->SetJustify(1);
        line.IStringRez(1691);
        ScreenText(mJoinView, x, y - 20, 200, line)->SetJustify(1);
    }
    mIsHost = false;
    mHostFogLevel = -1;
    mTCPIPPhase = 5;
    mConnectionType = 2;
    SettleGameMode();
    delete mIncomingTurnFile;
    mIncomingTurnFile = nullptr;
    ResetIncomingTransfer();
    ResetExchangeChecks();
    mPeerDiedMessageOff = false;
    mPeerGone = false;
    return true;
}

void MVApplication::ServerOpen() {
    mPort = static_cast<int32_t>(PeerPort());
    if (!OPOpen(true, 0, PeerPort(), ReceiveFromPeer, LostPeer)) {
        Confirm(kConfirmNoNetwork);
        return;
    }
    ResetExchangeChecks();
    mPeerDiedMessageOff = false;
    mPeerGone = false;
    ServerWaitingWindow();
}

void MVApplication::ServerWaitingWindow() {
    mOwnAddressCount = 0;
    while (mOwnAddressCount < 3) {
        uint32_t address = OPGetOwnIP();
        if (address == 0) break;
        mOwnAddress[mOwnAddressCount++] = static_cast<int32_t>(address);
    }
    if (!gKernel) return;
    gKernel->ClearScreen(true);
    ClearFrontEnd();
    mServerWaitWindow = new GView;
    mServerWaitWindow->IView(nullptr, 0, 0, gKernel->mScreenWidth, gKernel->mScreenHeight);
    auto* picture = new GBlitView;
    picture->IBlitView2D(mServerWaitWindow, -1, -1, 11170);
    GString255 text;
    text.IStringRez(1680);
    text.ConcatRez(mOwnAddressCount > 1 ? 1720 : 1719);
    mTCPIPWaitBox = ScreenText(picture, 70, 40, picture->GetWidth() - 70, text);
    for (int32_t i = 0; i < mOwnAddressCount; ++i) {
        GString63 address;
        ConcatServerIPAddress(&address, i);
        ScreenText(picture, 230, 70 + 16 * i, 100, address);
    }
    // The joining player may need the port for a firewall or a forward.
    GString63 port;
    port.IStringRez(kPortString);
    port.AddChar(' ');
    port.ConcatNum(static_cast<int32_t>(PeerPort()));
    ScreenText(picture, 230, 70 + 16 * mOwnAddressCount, 100, port);
    ScreenButton(picture, 230, 170, 99, 11103);
}

void MVApplication::ConcatServerIPAddress(GString* text, int32_t index) {
    if (index < 0 || index >= mOwnAddressCount || index >= 3) return;
    unsigned char o[4] = {};
    OPConvertIPToNums(static_cast<uint32_t>(mOwnAddress[index]), &o[0], &o[1], &o[2], &o[3]);
    for (int32_t i = 0; i < 4; ++i) {
        if (i > 0) text->ConcatText(".");
        text->ConcatNum(o[i]);
    }
}

void MVApplication::ConnectionDied(bool wasConnected) {
    // Noted even when not reported now: a peer that is gone is never ready
    // for an operation's next battle.
    mPeerGone = true;
    mClientReady = false;
    if (mPeerDiedMessageOff) return;
    if (gBattle && gBattle->mResultView) return;
    // Whatever was arriving is dropped unmerged, and nothing is asked for
    // again or sent again.
    DropTransfers();
    mAwaitedMarker = 0;
    mFileAttempts = 0;
    mDeferredPackets.clear();
    mResendMarker = 0;
    mNetworkReport = mPeerQuit ? kConfirmPeerLeft : (wasConnected ? kConfirmConnectionBroken : kConfirmConnectionLost);
    Confirm(mNetworkReport);
}

void MVApplication::ContinueTCPIPOperation() {
    DeleteTransferPanel();
    mTurnClockStart = 0;
    mClockWasRunning = false;
    mOwnPauseRequest = false;
    mPeerPause = false;
    // The peer's word that its battle is over counted for that battle: a
    // peer that leaves while the next one is set up is reported.
    mPeerDiedMessageOff = false;
    if (mPeerGone) {
        // The peer left while this machine's result showed: nobody is
        // there to ask for the next battle or to send it.
        ConnectionDied(true);
        return;
    }
    if (mIsHost) {
        // The host cuts the next battle and, in phase 2, sends it when the
        // joiner says it is ready (packet 14).
        mTCPIPPhase = 2;
        StartNextBattle(GetRandomState());
        return;
    }
    uint8_t ready = 14;
    ForceSendRecord(&ready, 1, 0);
    delete gBattle;
    gBattle = nullptr;
    delete gCampaign;
    gCampaign = nullptr;
    SetUpTCPIPClientCampaign();
}

void MVApplication::SetUpTCPIPClientCampaign() {
    mTCPIPPhase = 5;
    delete mIncomingTurnFile;
    mIncomingTurnFile = nullptr;
    ResetIncomingTransfer();
    if (!gKernel) return;
    gKernel->ClearScreen(true);
    ClearFrontEnd();
    mJoinView = new GView;
    mJoinView->IView(nullptr, 0, 0, gKernel->mScreenWidth, gKernel->mScreenHeight);
    auto* picture = new GBlitView;
    picture->IBlitView2D(mJoinView, -1, -1, 11170);
    GString255 line;
    line.IStringRez(1712);
    ScreenText(picture, 135, 50, 330, line);
    line.IStringRez(1713);
    ScreenText(picture, 135, 70, 330, line);
    ScreenButton(picture, 245, 180, 77, 11103);
}
