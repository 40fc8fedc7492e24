#pragma once

#include <QPointer>
#include <chrono>
#include <memory>
#include <vector>

#include "core/CharString.h"
#include "render/BandPictures.h"
#include "render/Primitive.h"

class CGraphicsDevice;
class CSceneView;
class CNote;
class QOpenGLWidget;
class QWidget;

// The 3D scene of the band view: the device, the shared vertex buffer, the top-level primitives
// of the current picture, the orbit camera, two lights and the text overlay. It builds a picture
// on request, draws a frame only when something changed (camera, picture, pose, window), and
// turns mouse and key input into camera moves. Without a device (before Initialize, or on a
// machine without OpenGL) everything but the drawing still works. User-interface thread only,
// under the application's scene lock while frames are drawn and the band is posed.
class CSpacePainter {
public:
    // Virtual-key codes of OnKey besides the letters C, L, V, R, T and W.
    static constexpr int kKeyPlus = 0xBB;
    static constexpr int kKeyMinus = 0xBD;
    // The context menu of the view and its look-at items.
    static constexpr int kContextMenu = 1413;
    static constexpr int kLookAtBand = 1641;
    static constexpr int kLookAtLeadGuitar = 1642;
    static constexpr int kLookAtRhythmGuitar = 1643;
    static constexpr int kLookAtBassGuitar = 1644;
    static constexpr int kLookAtDrums = 1645;
    // Band things the look-at commands name.
    static constexpr int kThingDrums = 1;
    static constexpr int kThingBand = 62;

    enum MOUSE_BUTTON { MOUSE_LEFT, MOUSE_RIGHT, MOUSE_MIDDLE };
    // Modifier flags of the mouse input.
    static constexpr unsigned kShift = 1, kControl = 2, kAlt = 4;

    CSpacePainter();
    ~CSpacePainter();
    CSpacePainter(const CSpacePainter&) = delete;
    CSpacePainter& operator=(const CSpacePainter&) = delete;

    // The band library's pictures (8, 9, 11, 13, 14, 16); without them those show the axes.
    void SetBandPictures(std::unique_ptr<CBandPictures> pictures);
    CBandPictures* GetBandPictures() const { return m_pictures.get(); }

    // Makes the device on the view ("Can't initialize OpenGL: %s"), which then shows its
    // frames, reads the view's size, sets the projection and points the camera from (0, 0, -30)
    // at the origin.
    bool Initialize(QOpenGLWidget* window, QWidget* fullScreenWindow, bool fullScreen = false);
    // Rebuilds the scene as picture `kind` (0: the current one again): 1 the builder shapes, 2
    // and 15 the axes, 3 to 7 the abstract shapes, 8, 9, 11, 13, 14 and 16 from the band's
    // pictures. An unknown kind is kept, leaves only the axes and fails.
    bool SetPicture(int kind);
    // Draws a frame when the scene changed or when forced, and only while visible. A device
    // between contexts skips the frame (it is drawn once the device is back).
    bool RenderFrame(bool force);
    // Stores eye, look-at and up; distance |eye - look-at|, azimuth 180 and the polar angle
    // between eye - look-at and up give the same view.
    bool SetCamera(const VEC3& eye, const VEC3& lookAt, const VEC3& up);
    // The look-at commands: the whole band (THING 62) from a fixed place, a guitar (36, 38, 39)
    // framed over frets first to last (clamped to 0..22), the drums (1); the last two only when
    // the picture has them (nothing changes otherwise).
    bool LookAt(int thing, int firstFret, int lastFret);
    // The view's client size changed: sets the projection (none for an empty size).
    bool OnResize(int width, int height);
    // distance -= 0.1 x distance x amount (at least 0.1 x amount, so a camera at the look-at
    // point can back out), kept within 0..100.
    bool Zoom(float amount);
    bool SetLights(float intensity);
    // Light azimuth and elevation to 0, lights at full intensity.
    bool ResetLights();
    bool ResetWorld();
    // C axes, T overlay, W wireframe, L V R free flags, kKeyPlus and kKeyMinus zoom by +1/-1.
    bool OnKey(int key);
    void SetVisible(bool visible);
    bool IsVisible() const { return m_visible; }
    void Invalidate() { m_changed = true; }
    bool IsChanged() const { return m_changed; }
    // Poses the band for one note at once (no keys recorded) and marks the scene changed.
    bool PoseNote(const CNote& note);
    int CountTriangles() const;
    const CCharString& GetError() const { return m_error; }

