#pragma once
// A short-lived 3-D graphic of playback: a shell or burst in flight, an
// explosion, a flame impact, sparks or bullet strikes. Effects carry no game
// rule and are never saved: playback rebuilds them from the packets, and a
// rewind deletes them all. The battle owns them in its effect list.

#include <cstdint>

#include "engine/GObject.h"

class Ephemeral;
class GList;

// How effects are drawn: set by the battlefield drawing, null headless.
extern void (*gDrawEphemeral)(Ephemeral* effect, int32_t slice);

class Ephemeral : public GObject {
public:
    ~Ephemeral() override = default;

    // Draws the effect as it is at that playback slice.
    virtual void Draw(int32_t slice) = 0;
    virtual bool IsShell() { return false; }

    bool Expired(int32_t slice) const { return slice >= mStart + mDuration; }

    int32_t mStart = 0;    // playback slice the effect begins; may lie ahead
    int32_t mDuration = 0; // slices
    float mX = 0.0f;
    float mY = 0.0f;
    float mZ = 0.0f;
};

// One step of playback on an effect: a burst makes its bullet strikes, an
// expired shell its impact; what it makes goes to the list `newEffects`.
void AdvanceShellGraphic(GObject* effect, void* newEffects);
// Whether the effect is over at the current playback slice; with a context,
// the bool it points to says whether a burst's strikes are still due.
bool EphemeralExpired(GObject* effect, void* bitsDue);

// The effects' draws: U a fraction [0, 1) and R a 32-bit pair.
float EffectU();
uint32_t EffectR();
