#pragma once

#include <QImage>
#include <cstdint>

#include "render/RenderDevice.h"

// Draws the scene's textures with QPainter: wood grain, drum-shell lacquer, cymbal metal and
// the environment. The alpha of each pixel is multiplied by alphaFactor (0 to 1).
class CTextureGenerator {
public:
    // A picture of that kind in the base colour (ARGB), or a null image for an unknown kind or
    // a size below 1.
    static QImage Draw(TEXTURE_KIND kind, int width, int height, uint32_t color,
                       float alphaFactor = 1.0f);
};
