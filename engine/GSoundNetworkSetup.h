#pragma once
// Start-up of the sound manager and the network layer: the kernel creates
// gSound through this, owns it, and calls both through its per-pass hooks.

class GKernel;

// Creates gSound (with the sound card when there is one), hands it to the
// kernel, gives it the renderer's listener frame, and hooks the sound
// channels, the controls' click sounds, the refusal beep and the network
// pump into the kernel.
void InstallSoundAndNetwork(GKernel* kernel);
