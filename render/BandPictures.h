#pragma once

#include <vector>

#include "core/CharString.h"
#include "render/Primitive.h"

class CNote;

// The pictures of the band library, handed to the scene: the drum set (kind 8), the three
// guitars (9 and 11), a hand (13), the whole band (14) and a hand reaching two markers (16).
// The scene asks it to build, asks it for the cameras of the look-at commands and lets it pose
// the band for a single note. Until a band library is plugged in, those pictures show only the
// axes. Everything runs under the application's scene lock.
class CBandPictures {
public:
    virtual ~CBandPictures() = default;
    // Appends the top-level primitives of picture `kind` (the scene owns them from then on),
    // built on the scene's device and vertex buffer. A kind it does not build: nothing appended,
    // true. False with `error` set when building fails.
    virtual bool Build(int kind, CRenderDevice* device, CVertexBuffer* buffer,
                       std::vector<CPrimitive*>& primitives, CCharString& error) = 0;
    // The scene is about to destroy what was built.
    virtual void Forget() = 0;
    // Whether the picture built last holds the band (kind 14).
    virtual bool HasBand() const = 0;
    // The camera of a look-at command: a guitar (THING 36, 38, 39) framed over frets first to
    // last (already clamped to 0..22), or the drums (THING 1). False when the current picture
    // has no such thing.
    virtual bool GetCamera(int thing, int firstFret, int lastFret, VEC3& eye, VEC3& lookAt,
                           VEC3& up) = 0;
    // Poses the band for one note at once, without recording keys.
    virtual bool PoseNote(const CNote& note, CCharString& error) = 0;
};
