#pragma once

#include <memory>

#include "band/Parts.h"
#include "render/BandPictures.h"

class CGuitars;
class CNoteManager;

// The band's pictures for the 3D view: the drum set (8), the three guitars side by side (9 and
// 11), a hand (13) and a hand reaching two markers (16). The kit and the guitars are built a
// tenth of their size (a guitar is then 10 units long), so that the view's default camera shows
// them whole.
class CBandPictureSet : public CBandPictures {
public:
    static constexpr float kSceneScale = 0.1f;

    // notes: the tunings and note names of the guitars (not owned).
    explicit CBandPictureSet(CNoteManager* notes);
    ~CBandPictureSet() override;

    bool Build(int kind, CRenderDevice* device, CVertexBuffer* buffer,
               std::vector<CPrimitive*>& primitives, CCharString& error) override;
    void Forget() override;
    bool HasBand() const override { return false; }
    bool GetCamera(int thing, int firstFret, int lastFret, VEC3& eye, VEC3& lookAt,
                   VEC3& up) override;
    bool PoseNote(const CNote& note, CCharString& error) override;

    // The guitar of that kind in the current picture, or null.
    CGuitars* GetGuitar(int thing) const;

private:
    bool BuildGuitars(CRenderDevice* device, CVertexBuffer* buffer,
                      std::vector<CPrimitive*>& primitives, CCharString& error);
    bool BuildHand(bool reaching, CRenderDevice* device, CVertexBuffer* buffer,
                   std::vector<CPrimitive*>& primitives, CCharString& error);

    CNoteManager* m_notes;
    CTextShapes m_texts;
    CGuitars* m_guitars[3] = {};
};
