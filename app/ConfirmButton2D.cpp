#include "app/ConfirmButton2D.h"

#include "app/MVApplication.h"

void ConfirmButton2D::IConfirmButton2D(GView* parent, int32_t x, int32_t y, int32_t command, int32_t picture,
                                       int32_t state) {
    IButton2D(parent, x, y, command, picture, 3);
    mReturnState = state;
    mPendingCommand = kCommandNothing;
}

void ConfirmButton2D::DoCommand(int32_t command) {
    mPendingCommand = command;
    if (MVApplication* app = TheApp()) app->SetState(mReturnState);
}

ConfirmButton2D::~ConfirmButton2D() {
    if (MVApplication* app = TheApp()) {
        app->mPendingModal = nullptr;
        // Views are being deleted now: the command runs once that is over.
        app->QueueCommand(mPendingCommand);
    }
}
