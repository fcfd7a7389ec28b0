#include "engine/GSoundNetworkSetup.h"

#include "engine/EZOpenPlay.h"
#include "engine/GKernel.h"
#include "engine/GSoundManager.h"
#include "renderer/GGraph3D.h"

namespace {
// Clicks of buttons and other controls, and the refusal beep (sound 149 of
// the program's sound folder) above them.
constexpr int32_t kClickPriority = 20;
constexpr int32_t kBeepSound = 149;
constexpr int32_t kBeepPriority = 28;

// The listener is the renderer's camera; without a renderer there is none.
bool ListenerFromRenderer(float* x, float* y, float* z) {
    if (!g3D) return false;
    g3D->Transform3DSoundPoint(x, y, z);
    return true;
}

void ManageSounds(void*) {
    if (gSound) gSound->ManageSounds();
}

void PumpNetwork(void*) {
    OPIdle();
}

void PlayClick(int32_t soundId, void*) {
    if (gSound) gSound->PlaySoundA(soundId, kClickPriority);
}
void PlayBeep(void*) {
    if (gSound) gSound->PlaySoundA(kBeepSound, kBeepPriority);
}
} // namespace

void InstallSoundAndNetwork(GKernel* kernel) {
    auto* manager = new GSoundManager;
    manager->ISoundManager(true);
    manager->SetListenerTransform(&ListenerFromRenderer);
    gSound = manager;
    kernel->AdoptSoundManager(manager);
    kernel->SetManageSoundsHook(&ManageSounds, nullptr);
    kernel->SetPlaySoundHook(&PlayClick, nullptr);
    kernel->SetBeepHook(&PlayBeep, nullptr);
    kernel->SetNetworkPumpHook(&PumpNetwork, nullptr);
}
