#pragma once

#include <glm/glm.hpp>
#include <vector>

#include "core/CharString.h"

// Closed outlines of a text, flattened to polygons: em units (1 = the font's size), y up, the
// baseline at y = 0 and the text starting at x = 0. Outer contours and holes may come in either
// winding; which is which follows from their nesting.
using CONTOURS = std::vector<std::vector<glm::vec2>>;

// Where 3D text gets its letter shapes. The window side reads them from the system's fonts;
// tests give fixed shapes.
class IFontOutlines {
public:
    virtual ~IFontOutlines() = default;
    // The outlines of `text` (single-byte Latin-1) in the face and weight (400 normal, 700 bold).
    virtual bool GetOutlines(const char* text, const char* face, int weight, CONTOURS& contours,
                             CCharString& error) = 0;
};

// The source the Text builder uses; null (the default) makes 3D text fail with "No font for 3D
// text". Set once by the application (or a test) before scenes are built.
void SetFontOutlines(IFontOutlines* fonts);
IFontOutlines* GetFontOutlines();

// Triangles that fill the contours (nested contours alternate between solid and hole), as
// corners into `points`, each triangle counter-clockwise with y up. False when no triangle
// could be made.
bool TessellateContours(const CONTOURS& contours, std::vector<glm::vec2>& points,
                        std::vector<int>& triangles);
