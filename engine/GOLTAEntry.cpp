// The program's entry: makes the kernel, opens the display and hands over to
// the game's start-up, which installs the application and runs the loop.
#include "engine/GKernel.h"
#include "engine/UserStartup.h"
#include "platform/PlatformVideo.h"

int main() {
    gKernel = new GKernel;
    if (!gKernel->IKernel()) {
        PlatformFatalMessage(kProductName, kNoGraphicsMessage);
        delete gKernel;
        return 1;
    }
    UserStartup();
    const char* fatal = gKernel->GetFatalMessage();
    delete gKernel;
    if (!fatal) return 0;
    PlatformFatalMessage(kProductName, fatal);
    return 1;
}
