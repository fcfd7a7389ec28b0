#include "Sounds.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "Noise.h"

namespace {
constexpr float kPi = 3.14159265f;
constexpr float kRate = float(kSampleRate);

// A float mix buffer; Wrap makes the notes that run past the end continue at its start (seamless loops).
struct Mix {
    std::vector<float> s;
    bool wrap = false;
    explicit Mix(float seconds, bool loop = false) : s(size_t(seconds * kRate)), wrap(loop) {}
    void Add(size_t i, float v) {
        if (i < s.size())
            s[i] += v;
        else if (wrap && !s.empty())
            s[i % s.size()] += v;
    }
};

float Midi(float note) {
    return 440.0f * std::pow(2.0f, (note - 69.0f) / 12.0f);
}

// Attack-decay-sustain-release envelope over a note of the given length.
float Envelope(float t, float length, float attack, float release) {
    if (t < attack) return t / attack;
    if (t > length - release) return std::max(0.0f, (length - t) / release);
    return 1.0f;
}

// A brass-like tone: odd and even harmonics whose upper partials swell with the attack.
void Brass(Mix& m, float start, float length, float note, float gain) {
    const float f = Midi(note);
    const size_t a = size_t(start * kRate), n = size_t(length * kRate);
    for (size_t i = 0; i < n; ++i) {
        float t = i / kRate;
        float env = Envelope(t, length, 0.03f, 0.08f) * (0.8f + 0.2f * std::exp(-t * 3.0f));
        float bright = std::min(1.0f, t * 12.0f);
        float v = 0.0f;
        for (int h = 1; h <= 6; ++h)
            v += std::sin(2 * kPi * f * h * t) * (h == 1 ? 1.0f : bright * 0.5f / h);
        m.Add(a + i, v * env * gain);
    }
}

// A plucked bass: a decaying sine with its octave.
void Bass(Mix& m, float start, float length, float note, float gain) {
    const float f = Midi(note);
    const size_t a = size_t(start * kRate), n = size_t(length * kRate);
    for (size_t i = 0; i < n; ++i) {
        float t = i / kRate;
        float env = std::exp(-t * 3.0f) * Envelope(t, length, 0.005f, 0.05f);
        m.Add(a + i, (std::sin(2 * kPi * f * t) + 0.3f * std::sin(4 * kPi * f * t)) * env * gain);
    }
}

// A snare drum: noise with a quick decay and a short body tone.
void Snare(Mix& m, float start, float gain, uint32_t seed, float decay = 18.0f) {
    ArtRandom rnd(seed);
    const size_t a = size_t(start * kRate), n = size_t(0.25f * kRate);
    float lp = 0.0f;
    for (size_t i = 0; i < n; ++i) {
        float t = i / kRate;
        float noise = rnd.Signed();
        lp += 0.5f * (noise - lp);
        m.Add(a + i,
              (lp * std::exp(-t * decay) + 0.4f * std::sin(2 * kPi * 190 * t) * std::exp(-t * 30.0f)) * gain);
    }
}

// A low drum thump with a falling pitch.
void Thump(Mix& m, float start, float gain) {
    const size_t a = size_t(start * kRate), n = size_t(0.4f * kRate);
    float phase = 0.0f;
    for (size_t i = 0; i < n; ++i) {
        float t = i / kRate;
        phase += 2 * kPi * (55.0f + 60.0f * std::exp(-t * 20.0f)) / kRate;
        m.Add(a + i, std::sin(phase) * std::exp(-t * 7.0f) * gain);
    }
}

// A short sine ping with an exponential decay.
void Ping(Mix& m, float start, float freq, float length, float gain, float decay) {
    const size_t a = size_t(start * kRate), n = size_t(length * kRate);
    for (size_t i = 0; i < n; ++i) {
        float t = i / kRate;
        m.Add(a + i, std::sin(2 * kPi * freq * t) * std::exp(-t * decay) *
                         Envelope(t, length, 0.002f, 0.01f) * gain);
    }
}

// A filtered noise click (a switch).
void Click(Mix& m, float start, float gain, uint32_t seed, float brightness) {
    ArtRandom rnd(seed);
    const size_t a = size_t(start * kRate), n = size_t(0.03f * kRate);
    float lp = 0.0f;
    for (size_t i = 0; i < n; ++i) {
        float t = i / kRate;
        lp += brightness * (rnd.Signed() - lp);
        m.Add(a + i, lp * std::exp(-t * 160.0f) * gain);
    }
}

// Normalises to the given peak (1 = full scale) and converts to 16-bit; a sound that is not a loop
// ends in a 10 ms fade so that a note cut by the end never clicks.
std::vector<int16_t> Finish(Mix m, float level) {
    if (!m.wrap) {
        const size_t fade = std::min(m.s.size(), size_t(0.01f * kRate));
        for (size_t i = 0; i < fade; ++i)
            m.s[m.s.size() - 1 - i] *= float(i) / float(fade);
    }
    float peak = 0.0f;
    for (float v : m.s)
        peak = std::max(peak, std::fabs(v));
    float k = peak > 0.0f ? level * 32767.0f / peak : 0.0f;
    std::vector<int16_t> out(m.s.size());
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = int16_t(std::lround(std::clamp(m.s[i] * k, -32767.0f, 32767.0f)));
    return out;
}

// Short clicks peak near full scale; sustained tones are set lower so that they sound about as
// loud as the clicks, and the music sits under both.
void Save(AssetStore& store, int32_t n, const Mix& m, float level = 0.89f) {
    store.Sound(n, Finish(m, level), kSampleRate);
}

void InterfaceSounds(AssetStore& store) {
    { // 150: the click of a button.
        Mix m(0.06f);
        Click(m, 0.0f, 1.0f, 150, 0.6f);
        Ping(m, 0.0f, 2400.0f, 0.04f, 0.3f, 120.0f);
        Save(store, 150, m);
    }
    { // 151: a choice: two quick ticks.
        Mix m(0.12f);
        Click(m, 0.0f, 0.8f, 151, 0.5f);
        Ping(m, 0.0f, 1600.0f, 0.05f, 0.4f, 80.0f);
        Ping(m, 0.05f, 2100.0f, 0.06f, 0.4f, 80.0f);
        Save(store, 151, m);
    }
    { // 152: opening or confirming: a solid latch and a rising pair of notes.
        Mix m(0.35f);
        Click(m, 0.0f, 1.0f, 152, 0.3f);
        Thump(m, 0.0f, 0.4f);
        Brass(m, 0.03f, 0.12f, 74, 0.25f);
        Brass(m, 0.14f, 0.18f, 81, 0.25f);
        Save(store, 152, m);
    }
    { // 153: choosing a side: a drum hit under a held note.
        Mix m(0.7f);
        Snare(m, 0.0f, 0.8f, 153);
        Thump(m, 0.0f, 0.6f);
        Brass(m, 0.02f, 0.6f, 62, 0.3f);
        Brass(m, 0.02f, 0.6f, 69, 0.2f);
        Save(store, 153, m);
    }
    { // 149: the refusal beep.
        Mix m(0.16f);
        Ping(m, 0.0f, 880.0f, 0.16f, 1.0f, 4.0f);
        Save(store, kBeepSound, m, 0.55f);
    }
    { // 170: the first menu when no title music plays: a short call.
        Mix m(1.4f);
        const float notes[] = {62, 62, 69, 74};
        const float at[] = {0.0f, 0.18f, 0.36f, 0.62f}, len[] = {0.14f, 0.14f, 0.24f, 0.7f};
        for (int i = 0; i < 4; ++i)
            Brass(m, at[i], len[i], notes[i], 0.4f);
        Snare(m, 0.62f, 0.5f, 170);
        Save(store, 170, m, 0.7f);
    }
    { // 171: quitting, a falling pair; short, because the program waits 1450 ms after it.
        Mix m(1.0f);
        Brass(m, 0.0f, 0.35f, 69, 0.4f);
        Brass(m, 0.35f, 0.6f, 62, 0.4f);
        Thump(m, 0.35f, 0.4f);
        Save(store, 171, m, 0.7f);
    }
    { // 128: GO and the start of a turn: a rising bugle triad.
        Mix m(1.0f);
        Brass(m, 0.0f, 0.15f, 67, 0.4f);
        Brass(m, 0.16f, 0.15f, 71, 0.4f);
        Brass(m, 0.32f, 0.6f, 74, 0.4f);
        Save(store, 128, m, 0.6f);
    }
    { // 129: the result screen: a drum roll into a chord.
        Mix m(2.6f);
        for (int i = 0; i < 14; ++i)
            Snare(m, i * 0.06f, 0.25f + 0.03f * i, 1290u + i, 30.0f);
        Thump(m, 0.9f, 0.8f);
        for (float note : {50.0f, 57.0f, 62.0f, 66.0f})
            Brass(m, 0.9f, 1.6f, note, 0.22f);
        Save(store, 129, m);
    }
    { // 190: a radio message arrives: static and three short tones.
        Mix m(0.7f);
        ArtRandom rnd(190);
        float lp = 0.0f;
        for (size_t i = 0; i < m.s.size(); ++i) {
            lp += 0.3f * (rnd.Signed() - lp);
            m.s[i] += lp * 0.12f;
        }
        for (int i = 0; i < 3; ++i)
            Ping(m, 0.1f + i * 0.16f, 1200.0f, 0.1f, 0.6f, 2.0f);
        Save(store, 190, m, 0.7f);
    }
}

// The title theme: a slow march in D minor, 8 bars at 96 beats a minute, rendered as a seamless loop.
void TitleMusic(AssetStore& store) {
    const float beat = 60.0f / 96.0f;
    const int bars = 8;
    Mix m(bars * 4 * beat, true);
    // Melody: (start beat, length in beats, MIDI note).
    const float melody[][3] = {
        {0, 1.5f, 62},  {1.5f, 0.5f, 62},  {2, 1, 65},  {3, 1, 69},  // bar 1
        {4, 2, 67},     {6, 1, 65},        {7, 1, 64},               // bar 2
        {8, 1.5f, 65},  {9.5f, 0.5f, 64},  {10, 1, 62}, {11, 1, 60}, // bar 3
        {12, 3, 62},    {15, 1, 57},                                 // bar 4
        {16, 1.5f, 62}, {17.5f, 0.5f, 65}, {18, 1, 69}, {19, 1, 74}, // bar 5
        {20, 2, 72},    {22, 1, 70},       {23, 1, 69},              // bar 6
        {24, 1.5f, 67}, {25.5f, 0.5f, 65}, {26, 1, 64}, {27, 1, 61}, // bar 7
        {28, 4, 62},                                                 // bar 8
    };
    for (const auto& n : melody)
        Brass(m, n[0] * beat, n[1] * beat * 0.95f, n[2], 0.35f);
    // Bass on every beat: the bar's root and fifth.
    const float roots[bars] = {38, 43, 41, 38, 38, 46, 45, 38};
    for (int b = 0; b < bars; ++b)
        for (int k = 0; k < 4; ++k)
            Bass(m, (b * 4 + k) * beat, beat * 0.9f, roots[b] + (k % 2 ? 7.0f : 0.0f), 0.35f);
    // Held chords an octave above the bass, quietly.
    for (int b = 0; b < bars; ++b)
        for (float iv : {12.0f, 15.0f, 19.0f})
            Brass(m, b * 4 * beat, 4 * beat, roots[b] + iv + (b == 6 && iv == 15.0f ? 1.0f : 0.0f), 0.06f);
    // The march drum: a thump on beats 1 and 3, the snare's figure on 2 and 4.
    for (int b = 0; b < bars; ++b) {
        Thump(m, (b * 4) * beat, 0.5f);
        Thump(m, (b * 4 + 2) * beat, 0.4f);
        Snare(m, (b * 4 + 1) * beat, 0.25f, 5010u + b * 4);
        Snare(m, (b * 4 + 3) * beat, 0.25f, 5011u + b * 4);
        Snare(m, (b * 4 + 3.5f) * beat, 0.15f, 5012u + b * 4);
    }
    Save(store, 5010, m, 0.8f);
}
} // namespace

void MakeSounds(AssetStore& store) {
    InterfaceSounds(store);
    TitleMusic(store);
}
