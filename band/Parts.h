#pragma once

#include <map>
#include <string>

#include "render/Primitive.h"

// A child part of `parent` with the parent's colours, built by `build`. The part is owned by
// the parent even when building fails (the caller then takes its error).
template <typename BUILD>
bool AddPart(CPrimitive& parent, const char* name, CPrimitive*& part, BUILD build) {
    part = new CPrimitive(parent.GetDevice(), parent.GetVertexBuffer(), name);
    parent.AddChild(part);
    const std::vector<uint32_t>& colors = parent.GetColors();
    for (size_t i = 0; i < colors.size(); ++i)
        part->SetColor(static_cast<int>(i), colors[i]);
    return build(*part);
}

// Clears the changed flags of the part and everything below it: a pose taken without recording
// (a rest pose) then produces no keys.
inline void ClearChanged(CPrimitive& part) {
    part.SetChanged(false);
    for (CPrimitive* child : part.GetChildren())
        ClearChanged(*child);
}

// Sets the changed flags of the part and everything below it: a pose asked for again is kept
// (recorded as a key) without being worked out again.
inline void MarkChanged(CPrimitive& part) {
    part.SetChanged(true);
    for (CPrimitive* child : part.GetChildren())
        MarkChanged(*child);
}

// 3D texts built once per text and size and shared by every part that shows them: a fretboard
// shows the same dozen note names and the same fret numbers hundreds of times. The first part
// that shows a text holds its geometry, so the parts must outlive the map (one map per picture)
// and geometry operations must reach all of them alike (a whole picture scaled at once).
class CTextShapes {
public:
    // Gives `part` the text (em `height`, colour number `color` of its list), built at its model
    // origin, from an earlier part in the same buffer when there is one.
    bool Place(CPrimitive& part, const char* text, float height, int color);

private:
    std::map<std::string, const CPrimitive*> m_built;
};
