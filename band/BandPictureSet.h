#pragma once

#include <memory>

#include "band/Parts.h"
#include "render/BandPictures.h"

class CAnimationPlayer;
class CBand;
class CGuitars;
class CNoteManager;

// The band's pictures for the 3D view: the drum set (8), the three guitars side by side (9 and
// 11), a hand (13), the whole band (14) and a hand reaching two markers (16). The kit and the
// guitars are built a tenth of their size (a guitar is then 10 units long), so that the view's
// default camera shows them whole.
class CBandPictureSet : public CBandPictures {
public:
    static constexpr float kSceneScale = 0.1f;

    // notes: the tunings and note names of the guitars (not owned).
    explicit CBandPictureSet(CNoteManager* notes);
    ~CBandPictureSet() override;

    bool Build(int kind, CRenderDevice* device, CVertexBuffer* buffer,
               std::vector<CPrimitive*>& primitives, CCharString& error) override;
    void Forget() override;
    bool HasBand() const override { return m_band != nullptr; }
    bool GetCamera(int thing, int firstFret, int lastFret, VEC3& eye, VEC3& lookAt,
                   VEC3& up) override;
    bool PoseNote(const CNote& note, CCharString& error) override;

    // The guitar of that kind in the current picture, or null.
    CGuitars* GetGuitar(int thing) const;
    // The animator that replays the band: it lets go of the band before the scene destroys it.
    void SetAnimator(CAnimationPlayer* animator) { m_animator = animator; }
    // The band of picture 14, or null in any other picture.
    CBand* GetBand() const { return m_band; }

private:
    bool BuildGuitars(CRenderDevice* device, CVertexBuffer* buffer,
                      std::vector<CPrimitive*>& primitives, CCharString& error);
    bool BuildHand(bool reaching, CRenderDevice* device, CVertexBuffer* buffer,
                   std::vector<CPrimitive*>& primitives, CCharString& error);

    CNoteManager* m_notes;
    CTextShapes m_texts;
    CGuitars* m_guitars[3] = {};
    CBand* m_band = nullptr;
    CAnimationPlayer* m_animator = nullptr;
};