    // Mouse input from the view, in client pixels. A right button pressed without Shift, Ctrl
    // or Alt returns true: the caller opens the context menu.
    bool OnButtonDown(MOUSE_BUTTON button, int x, int y, unsigned modifiers);
    void OnButtonUp(MOUSE_BUTTON button, int x, int y);
    void OnMouseMove(int x, int y, unsigned modifiers);
    void OnWheel(int delta, unsigned modifiers);
    // A look-at item of the context menu.
    bool OnMenuCommand(int item);

    // State, for the overlay and for tests.
    int GetPicture() const { return m_picture; }
    float GetAzimuth() const { return m_azimuth; }
    float GetPolarAngle() const { return m_polar; }
    float GetDistance() const { return m_distance; }
    float GetFieldOfView() const { return m_fieldOfView; }
    const VEC3& GetEye() const { return m_eye; }
    const VEC3& GetLookAt() const { return m_lookAt; }
    const VEC3& GetUp() const { return m_up; }
    // Where the camera is and the up vector it uses, as the last view was computed.
    const VEC3& GetViewEye() const { return m_viewEye; }
    const VEC3& GetViewUp() const { return m_viewUp; }
    const MATRIX& GetView() const { return m_view; }
    const VEC3& GetLightDirection() const { return m_lightDirection; }
    float GetLightAzimuth() const { return m_lightAzimuth; }
    float GetLightElevation() const { return m_lightElevation; }
    bool IsAxesShown() const { return m_showAxes; }
    bool IsOverlayShown() const { return m_showOverlay; }
    bool IsWireframe() const { return m_wireframe; }
    const std::vector<CPrimitive*>& GetPrimitives() const { return m_primitives; }
    const CPrimitive* GetAxes() const { return m_axes.get(); }
    // Frames drawn since creation.
    int GetFrameCount() const { return m_frames; }
    CGraphicsDevice* GetDevice() const { return m_device.get(); }
    // The overlay's six lines as last built (the degree sign is byte 0xB0).
    const CCharString& GetOverlayText() const { return m_overlay; }

private:
    bool Fail(const char* format, ...) MA_PRINTF(2, 3);
    void DestroyPicture();
    bool MakeAxes();
    bool UpdateView();
    bool UpdateProjection();
    bool DrawOverlay();
    void BuildOverlay();

    std::unique_ptr<CGraphicsDevice> m_device;
    QPointer<CSceneView> m_sceneView;
    std::unique_ptr<CVertexBuffer> m_buffer;
    std::unique_ptr<CBandPictures> m_pictures;
    CCharString m_overlay;
    int m_lastX = 0x7FFFFFFF, m_lastY = 0x7FFFFFFF;
    int m_clientWidth = 0, m_clientHeight = 0;
    float m_worldAngles[2] = {0.0f, 0.0f};
    float m_azimuth = 0.0f;
    float m_polar = 90.0f;
    float m_distance = 30.0f;
    float m_lightAzimuth = 90.0f, m_lightElevation = -40.0f;
    VEC3 m_lightDirection{0.0f};
    VEC3 m_lookAt{0.0f};
    VEC3 m_eye{0.0f, 0.0f, -30.0f};
    VEC3 m_up{0.0f, 1.0f, 0.0f};
    VEC3 m_viewEye{0.0f, 0.0f, -30.0f};
    VEC3 m_viewUp{0.0f, 1.0f, 0.0f};
    MATRIX m_view{1.0f};
    MATRIX m_projection{1.0f};
    bool m_flagL = false, m_flagV = false, m_flagR = false;
    bool m_showOverlay = false, m_showAxes = false, m_wireframe = false;
    std::vector<CPrimitive*> m_primitives;
    std::unique_ptr<CPrimitive> m_axes;
    int m_renderSum = 0, m_renderCount = 0, m_renderShown = 0;
    CCharString m_error;
    bool m_visible = true;
    bool m_dragLeft = false, m_dragRight = false, m_dragMiddle = false;
    int m_picture = 0;
    float m_fieldOfView = 30.0f;
    bool m_changed = true;
    int m_frames = 0;
};
