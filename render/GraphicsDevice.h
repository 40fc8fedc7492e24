#pragma once

#include <QImage>
#include <QMetaObject>
#include <QOpenGLFunctions_3_3_Core>
#include <QOpenGLWidget>
#include <QPointer>
#include <cstdint>
#include <set>

#include "core/CharString.h"
#include "render/RenderDevice.h"
#include "render/VertexBuffer.h"

class QOpenGLContext;
class QWidget;
class CGlTexture;

// A directional light: the direction the light travels and its colour.
struct LIGHT {
    VEC3 direction{0.0f, 0.0f, 1.0f};
    float diffuse[3] = {1.0f, 1.0f, 1.0f};
    float range = 1000.0f;
};

// The GL name of a result code ("GL_INVALID_OPERATION", "GL_FRAMEBUFFER_UNSUPPORTED", ...), or
// "Unknown result %08X".
CCharString GlResultName(uint32_t code);

// The one rendering device of the 3D view, over OpenGL 3.3 core in the view widget's context.
// Frames are drawn into an off-screen back buffer of 1600 x 1200 (full-screen: the desktop
// size) with multisampling (see SetSamples) and a 16-bit depth buffer, then shown scaled in the
// widget, so the picture keeps its size and aspect at any window size. One shader program gives the
// scene's fixed lighting: vertex colours as ambient and diffuse material, a material's specular and
// emissive on top, two directional lights and an ambient level; alpha blending; clockwise
// triangles (as seen) are the front faces. A context that Qt destroys (re-parenting, a move to
// another screen) plays the part of a lost device: its objects are released, and CheckDevice
// makes them again on the new context, geometry and textures uploaded again from the copies in
// system memory. Every operation returns false on failure and leaves the reason in GetError(),
// GL errors named by their constants.
class CGraphicsDevice : public CRenderDevice, protected QOpenGLFunctions_3_3_Core {
public:
    static constexpr int kBackBufferWidth = 1600;
    static constexpr int kBackBufferHeight = 1200;

    // No GL call: the view's context may not exist yet (it is made when the view is shown).
    CGraphicsDevice(QOpenGLWidget* window, QWidget* fullScreenWindow, bool fullScreen);
    ~CGraphicsDevice() override;
    CGraphicsDevice(const CGraphicsDevice&) = delete;
    CGraphicsDevice& operator=(const CGraphicsDevice&) = delete;

    // Checks that an OpenGL 3.3 core context can be had, and makes the device's objects (back
    // buffer, shaders, text font) and render states at once when the view's context exists.
    bool Create();
    // Before each frame. True: draw (the context is current). False with lost set: skip the
    // frame, no error (no context yet, or the view is between contexts). After a context loss
    // the objects are made again (the reset); if that fails everything is released and created
    // again and the result is false.
    bool CheckDevice(bool& lost);
    bool Reset();
    // Releases text, back buffer, shaders and every buffer and texture copy it made.
    bool ReleaseAll();
    bool CreateTextFont();
    bool ReleaseTextFont();
    bool SetRenderStates();

    // Overlay text in back-buffer pixels; DrawText only between BeginText and EndText ("No
    // text or sprite" without a font). Newlines start new lines; text is Latin-1.
    bool BeginText();
    bool DrawText(int x, int y, const char* text);
    bool EndText();
    void SetTextColor(float red, float green, float blue, float alpha);
    // The packed text colour (clamped per component).
    uint32_t GetTextColor() const;

    void GetBackBufferSize(int& width, int& height) const;
    // Multisampling of the back buffer from the next Create or Reset on: -1 (the default)
    // takes 2 samples, or none on a software rasteriser. GetSamples: the number in use.
    void SetSamples(int samples) { m_samples = samples; }
    int GetSamples() const { return m_samplesInUse; }
    bool IsCreated() const { return m_created; }

    // A frame: Clear, BeginScene, draws, EndScene, Present (shows it in the view).
    bool Clear(uint32_t color, float depth);
    bool BeginScene();
    bool EndScene();
    bool Present();
    // Waits until the device has drawn everything it was given (for timing).
    void Finish();
    bool SetView(const MATRIX& view);
    bool SetProjection(const MATRIX& projection);
    bool SetLight(int index, const LIGHT& light);
    bool EnableLight(int index, bool enable);
    // The ambient level as a grey colour (ARGB).
    bool SetAmbient(uint32_t color);
    bool SetWireframe(bool wireframe);

    // The last finished frame, as drawn (1600 x 1200); null when there is none.
    QImage GrabBackBuffer();
    // For the view's paint: draws the last finished frame scaled into its framebuffer.
    void PaintInto(uint32_t framebuffer, int width, int height);
    // Counts the contexts this device has seen (for tests of context loss).
    uint64_t GetContextGeneration() const { return m_generation; }

    // CRenderDevice
    bool GetWorld(MATRIX& world) override;
    bool SetWorld(const MATRIX& world) override;
    bool SetMaterial(const MATERIAL* material) override;
    bool BindVertices(CVertexBuffer& buffer) override;
    bool DrawRange(const DRAW_RANGE& range) override;
    std::unique_ptr<CTexture> CreateTexture(TEXTURE_KIND kind, int width, int height,
                                            uint32_t color) override;
    const CCharString& GetError() const override { return m_error; }

    // For vertex buffers and textures that go away (the device must outlive its buffers).
    void ReleaseVertices(CVertexBuffer& buffer) override;
    void ReleaseTexture(CGlTexture& texture);

private:
    bool Fail(const char* format, ...) MA_PRINTF(2, 3);
    // glGetError after a step; false with "what: GL_..." when it reports one.
    bool Check(const char* what);
    // Makes the view's context current; a context not seen before starts a new generation.
    bool MakeCurrent();
    bool HasContext() const;
    void OnContextReady();
    void OnContextLost();
    bool CreateObjects();
    void ReleaseObjects();
    bool CreateBackBuffer();
    bool CreatePrograms();
    bool UploadTexture(CGlTexture& texture);
    void UploadLights();

    QPointer<QOpenGLWidget> m_window;
    QWidget* m_fullScreenWindow;
    bool m_fullScreen;
    bool m_created = false;
    int m_width = kBackBufferWidth;
    int m_height = kBackBufferHeight;
    int m_samples = -1;
    int m_samplesInUse = 0;
    CCharString m_error;
    float m_textColor[4] = {1.0f, 1.0f, 1.0f, 1.0f};

    // The context generation the GL objects belong to (0: none made).
    uint64_t m_generation = 0;
    uint64_t m_objectsGeneration = 0;
    QOpenGLContext* m_context = nullptr;
    QMetaObject::Connection m_contextConnection;
    bool m_functionsReady = false;

    GLuint m_sceneFramebuffer = 0, m_sceneColor = 0, m_sceneDepth = 0;
    GLuint m_resolveFramebuffer = 0, m_resolveColor = 0;
    bool m_frameReady = false;
    GLuint m_program = 0, m_textProgram = 0, m_textArray = 0, m_textBuffer = 0;
    bool m_textFont = false, m_inText = false;
    GLuint m_textTexture = 0;
    QImage m_textImage;
    std::string m_textCache;

    MATRIX m_world{1.0f}, m_view{1.0f}, m_projection{1.0f};
    bool m_worldDirty = true;
    LIGHT m_lights[2];
    bool m_lightOn[2] = {false, false};
    float m_ambient[3] = {0.0f, 0.0f, 0.0f};
    bool m_wireframe = false;
    MATERIAL m_material;
    bool m_hasMaterial = false;

    std::set<CVertexBuffer*> m_buffers;
    std::set<CGlTexture*> m_textures;
};
