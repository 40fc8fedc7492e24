#pragma once

#include "core/CharString.h"

class CNoteList;

// Turns a note list into a WAVE file offline. The sound engine is one; the song layer, which
// comes before it, exports through this.
class CWaveRenderer {
public:
    virtual ~CWaveRenderer() = default;
    virtual bool RenderToWave(const CNoteList& notes, const char* path) = 0;
    virtual const CCharString& GetErrorText() const = 0;
};
