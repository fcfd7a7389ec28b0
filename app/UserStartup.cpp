// The game's start-up hook: the application object, run by the kernel.

#include "engine/UserStartup.h"
#include "app/MVApplication.h"
#include "engine/GKernel.h"

void UserStartup() {
    if (!gKernel) return;
    gKernel->InstallApp(new MVApplication);
}
