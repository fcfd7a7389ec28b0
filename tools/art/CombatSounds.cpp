#include "CombatSounds.h"

#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "Noise.h"
#include "Sounds.h"
#include "units/SmallArmsSounds.h"

namespace {

constexpr float kPi = 3.14159265f;
constexpr float kRate = float(kSampleRate);

struct Buf {
    std::vector<float> s;
    explicit Buf(float seconds) : s(size_t(std::lround(seconds * kRate))) {}
    size_t At(float t) const { return size_t(std::max(0.0f, t) * kRate); }
    void Add(size_t i, float v) {
        if (i < s.size()) s[i] += v;
    }
};

// Peak-normalised 16-bit samples; one-shot sounds end in a 10 ms fade.
std::vector<int16_t> Finish(Buf b, float level, bool loop) {
    if (!loop) {
        const size_t fade = std::min(b.s.size(), size_t(0.01f * kRate));
        for (size_t i = 0; i < fade; ++i)
            b.s[b.s.size() - 1 - i] *= float(i) / float(fade);
    }
    float peak = 0;
    for (float v : b.s)
        peak = std::max(peak, std::fabs(v));
    const float k = peak > 0 ? level * 32767.0f / peak : 0;
    std::vector<int16_t> out(b.s.size());
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = int16_t(std::lround(std::clamp(b.s[i] * k, -32767.0f, 32767.0f)));
    return out;
}

// A loop made from a longer take: its first `overlap` seconds are crossfaded with what follows the
// loop's end, so the last sample runs straight into the first.
Buf Loop(const Buf& take, float seconds, float overlap) {
    Buf out(seconds);
    const size_t n = out.s.size(), x = size_t(overlap * kRate);
    for (size_t i = 0; i < n; ++i) {
        float v = take.s[i];
        if (i < x) {
            float t = float(i) / float(x);
            v = take.s[i] * t + take.s[n + i] * (1 - t);
        }
        out.s[i] = v;
    }
    return out;
}

// Noise through a one-pole low-pass (brightness 0..1) and high-pass, with an envelope.
void NoiseBurst(Buf& b, float start, float length, float gain, float bright, float attack, float decay,
                uint32_t seed, float highpass = 0.0f) {
    ArtRandom rnd(seed);
    float lp = 0, hp = 0;
    const size_t a = b.At(start), n = size_t(length * kRate);
    for (size_t i = 0; i < n; ++i) {
        float t = i / kRate;
        lp += bright * (rnd.Signed() - lp);
        hp += highpass * (lp - hp);
        float env = (t < attack ? t / attack : std::exp(-(t - attack) * decay));
        b.Add(a + i, (lp - hp) * env * gain);
    }
}

// A sine whose pitch glides from f0 to f1 over the length, with an envelope.
void Sweep(Buf& b, float start, float length, float f0, float f1, float gain, float attack, float release) {
    float phase = 0;
    const size_t a = b.At(start), n = size_t(length * kRate);
    for (size_t i = 0; i < n; ++i) {
        float t = i / kRate, f = f0 + (f1 - f0) * (t / length);
        phase += 2 * kPi * f / kRate;
        float env = std::min({1.0f, t / attack, (length - t) / release});
        b.Add(a + i, std::sin(phase) * std::max(0.0f, env) * gain);
    }
}

// Damped modes of struck metal.
void Ring(Buf& b, float start, float length, const std::vector<float>& freqs, float gain, float decay) {
    const size_t a = b.At(start), n = size_t(length * kRate);
    for (size_t i = 0; i < n; ++i) {
        float t = i / kRate, v = 0;
        for (size_t k = 0; k < freqs.size(); ++k)
            v += std::sin(2 * kPi * freqs[k] * t) / (1 + k);
        b.Add(a + i, v * std::exp(-t * decay) * gain);
    }
}

// One shot of a firearm: a sharp crack over a body whose weight grows with the calibre (0..1).
void Shot(Buf& b, float start, float calibre, uint32_t seed) {
    NoiseBurst(b, start, 0.03f, 1.0f, 0.9f, 0.0005f, 120, seed, 0.05f);
    NoiseBurst(b, start, 0.2f + calibre * 0.8f, 0.8f + calibre, 0.25f - calibre * 0.18f, 0.002f,
               18 - calibre * 12, seed + 1);
    if (calibre > 0.3f)
        Sweep(b, start, 0.3f + calibre * 0.4f, 90 - calibre * 40, 35, 0.6f * calibre, 0.002f, 0.2f);
}

void Save(AssetStore& store, int n, const Buf& b, float level = 0.89f, bool loop = false) {
    store.Sound(n, Finish(b, level, loop), kSampleRate);
}

void Bursts(AssetStore& store) {
    // (class, shots in a burst, seconds between shots, calibre 0..1); numbers from BurstSounds
    struct Kind {
        int cls, shots;
        float gap, calibre;
    };
    const Kind kinds[] = {{0, 1, 0, 0.05f},      {1, 2, 0.45f, 0.08f},  {2, 3, 0.12f, 0.08f},
                          {4, 8, 0.07f, 0.1f},   {6, 12, 0.05f, 0.12f}, {7, 10, 0.09f, 0.12f},
                          {10, 6, 0.11f, 0.15f}, {11, 10, 0.04f, 0.1f}, {12, 7, 0.1f, 0.3f},
                          {13, 5, 0.16f, 0.35f}, {17, 4, 0.25f, 0.2f},  {18, 9, 0.08f, 0.06f},
                          {3, 1, 0, 0.08f}};
    for (const Kind& k : kinds) {
        BurstRange r = BurstSounds(k.cls);
        for (int n = r.first; n <= r.last; ++n) {
            const int shots = std::max(1, k.shots + (n - r.first) % 3 - 1);
            Buf b(0.35f + shots * k.gap + k.calibre);
            for (int s = 0; s < shots; ++s)
                Shot(b, s * k.gap * (0.9f + 0.2f * ((s * 7 + n) % 5) / 4), k.calibre, uint32_t(n * 64 + s));
            Save(store, n, b);
        }
    }
}

void Guns(AssetStore& store, const GameData& data) {
    std::set<long> numbers;
    for (long n : data.Values("weapons", "mFireSound"))
        if (n > 0) numbers.insert(n);
    numbers.insert(155); // the smoke mortar's shot
    for (long n : numbers) {
        // 3000 light cannon, 3001 37-50 mm, 3002 57-76 mm, 3003 88 mm and up, 3004 mortar,
        // 3005 rocket and rifle grenade, 3006 flame, 3007 howitzer; others a mid-sized gun
        const int kind = n >= 3000 && n <= 3007 ? int(n - 3000) : 2;
        Buf b(kind == 6 ? 1.6f : 1.8f);
        uint32_t seed = uint32_t(n);
        switch (kind) {
        case 0:
            for (int s = 0; s < 3; ++s)
                Shot(b, s * 0.18f, 0.4f, seed + s);
            break;
        case 1:
            Shot(b, 0, 0.55f, seed);
            break;
        case 2:
            Shot(b, 0, 0.75f, seed);
            break;
        case 3:
            Shot(b, 0, 1.0f, seed);
            Sweep(b, 0, 1.2f, 60, 30, 0.5f, 0.003f, 0.6f);
            break;
        case 4:
            NoiseBurst(b, 0, 0.25f, 0.8f, 0.3f, 0.002f, 25, seed);
            Sweep(b, 0, 0.25f, 160, 70, 0.5f, 0.002f, 0.1f);
            break;
        case 5:
            NoiseBurst(b, 0, 1.4f, 0.7f, 0.5f, 0.05f, 2.5f, seed, 0.02f);
            break;
        case 6:
            NoiseBurst(b, 0, 1.5f, 0.8f, 0.15f, 0.08f, 1.5f, seed);
            NoiseBurst(b, 0.05f, 1.3f, 0.3f, 0.6f, 0.1f, 2, seed + 9, 0.1f);
            break;
        default:
            Shot(b, 0, 0.9f, seed);
            NoiseBurst(b, 0.05f, 1.4f, 0.4f, 0.06f, 0.05f, 2.5f, seed + 3);
            break;
        }
        Save(store, int(n), b);
    }
}

void Explosion(AssetStore& store, int n, float size, uint32_t seed) {
    Buf b(1.0f + size * 1.0f);
    NoiseBurst(b, 0, 0.04f, 1.0f, 0.8f, 0.0005f, 80, seed, 0.05f);
    NoiseBurst(b, 0, 0.8f + size, 1.2f + size, 0.12f - size * 0.02f, 0.005f, 5.0f - size * 0.8f, seed + 1);
    Sweep(b, 0, 0.6f + size * 0.4f, 70 - size * 8, 28, 0.9f, 0.003f, 0.4f);
    for (int d = 0; d < int(size * 6); ++d) // falling debris
        NoiseBurst(b, 0.4f + d * 0.13f, 0.05f, 0.15f, 0.6f, 0.001f, 60, seed + 10 + d);
    Save(store, n, b);
}

void Impacts(AssetStore& store) {
    for (int n : {200, 201, 202})
        Explosion(store, n, 0.2f + 0.1f * (n - 200), uint32_t(n));
    for (int n = 209; n <= 213; ++n)
        Explosion(store, n, 1.0f + 0.1f * (n - 209), uint32_t(n));
    for (int n : {220, 221})
        Explosion(store, n, 2.5f + 0.5f * (n - 220), uint32_t(n));
    for (int band = 0; band < 8;
         ++band) { // penetration: a clang and a tearing crunch, heavier by energy band
        Buf b(0.6f + band * 0.08f);
        Ring(b, 0, 0.5f, {420.0f - band * 25, 1130.0f - band * 60, 2300}, 0.5f, 9);
        NoiseBurst(b, 0.005f, 0.3f + band * 0.05f, 0.7f + band * 0.1f, 0.4f, 0.001f, 12,
                   uint32_t(290 + band));
        Save(store, 290 + band, b);
    }
    for (int band = 0; band < 4; ++band) { // ricochet: a ping that whines away; shatter for the higher bands
        Buf b(0.7f);
        Ring(b, 0, 0.1f, {1800.0f + band * 200, 3400}, 0.6f, 30);
        Sweep(b, 0.02f, 0.55f, 2600.0f - band * 300, 900, 0.35f, 0.01f, 0.3f);
        if (band >= 2) NoiseBurst(b, 0, 0.15f, 0.6f, 0.7f, 0.001f, 30, uint32_t(320 + band), 0.1f);
        Save(store, 320 + band, b);
    }
    for (int k = 0; k < 2; ++k) { // immobilised: a broken track or axle
        Buf b(1.2f);
        Ring(b, 0, 0.8f, {220.0f + 40 * k, 610, 1370}, 0.5f, 5);
        for (int c = 0; c < 5; ++c)
            NoiseBurst(b, 0.1f + c * 0.12f, 0.06f, 0.4f, 0.5f, 0.001f, 40, uint32_t(311 + 10 * k + c));
        Save(store, 311 + k, b);
    }
    { // thrown anti-tank weapon: a thud and a sharp blast
        Buf b(1.2f);
        NoiseBurst(b, 0, 0.05f, 0.3f, 0.2f, 0.001f, 40, 331);
        NoiseBurst(b, 0.25f, 0.9f, 1.0f, 0.3f, 0.001f, 6, 332);
        Save(store, 331, b);
    }
    { // bogged: an engine racing and wheels churning mud
        Buf b(2.0f);
        Sweep(b, 0, 2.0f, 70, 110, 0.4f, 0.2f, 0.3f);
        NoiseBurst(b, 0, 2.0f, 0.5f, 0.08f, 0.3f, 0.5f, 700);
        Save(store, 700, b);
    }
    for (int k = 0; k < 2; ++k) { // hatches: open (701) with a creak, close (702) with a clang
        Buf b(0.6f);
        if (k == 0) Sweep(b, 0, 0.3f, 300, 500, 0.15f, 0.05f, 0.1f);
        Ring(b, k == 0 ? 0.3f : 0.0f, 0.3f, {310, 870, 1720}, 0.6f, 14);
        Save(store, 701 + k, b);
    }
    for (int k = 0; k < 2; ++k) { // small arms on armour: rattling pings
        Buf b(0.5f);
        for (int p = 0; p < 4 + k * 2; ++p)
            Ring(b, p * 0.06f, 0.08f, {2400.0f + p * 150, 4100}, 0.4f, 50);
        Save(store, 710 + k, b);
    }
    for (int k = 0; k < 2; ++k) { // hand-to-hand: scuffles, blows and shouts
        Buf b(1.5f);
        for (int p = 0; p < 7; ++p)
            NoiseBurst(b, p * 0.19f, 0.08f, 0.6f, 0.3f, 0.003f, 30, uint32_t(905 + 10 * k + p));
        Sweep(b, 0.3f, 0.3f, 320, 240, 0.2f, 0.05f, 0.1f);
        Save(store, 905 + k, b);
    }
    // whizzes: Doppler-swept band noise, length class L; strikes by surface
    for (int L = 0; L < 4; ++L)
        for (int bit = 0; bit < 2; ++bit) {
            Buf b(0.15f + 0.1f * L);
            ArtRandom rnd(uint32_t(1000 + 10 * L + bit));
            float lp = 0, bp = 0;
            for (size_t i = 0; i < b.s.size(); ++i) {
                float t = float(i) / b.s.size();
                float f = 0.35f - 0.25f * t; // falling pitch as the bullet passes
                lp += f * (rnd.Signed() - lp);
                bp += 0.5f * (lp - bp);
                b.s[i] = (lp - bp) * std::sin(kPi * t);
            }
            Save(store, 1000 + 10 * L + bit, b, 0.7f);
        }
    const int surfaces[4] = {1100, 1300, 1400, 1600};
    for (int si = 0; si < 4; ++si)
        for (int L = 0; L < 4; ++L)
            for (int bit = 0; bit < 2; ++bit) {
                const int n = surfaces[si] + 10 * L + bit;
                Buf b(0.3f);
                uint32_t seed = uint32_t(n);
                if (si == 0) {
                    NoiseBurst(b, 0, 0.1f, 0.6f, 0.3f, 0.001f, 40, seed);
                    Ring(b, 0, 0.1f, {900}, 0.2f, 40);
                } // body, wire, rubble
                if (si == 1) NoiseBurst(b, 0, 0.2f, 0.7f, 0.5f, 0.001f, 25, seed, 0.05f); // hedges, woods
                if (si == 2) NoiseBurst(b, 0, 0.25f, 0.8f, 0.15f, 0.001f, 20, seed);      // ground
                if (si == 3) {
                    NoiseBurst(b, 0, 0.1f, 0.8f, 0.8f, 0.0005f, 50, seed, 0.2f);
                    Ring(b, 0, 0.15f, {1500, 2900}, 0.3f, 30);
                } // concrete
                Save(store, n, b, 0.6f + 0.08f * L);
            }
    // incoming whistles of exact lengths: a falling tone that grows louder to the end
    for (int j = 0; j < 5; ++j) {
        Buf b(kWhistleSeconds[j]);
        float phase = 0;
        const float f0 = 1400.0f - 150 * j, f1 = 500.0f - 40 * j;
        for (size_t i = 0; i < b.s.size(); ++i) {
            float t = float(i) / b.s.size();
            phase += 2 * kPi * (f0 + (f1 - f0) * t) / kRate;
            b.s[i] = std::sin(phase) * (0.2f + 0.8f * t * t);
        }
        Save(store, kFirstWhistle + j, b, 0.7f);
    }
}

// Engines: harmonics of the firing rate over rumble noise, as seamless loops.
void Engines(AssetStore& store, const GameData& data) {
    std::set<long> moving;
    for (long n : data.Values("vehicle_models", "mEngineSound"))
        if (n > 0) moving.insert(n);
    auto engine = [&](int n, float rate, float roughness, float level) {
        const float seconds = 2.0f;
        // a whole number of cycles in the loop, so the harmonic part meets itself
        const float f = std::round(rate * seconds) / seconds;
        Buf take(seconds + 0.3f);
        NoiseBurst(take, 0, seconds + 0.3f, roughness, 0.05f, 0.001f, 0.0f, uint32_t(n));
        for (size_t i = 0; i < take.s.size(); ++i) {
            float t = i / kRate, v = 0;
            for (int h = 1; h <= 8; ++h)
                v += std::sin(2 * kPi * f * h * t + h) / h * (h % 2 ? 1.0f : 0.6f);
            take.s[i] += v * 0.5f * (1 + 0.15f * std::sin(2 * kPi * t * 2.0f));
        }
        Save(store, n, Loop(take, seconds, 0.25f), level, true);
    };
    for (long n : moving)
        engine(int(n), n == 137 ? 52.0f : n == 140 ? 45.0f : n == 136 ? 40.0f : 34.0f, 0.8f, 0.8f);
    engine(133, 20.0f, 0.4f, 0.6f);  // standing, tracked and armoured
    engine(1900, 24.0f, 0.3f, 0.5f); // standing, any other
    {                                // the fire crackle: brown noise with random pops
        Buf take(3.3f);
        NoiseBurst(take, 0, 3.3f, 0.5f, 0.02f, 0.001f, 0.0f, 300);
        for (int p = 0; p < 60; ++p) {
            uint32_t h = HashInts(p, 300, 1);
            NoiseBurst(take, (h % 3200) / 1000.0f, 0.02f, 0.4f + (h >> 16) % 40 / 100.0f, 0.8f, 0.0005f, 150,
                       h, 0.1f);
        }
        Save(store, 300, Loop(take, 3.0f, 0.3f), 0.7f, true);
    }
    { // ambience: wind through grass, a distant rumble now and then, as a long loop
        Buf take(20.5f);
        NoiseBurst(take, 0, 20.5f, 0.6f, 0.01f, 0.001f, 0.0f, 5007);
        for (size_t i = 0; i < take.s.size(); ++i)
            take.s[i] *= 0.7f + 0.3f * std::sin(2 * kPi * i / kRate / 10.0f);
        for (int k = 0; k < 3; ++k)
            NoiseBurst(take, 3.0f + k * 6.1f, 1.5f, 0.5f, 0.03f, 0.2f, 2.0f, uint32_t(5008 + k));
        Save(store, 5007, Loop(take, 20.0f, 0.5f), 0.5f, true);
    }
}

// Speech: espeak-ng renders at 22 050 Hz; the radio filter narrows it to a field telephone's band.
std::vector<short> gSpeech;
int Collect(short* wav, int n, espeak_EVENT*) {
    if (wav) gSpeech.insert(gSpeech.end(), wav, wav + n);
    return 0;
}

Buf Speak(const std::string& utf8, float pitchShift, uint32_t seed, bool radio) {
    gSpeech.clear();
    espeak_SetParameter(espeakPITCH, int(50 + pitchShift), 0);
    espeak_Synth(utf8.c_str(), utf8.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr, nullptr);
    espeak_Synchronize();
    Buf b(gSpeech.size() / kRate + 0.05f);
    float lp = 0, hp = 0;
    ArtRandom rnd(seed);
    for (size_t i = 0; i < gSpeech.size(); ++i) {
        float v = gSpeech[i] / 32768.0f;
        if (radio) {
            lp += 0.45f * (v - lp);  // top of the band, about 3 kHz
            hp += 0.09f * (lp - hp); // bottom of the band, about 300 Hz
            v = std::tanh((lp - hp) * 3.0f) + rnd.Signed() * 0.02f;
        }
        b.s[i] = v;
    }
    return b;
}

// Phrases per voice type (German, English); variant k takes phrase k of its type.
struct Phrases {
    std::vector<const char*> de, en;
};
const Phrases kPhrases[45] = {
    {{"Neues Ziel, Stellung!", "Ziel erkannt, Bunker!"}, {"New target, emplacement!", "Target, bunker!"}},
    {{"Ziel: Geschütz!"}, {"Target: enemy gun!"}},
    {{"Ziel: Infanterie!", "Infanterie im Visier!"}, {"Target: infantry!", "Infantry in sight!"}},
    {{"Ziel: Panzer!", "Panzer im Visier!"}, {"Target: tank!", "Tank in the sights!"}},
    {{"Ziel: Fahrzeug!"}, {"Target: vehicle!"}},
    {{"Feuer auf die Stellung!", "Feuer!"}, {"Fire on that position!", "Fire!"}},
    {{"Feuer auf das Geschütz!"}, {"Knock out that gun!"}},
    {{"Feuer auf die Infanterie!", "Niederhalten!"}, {"Fire on the infantry!", "Keep them down!"}},
    {{"Panzer, Feuer!", "Panzergranate, Feuer!"}, {"Tank, fire!", "A P, fire!"}},
    {{"Feuer auf das Fahrzeug!"}, {"Fire on the vehicle!"}},
    {{"Durchschlag!", "Treffer, er ist erledigt!"}, {"Penetration!", "Hit, he's done for!"}},
    {{"Er brennt!", "Treffer, er brennt!"}, {"He's burning!", "Hit, she's on fire!"}},
    {{"Abgeprallt!", "Keine Wirkung!"}, {"Bounced off!", "No effect!"}},
    {{"Feuer!", "Schuss!"}, {"Firing!", "On the way!"}},
    {{"Ziel verloren!", "Kein Ziel mehr!", "Wo ist er hin?", "Ziel weg!"},
     {"Lost the target!", "No target!", "Where did he go?", "Target gone!"}},
    {{"Munition wird knapp!", "Wenig Munition!"}, {"Running low on ammo!", "Low on ammunition!"}},
    {{"Handgranate!", "Granate!"}, {"Grenade!", "Frag out!"}},
    {{"Volle Deckung!", "Einschlag!"}, {"Incoming!", "Take cover!"}},
    {{"Sanitäter!", "Ich bin getroffen!", "Verwundet!", "Hilfe!", "Mein Bein!", "Sani!"},
     {"Medic!", "I'm hit!", "Man down!", "Help!", "My leg!", "Corpsman!"}},
    {{}, {}},
    {{"In Deckung!", "Runter!", "Wir werden beschossen!", "Kopf runter!", "Deckung!"},
     {"Get down!", "Take cover!", "We're under fire!", "Heads down!", "Cover!"}},
    {{"Rückzug!", "Weg hier!", "Zurück!", "Lauft!"},
     {"Fall back!", "Get out of here!", "Pull back!", "Run!"}},
    {{"Sammeln!", "Wieder in Stellung!", "Weiter!", "Halten!"},
     {"Regroup!", "Back in position!", "Carry on!", "Hold!"}},
    {{"Feind gesichtet!", "Stellung voraus!"}, {"Enemy spotted!", "Position ahead!"}},
    {{"Feindliche Infanterie!", "Infanterie voraus!"}, {"Enemy infantry!", "Infantry ahead!"}},
    {{"Feindliches Geschütz!", "Pak voraus!"}, {"Enemy gun!", "Anti-tank gun ahead!"}},
    {{"Feindpanzer!", "Panzer voraus!"}, {"Enemy tank!", "Tank ahead!"}},
    {{"Feindfahrzeug!"}, {"Enemy vehicle!"}},
    {{}, {}},
    {{"Vorwärts!"}, {"Move out!"}},
    {{"Marsch!"}, {"Forward!"}},
    {{"Los!"}, {"Go!"}},
    {{"Ladehemmung!"}, {"Jammed!"}},
    {{"Schneller!", "Los, los!", "Beeilung!", "Lauft!", "Weiter, weiter!"},
     {"Faster!", "Go, go!", "Hurry!", "Run!", "Keep moving!"}},
    {{"Langsam!"}, {"Easy!"}},
    {{"Nahkampf!", "Drauf!"}, {"Close combat!", "Get them!"}},
    {{"Aufsitzen!"}, {"Mount up!"}},
    {{"Vorsicht!"}, {"Careful!"}},
    {{"Leise!", "Ruhig!", "Kopf unten!"}, {"Quiet!", "Steady!", "Keep low!"}},
    {{"Sprung auf, marsch!", "Vorgehen!", "Nachrücken!", "Auf!"},
     {"Up and go!", "Advance!", "Follow up!", "Up!"}},
    {{"Halt!", "Stehen bleiben!"}, {"Halt!", "Stop here!"}},
    {{"Rückwärts!", "Zurücksetzen!", "Langsam zurück!"}, {"Reverse!", "Back up!", "Slowly back!"}},
    {{"Angriff!", "Hurra!"}, {"Attack!", "Charge!"}},
    {{"Kriechen!", "Flach bleiben!", "Unten bleiben!"}, {"Crawl!", "Stay flat!", "Stay down!"}},
    {{}, {}},
};

bool Voices(AssetStore& store) {
    if (espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_DONT_EXIT) != kSampleRate) {
        std::fprintf(stderr, "art: espeak-ng cannot be started (Debian package espeak-ng)\n");
        return false;
    }
    espeak_SetSynthCallback(Collect);
    espeak_SetParameter(espeakRATE, 165, 0);
    const struct {
        int nation;
        const char* voice;
    } nations[2] = {{0, "de"}, {2, "en-us"}};
    for (const auto& nat : nations) {
        if (espeak_SetVoiceByName(nat.voice) != EE_OK) {
            std::fprintf(stderr, "art: espeak-ng has no voice %s\n", nat.voice);
            return false;
        }
        for (int v = 0; v < 45; ++v)
            for (int k = 0; k < kVoiceCounts[v]; ++k) {
                const auto& list = nat.nation == 0 ? kPhrases[v].de : kPhrases[v].en;
                const std::string text = list[size_t(k) % list.size()];
                const int n = 30000 + 10000 * nat.nation + 100 * v + k;
                Save(store, n, Speak(text, float((k * 7 + v) % 11) - 5, uint32_t(n), true), 0.8f);
            }
    }
    // cries of the wounded, any nation: the same voice shouting without words
    espeak_SetVoiceByName("de");
    const char* cries[7] = {"Aaah!", "Oh!", "Aah, ah!", "Uuh!", "Ahh!", "Oooh!", "Aaa!"};
    for (int k = 0; k < 7; ++k)
        Save(store, 500 + k, Speak(cries[k], float(k * 3), uint32_t(500 + k), false), 0.85f);
    espeak_Terminate();
    return true;
}

} // namespace

BurstRange BurstSounds(int soundClass) {
    const SmallArmsSoundRange r = SmallArmsSounds(soundClass);
    return {r.first, r.last};
}

bool MakeCombatSounds(AssetStore& store, const GameData& data) {
    Bursts(store);
    Guns(store, data);
    Impacts(store);
    Engines(store, data);
    return Voices(store);
}
