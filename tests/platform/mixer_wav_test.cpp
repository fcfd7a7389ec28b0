// Reading WAVE files: the formats taken, their conversion to 16-bit frames,
// and the refusal of anything damaged or unsupported.

#include <gtest/gtest.h>

#include "engine/FileTestFolder.h"
#include "engine/sound_wav_files.h"
#include "platform/WavReader.h"

using namespace wavtest;

namespace {

class WavReaderTest : public ::testing::Test {
protected:
    bool Load(const std::vector<uint8_t>& bytes, AudioSample* sample) {
        const std::string path = mFolder.File("t.wav");
        EXPECT_TRUE(WriteFile(path, bytes));
        return LoadWavFile(path.c_str(), sample);
    }
    FileTestFolder mFolder;
};

TEST_F(WavReaderTest, ReadsSixteenBitStereoAndEightBitMono) {
    AudioSample s;
    ASSERT_TRUE(Load(Pcm16(2, 22050, {1, -2, 32767, -32768}), &s));
    EXPECT_EQ(s.rate, 22050);
    EXPECT_EQ(s.channels, 2);
    EXPECT_EQ(s.FrameCount(), 2);
    EXPECT_EQ(s.data, (std::vector<int16_t>{1, -2, 32767, -32768}));

    // 8-bit samples are unsigned around 128.
    const std::vector<uint8_t> bytes8 = {0, 128, 255};
    ASSERT_TRUE(Load(Riff({FmtChunk(1, 1, 11025, 8), Chunk("data", bytes8)}), &s));
    EXPECT_EQ(s.rate, 11025);
    EXPECT_EQ(s.channels, 1);
    EXPECT_EQ(s.data, (std::vector<int16_t>{-32768, 0, 32512}));
}

TEST_F(WavReaderTest, SkipsUnknownChunksWithTheirPadByte) {
    AudioSample s;
    const std::vector<uint8_t> odd = {1, 2, 3};
    const std::vector<uint8_t> data = {0x10, 0x00, 0x20, 0x00};
    ASSERT_TRUE(Load(
        Riff({Chunk("LIST", odd), FmtChunk(1, 1, 8000, 16), Chunk("junk", odd), Chunk("data", data)}), &s));
    EXPECT_EQ(s.data, (std::vector<int16_t>{16, 32}));
}

TEST_F(WavReaderTest, RefusesDamagedAndUnsupportedFiles) {
    const std::vector<uint8_t> data = {0, 0, 0, 0};
    std::vector<std::vector<uint8_t>> bad = {
        {},                                                    // empty
        {'R', 'I', 'F', 'F'},                                  // cut header
        Riff({FmtChunk(3, 1, 8000, 16), Chunk("data", data)}), // float samples
        Riff({FmtChunk(1, 3, 8000, 16), Chunk("data", data)}), // three channels
        Riff({FmtChunk(1, 1, 8000, 24), Chunk("data", data)}), // 24 bits
        Riff({FmtChunk(1, 1, 0, 16), Chunk("data", data)}),    // rate 0
        Riff({Chunk("data", data), FmtChunk(1, 1, 8000, 16)}), // data before fmt
        Riff({FmtChunk(1, 1, 8000, 16)}),                      // no data
    };
    // A data chunk that claims more bytes than the file has.
    std::vector<uint8_t> cut = Pcm16(1, 8000, {1, 2, 3, 4});
    cut.resize(cut.size() - 2);
    bad.push_back(cut);
    // Not a RIFF file at all.
    std::vector<uint8_t> text(64, 'x');
    bad.push_back(text);
    for (size_t i = 0; i < bad.size(); ++i) {
        AudioSample s;
        EXPECT_FALSE(Load(bad[i], &s)) << "case " << i;
        EXPECT_TRUE(s.data.empty()) << "case " << i;
    }
    AudioSample s;
    EXPECT_FALSE(LoadWavFile(mFolder.File("missing.wav").c_str(), &s));
}

TEST_F(WavReaderTest, StreamsInPiecesAndRewinds) {
    std::vector<int16_t> values(1000);
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = static_cast<int16_t>(i);
    const std::string path = mFolder.File("s.wav");
    ASSERT_TRUE(WriteFile(path, Pcm16(1, 44100, values)));
    WavStream wav;
    ASSERT_TRUE(wav.Open(path.c_str()));
    EXPECT_EQ(wav.FrameCount(), 1000);
    int16_t buf[600];
    EXPECT_EQ(wav.ReadFrames(buf, 600), 600);
    EXPECT_EQ(buf[599], 599);
    EXPECT_EQ(wav.ReadFrames(buf, 600), 400);
    EXPECT_EQ(buf[0], 600);
    EXPECT_EQ(wav.ReadFrames(buf, 600), 0);
    ASSERT_TRUE(wav.Rewind());
    EXPECT_EQ(wav.ReadFrames(buf, 1), 1);
    EXPECT_EQ(buf[0], 0);
}

} // namespace
