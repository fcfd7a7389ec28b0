// The kernel's start-up creates gSound and owns it; each pass pumps the
// network and services the sound channels; deleting the kernel ends both.

#include <gtest/gtest.h>

#include "engine/EZOpenPlay.h"
#include "engine/GKernel.h"
#include "engine/GSoundManager.h"

TEST(SoundSetup, KernelCreatesOwnsAndEndsSoundAndNetwork) {
    gKernel = new GKernel;
    ASSERT_TRUE(gKernel->IKernel());
    ASSERT_NE(gSound, nullptr);
    EXPECT_EQ(gKernel->GetSoundManager(), gSound);
    ASSERT_TRUE(OPOpen(true, 0, 0, nullptr, nullptr));
    gKernel->DoOnePass(0);
    gKernel->PlaySound(170); // a click and a beep, heard or (without files) silent
    gKernel->Beep();
    delete gKernel;
    EXPECT_EQ(gKernel, nullptr);
    EXPECT_EQ(gSound, nullptr);
    EXPECT_FALSE(OPHasConnection());
    EXPECT_EQ(OPSend(nullptr, 1), kOPNotConnected);
}
