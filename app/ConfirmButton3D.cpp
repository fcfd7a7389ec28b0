#include "app/ConfirmButton3D.h"

#include "app/MVApplication.h"

void ConfirmButton3D::IConfirmButton3D(GView* parent, int32_t x, int32_t y, int32_t command, int16_t picture,
                                       int16_t pressedPicture, int32_t state) {
    IButton3D(parent, x, y, command, picture, pressedPicture, pressedPicture);
    mReturnState = state;
    mPendingCommand = kCommandNothing;
}

void ConfirmButton3D::DoCommand(int32_t command) {
    mPendingCommand = command;
    if (MVApplication* app = TheApp()) app->SetState(mReturnState);
}

ConfirmButton3D::~ConfirmButton3D() {
    if (MVApplication* app = TheApp()) {
        app->mPendingModal = nullptr;
        app->QueueCommand(mPendingCommand);
    }
}
