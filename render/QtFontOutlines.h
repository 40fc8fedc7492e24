#pragma once

#include "render/FontOutlines.h"

// Letter outlines from the system's fonts through Qt ("Arial" is matched by a metric-compatible
// face where it is not installed).
class CQtFontOutlines : public IFontOutlines {
public:
    bool GetOutlines(const char* text, const char* face, int weight, CONTOURS& contours,
                     CCharString& error) override;
};
