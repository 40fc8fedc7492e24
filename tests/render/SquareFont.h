#pragma once

#include "render/FontOutlines.h"

// Every text as the letter "O": two nested squares, 1 x 1 with a 0.5 x 0.5 hole.
class CSquareFont : public IFontOutlines {
public:
    bool GetOutlines(const char*, const char*, int, CONTOURS& contours, CCharString&) override {
        contours = {{{0, 0}, {1, 0}, {1, 1}, {0, 1}},
                    {{0.25f, 0.25f}, {0.25f, 0.75f}, {0.75f, 0.75f}, {0.75f, 0.25f}}};
        return true;
    }
};
