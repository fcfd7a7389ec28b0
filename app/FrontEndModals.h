#pragma once
// The two one-click boxes of the main menu: the warning that the screen is
// too small (closing it ends the program) and the e-mail instructions
// (closing it opens the e-mail save dialog).

#include "engine/GOneClickModal.h"

class MinVideoWarningModal : public GOneClickModal {
public:
    ~MinVideoWarningModal() override;
};

class PBEMModal : public GOneClickModal {
public:
    ~PBEMModal() override;
    // Centred, 540 x 150, framed in dark red, with the instructions.
    void IPBEMModal();
};
