#pragma once

#include <string>
#include <vector>

#include "render/RenderDevice.h"
#include "render/VertexBuffer.h"

// A device that records what primitives ask of it: the world matrix in force at each draw.
class CFakeDevice : public CRenderDevice {
public:
    bool GetWorld(MATRIX& world) override {
        world = m_world;
        return true;
    }
    bool SetWorld(const MATRIX& world) override {
        m_world = world;
        return true;
    }
    bool SetMaterial(const MATERIAL*) override { return true; }
    bool BindVertices(CVertexBuffer&) override { return true; }
    bool DrawRange(const DRAW_RANGE& range) override {
        m_draws.push_back({range, m_world});
        return true;
    }
    std::unique_ptr<CTexture> CreateTexture(TEXTURE_KIND, int, int, uint32_t) override {
        return nullptr;
    }
    const CCharString& GetError() const override { return m_error; }

    struct DRAW {
        DRAW_RANGE range;
        MATRIX world;
    };
    std::vector<DRAW> m_draws;
    MATRIX m_world{1.0f};
    CCharString m_error;
};
