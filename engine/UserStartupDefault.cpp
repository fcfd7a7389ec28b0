// PLACEHOLDER until the application shell exists: a weak UserStartup that
// opens nothing and quits at once. The game's own UserStartup replaces it.
#include "engine/GKernel.h"
#include "engine/UserStartup.h"

__attribute__((weak)) void UserStartup() {
    if (!gKernel) return;
    gKernel->Quit();
    gKernel->InstallApp(new GApplication);
}
