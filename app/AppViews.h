#pragma once
// Small helpers the screens share for views that other code may already
// have deleted (a cleared screen deletes every view under the window).

#include "engine/GKernel.h"
#include "engine/GSoundManager.h"
#include "engine/GView.h"

// The view when it still exists, else null.
template <class View> View* Alive(View* view) {
    if (!view || !gKernel || !gKernel->IsViewAlive(view)) return nullptr;
    return view;
}

// Deletes the view when it still exists and clears the pointer either way.
template <class View> void DeleteView(View*& view) {
    if (Alive(view)) delete view;
    view = nullptr;
}

inline void ShowView(GView* view, bool show) {
    if (Alive(view)) view->Show(show);
}

inline void PlayAppSound(int32_t id, int32_t priority = 0) {
    if (gSound) gSound->PlaySoundA(id, priority);
}
