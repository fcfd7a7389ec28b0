// The sound card shim: it opens on SDL's dummy driver (as in CI) or fails
// cleanly, and queued frames are counted until played.

#include <gtest/gtest.h>

#include <vector>

#include "platform/AudioDevice.h"

TEST(MixerDevice, OpensOrFailsCleanlyAndQueuesFrames) {
    AudioDevice device;
    std::vector<int16_t> frames(2 * 2048, 0);
    if (!device.Open(44100)) {
        EXPECT_FALSE(device.IsOpen());
        EXPECT_EQ(device.QueuedFrames(), 0);
        EXPECT_FALSE(device.Queue(frames.data(), 2048));
        return;
    }
    EXPECT_GT(device.Rate(), 0);
    ASSERT_TRUE(device.Queue(frames.data(), 2048));
    EXPECT_GT(device.QueuedFrames(), 0);
    EXPECT_LE(device.QueuedFrames(), 2048);
    device.Close();
    EXPECT_FALSE(device.IsOpen());
    EXPECT_FALSE(device.Queue(frames.data(), 1));
    // Opening again after a close works as the first time did.
    EXPECT_TRUE(device.Open(22050));
}
