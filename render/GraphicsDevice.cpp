#include "render/GraphicsDevice.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLWidget>
#include <QPainter>
#include <QScreen>
#include <cstdarg>
#include <cstddef>
#include <cstring>

#include "core/Report.h"
#include "render/SceneView.h"
#include "render/TextureGenerator.h"

// A picture the device made, kept in system memory and uploaded to each context on first use.
class CGlTexture : public CTexture {
public:
    CGlTexture(CGraphicsDevice& device, QImage image)
        : m_device(&device), m_image(std::move(image)) {}
    ~CGlTexture() override {
        if (m_device)
            m_device->ReleaseTexture(*this);
    }
    int GetWidth() const override { return m_image.width(); }
    int GetHeight() const override { return m_image.height(); }

    CGraphicsDevice* m_device; // null once the device is gone
    QImage m_image;            // RGBA, rows from the top
    GLuint m_name = 0;
    uint64_t m_generation = 0;
};

namespace {

const char* kSceneVertexShader = R"(#version 330 core
layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;
layout(location = 2) in vec4 color;
layout(location = 3) in vec2 texCoord;
uniform mat4 world;
uniform mat4 viewProjection;
uniform vec3 eye;
uniform vec3 lightDirection[2];
uniform vec3 lightColor[2];
uniform bool lightOn[2];
uniform vec3 ambient;
uniform vec3 specular;
uniform float power;
uniform vec3 emissive;
out vec4 litColor;
out vec3 specularColor;
out vec2 uv;
void main() {
    vec4 place = world * vec4(position, 1.0);
    gl_Position = viewProjection * place;
    uv = texCoord;
    vec3 n = mat3(world) * normal;
    n = dot(n, n) > 0.0 ? normalize(n) : n;
    vec3 toEye = normalize(eye - place.xyz);
    vec3 light = ambient;
    vec3 shine = vec3(0.0);
    for (int i = 0; i < 2; ++i) {
        if (!lightOn[i])
            continue;
        vec3 toLight = -normalize(lightDirection[i]);
        float d = max(dot(n, toLight), 0.0);
        light += lightColor[i] * d;
        if (power > 0.0 && d > 0.0)
            shine += lightColor[i] * pow(max(dot(n, normalize(toLight + toEye)), 0.0), power);
    }
    litColor = vec4(min(color.rgb * light + emissive, vec3(1.0)), color.a);
    specularColor = shine * specular;
}
)";

const char* kSceneFragmentShader = R"(#version 330 core
in vec4 litColor;
in vec3 specularColor;
in vec2 uv;
uniform bool textured;
uniform bool modulate;
uniform sampler2D picture;
out vec4 fragment;
void main() {
    vec4 c = litColor;
    if (textured) {
        vec4 t = texture(picture, uv);
        c = vec4(modulate ? t.rgb * litColor.rgb : t.rgb, t.a);
    }
    fragment = vec4(min(c.rgb + specularColor, vec3(1.0)), c.a);
}
)";

const char* kTextVertexShader = R"(#version 330 core
layout(location = 0) in vec2 position;
layout(location = 1) in vec2 texCoord;
out vec2 uv;
void main() {
    uv = texCoord;
    gl_Position = vec4(position, 0.0, 1.0);
}
)";

const char* kTextFragmentShader = R"(#version 330 core
in vec2 uv;
uniform sampler2D picture;
out vec4 fragment;
void main() {
    fragment = texture(picture, uv);
}
)";

// The text font: "Arial" (or the face that stands in for it) whose lines are 24 pixels apart.
QFont OverlayFont() {
    QFont font("Arial");
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(QFont::Normal);
    int size = 24;
    font.setPixelSize(size);
    while (size > 8 && QFontMetrics(font).height() > 24)
        font.setPixelSize(--size);
    return font;
}

} // namespace

CCharString GlResultName(uint32_t code) {
    static const struct {
        uint32_t code;
        const char* name;
    } kNames[] = {
        {GL_NO_ERROR, "GL_NO_ERROR"},
        {GL_INVALID_ENUM, "GL_INVALID_ENUM"},
        {GL_INVALID_VALUE, "GL_INVALID_VALUE"},
        {GL_INVALID_OPERATION, "GL_INVALID_OPERATION"},
        {GL_INVALID_FRAMEBUFFER_OPERATION, "GL_INVALID_FRAMEBUFFER_OPERATION"},
        {GL_OUT_OF_MEMORY, "GL_OUT_OF_MEMORY"},
        {GL_STACK_UNDERFLOW, "GL_STACK_UNDERFLOW"},
        {GL_STACK_OVERFLOW, "GL_STACK_OVERFLOW"},
        {GL_FRAMEBUFFER_UNDEFINED, "GL_FRAMEBUFFER_UNDEFINED"},
        {GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT, "GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT"},
        {GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT,
         "GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT"},
        {GL_FRAMEBUFFER_UNSUPPORTED, "GL_FRAMEBUFFER_UNSUPPORTED"},
        {GL_FRAMEBUFFER_INCOMPLETE_MULTISAMPLE, "GL_FRAMEBUFFER_INCOMPLETE_MULTISAMPLE"},
    };
    CCharString name;
    for (const auto& entry : kNames)
        if (entry.code == code)
            return CCharString(entry.name);
    name.Format("Unknown result %08X", code);
    return name;
}

CGraphicsDevice::CGraphicsDevice(QOpenGLWidget* window, QWidget* fullScreenWindow, bool fullScreen)
    : m_window(window), m_fullScreenWindow(fullScreenWindow), m_fullScreen(fullScreen) {}

CGraphicsDevice::~CGraphicsDevice() {
    QObject::disconnect(m_contextConnection);
    ReleaseAll();
    // Textures that outlive the device must not call back into it.
    for (CGlTexture* texture : m_textures)
        texture->m_device = nullptr;
}

bool CGraphicsDevice::Fail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    m_error.FormatV(format, args);
    va_end(args);
    REPORT_ERROR("%s", m_error.GetText());
    return false;
}

bool CGraphicsDevice::Check(const char* what) {
    const GLenum code = glGetError();
    if (code == GL_NO_ERROR)
        return true;
    while (glGetError() != GL_NO_ERROR) {
    }
    return Fail("%s: %s", what, GlResultName(code).GetText());
}

bool CGraphicsDevice::HasContext() const {
    return m_window && m_window->context() && m_window->context()->isValid();
}

bool CGraphicsDevice::MakeCurrent() {
    if (!HasContext())
        return false;
    if (QOpenGLContext::currentContext() != m_window->context())
        m_window->makeCurrent();
    // A context this device has not seen yet is a new generation: whatever it made before
    // belongs to a context that is gone.
    if (m_window->context() != m_context)
        OnContextReady();
    return m_functionsReady;
}

bool CGraphicsDevice::Create() {
    m_created = false;
    m_width = kBackBufferWidth;
    m_height = kBackBufferHeight;
    if (m_fullScreen) {
        QScreen* screen = QGuiApplication::primaryScreen();
        if (!screen)
            return Fail("Can't get screen DC");
        m_width = screen->size().width();
        m_height = screen->size().height();
    }
    if (!m_window)
        return Fail("Can't create device: no window");
    if (!HasContext()) {
        // The view makes its context when it is first shown; ask for one like it now, so that a
        // machine without OpenGL 3.3 is told at once.
        QOpenGLContext probe;
        probe.setFormat(m_window->format());
        if (!probe.create())
            return Fail("Can't create device: no OpenGL context");
        const auto version = probe.format().version();
        if (version < qMakePair(3, 3))
            return Fail("Can't create device: OpenGL %d.%d, 3.3 needed", version.first,
                        version.second);
        m_created = true;
        return true;
    }
    m_created = true;
    if (!MakeCurrent())
        return Fail("Can't create device: OpenGL 3.3 core functions are missing");
    return CreateObjects();
}

void CGraphicsDevice::OnContextReady() {
    ++m_generation;
    m_context = m_window->context();
    m_functionsReady = initializeOpenGLFunctions();
    QObject::disconnect(m_contextConnection);
    m_contextConnection = QObject::connect(m_window->context(), &QOpenGLContext::aboutToBeDestroyed,
                                           m_window, [this] { OnContextLost(); });
}

void CGraphicsDevice::OnContextLost() {
    if (MakeCurrent() && m_objectsGeneration == m_generation)
        ReleaseObjects();
    m_objectsGeneration = 0;
    m_frameReady = false;
    m_context = nullptr;
    m_functionsReady = false;
    QObject::disconnect(m_contextConnection);
}

bool CGraphicsDevice::CreateObjects() {
    if (!m_functionsReady)
        return Fail("Can't create device: OpenGL 3.3 core functions are missing");
    if (!CreateBackBuffer() || !CreatePrograms())
        return false;
    m_objectsGeneration = m_generation;
    CreateTextFont();
    SetRenderStates();
    return true;
}

bool CGraphicsDevice::CreateBackBuffer() {
    GLint maxSamples = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &maxSamples);
    // Two samples smooth the edges for next to nothing on a graphics card; a software
    // rasteriser spends four to five times as long on each frame with them, more than the
    // 33 ms between frames at this size, so it draws without.
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    const bool software =
        renderer && (std::strstr(renderer, "llvmpipe") || std::strstr(renderer, "softpipe") ||
                     std::strstr(renderer, "swrast"));
    m_samplesInUse = std::min<GLint>(m_samples >= 0 ? m_samples : software ? 0 : 2, maxSamples);
    const GLsizei samples = m_samplesInUse;
    glGenFramebuffers(1, &m_sceneFramebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, m_sceneFramebuffer);
    glGenRenderbuffers(1, &m_sceneColor);
    glBindRenderbuffer(GL_RENDERBUFFER, m_sceneColor);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_RGBA8, m_width, m_height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, m_sceneColor);
    glGenRenderbuffers(1, &m_sceneDepth);
    glBindRenderbuffer(GL_RENDERBUFFER, m_sceneDepth);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_DEPTH_COMPONENT16, m_width,
                                     m_height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, m_sceneDepth);
    GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
    if (status != GL_FRAMEBUFFER_COMPLETE)
        return Fail("Can't create back buffer: %s", GlResultName(status).GetText());

    glGenTextures(1, &m_resolveColor);
    glBindTexture(GL_TEXTURE_2D, m_resolveColor);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, m_width, m_height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glGenFramebuffers(1, &m_resolveFramebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, m_resolveFramebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, m_resolveColor, 0);
    status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
    if (status != GL_FRAMEBUFFER_COMPLETE)
        return Fail("Can't create back buffer: %s", GlResultName(status).GetText());
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glBindFramebuffer(GL_FRAMEBUFFER, m_window->defaultFramebufferObject());
    return Check("Can't create back buffer");
}

bool CGraphicsDevice::CreatePrograms() {
    auto compile = [this](GLenum kind, const char* source, GLuint& shader) {
        shader = glCreateShader(kind);
        glShaderSource(shader, 1, &source, nullptr);
        glCompileShader(shader);
        GLint ok = 0;
        glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
        if (ok)
            return true;
        char log[1024] = {0};
        glGetShaderInfoLog(shader, sizeof(log) - 1, nullptr, log);
        return Fail("Can't compile shader: %s", log);
    };
    auto link = [&](const char* vertexSource, const char* fragmentSource, GLuint& program) {
        GLuint vertex = 0, fragment = 0;
        const bool compiled = compile(GL_VERTEX_SHADER, vertexSource, vertex) &&
                              compile(GL_FRAGMENT_SHADER, fragmentSource, fragment);
        bool linked = false;
        if (compiled) {
            program = glCreateProgram();
            glAttachShader(program, vertex);
            glAttachShader(program, fragment);
            glLinkProgram(program);
            GLint ok = 0;
            glGetProgramiv(program, GL_LINK_STATUS, &ok);
            linked = ok != 0;
            if (!linked) {
                char log[1024] = {0};
                glGetProgramInfoLog(program, sizeof(log) - 1, nullptr, log);
                Fail("Can't link shaders: %s", log);
            }
        }
        glDeleteShader(vertex);
        glDeleteShader(fragment);
        return linked;
    };
    if (!link(kSceneVertexShader, kSceneFragmentShader, m_program) ||
        !link(kTextVertexShader, kTextFragmentShader, m_textProgram))
        return false;
    glGenVertexArrays(1, &m_textArray);
    glGenBuffers(1, &m_textBuffer);
    glBindVertexArray(m_textArray);
    glBindBuffer(GL_ARRAY_BUFFER, m_textBuffer);
    glBufferData(GL_ARRAY_BUFFER, 16 * sizeof(float), nullptr, GL_DYNAMIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 4 * sizeof(float), nullptr);
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, 4 * sizeof(float),
                          reinterpret_cast<void*>(2 * sizeof(float)));
    glBindVertexArray(0);
    return Check("Can't create shaders");
}

bool CGraphicsDevice::CreateTextFont() {
    m_textFont = true;
    m_textCache.clear();
    if (m_objectsGeneration != m_generation || m_generation == 0)
        return true; // the texture is made with the other objects
    glGenTextures(1, &m_textTexture);
    return Check("Can't create font");
}

bool CGraphicsDevice::ReleaseTextFont() {
    if (m_textTexture && HasContext() && MakeCurrent())
        glDeleteTextures(1, &m_textTexture);
    m_textTexture = 0;
    m_textFont = false;
    m_textCache.clear();
    return true;
}

bool CGraphicsDevice::SetRenderStates() {
    if (!MakeCurrent())
        return Fail("Can't set render state: no context");
    // Front faces are those that run clockwise on the screen; back faces are culled.
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CW);
    glCullFace(GL_BACK);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_MULTISAMPLE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    return Check("Can't set render state");
}

void CGraphicsDevice::ReleaseObjects() {
    ReleaseTextFont();
    for (CVertexBuffer* buffer : m_buffers) {
        DEVICE_COPY& copy = buffer->GetDeviceCopy();
        if (copy.context == m_objectsGeneration && copy.context != 0) {
            glDeleteVertexArrays(1, &copy.vertexArray);
            glDeleteBuffers(1, &copy.vertexBuffer);
            glDeleteBuffers(1, &copy.indexBuffer);
        }
        copy = DEVICE_COPY();
    }
    m_buffers.clear();
    for (CGlTexture* texture : m_textures) {
        if (texture->m_generation == m_objectsGeneration && texture->m_name)
            glDeleteTextures(1, &texture->m_name);
        texture->m_name = 0;
        texture->m_generation = 0;
    }
    const GLuint framebuffers[] = {m_sceneFramebuffer, m_resolveFramebuffer};
    glDeleteFramebuffers(2, framebuffers);
    const GLuint renderbuffers[] = {m_sceneColor, m_sceneDepth};
    glDeleteRenderbuffers(2, renderbuffers);
    glDeleteTextures(1, &m_resolveColor);
    glDeleteProgram(m_program);
    glDeleteProgram(m_textProgram);
    glDeleteVertexArrays(1, &m_textArray);
    glDeleteBuffers(1, &m_textBuffer);
    m_sceneFramebuffer = m_resolveFramebuffer = m_sceneColor = m_sceneDepth = 0;
    m_resolveColor = m_program = m_textProgram = m_textArray = m_textBuffer = 0;
    m_objectsGeneration = 0;
    m_frameReady = false;
}

bool CGraphicsDevice::ReleaseAll() {
    if (m_objectsGeneration != 0 && MakeCurrent())
        ReleaseObjects();
    for (CVertexBuffer* buffer : m_buffers)
        buffer->GetDeviceCopy() = DEVICE_COPY();
    m_buffers.clear();
    m_objectsGeneration = 0;
    m_textFont = false;
    m_created = false;
    return true;
}

bool CGraphicsDevice::Reset() {
    ReleaseTextFont();
    if (!MakeCurrent())
        return Fail("Can't reset device: no context");
    if (m_objectsGeneration != 0)
        ReleaseObjects();
    if (!CreateObjects())
        return Fail("Can't reset device: %s", CCharString(m_error).GetText());
    return true;
}

bool CGraphicsDevice::CheckDevice(bool& lost) {
    lost = false;
    if (!m_created) {
        m_error = "Device is not created";
        return false;
    }
    if (!HasContext()) {
        // Not shown yet, or between two contexts: skip the frame quietly.
        lost = true;
        return false;
    }
    if (!MakeCurrent()) {
        lost = true;
        return Fail("Can't check the device: OpenGL 3.3 core functions are missing");
    }
    if (m_objectsGeneration != m_generation) {
        lost = true;
        if (Reset())
            return true;
        ReleaseAll();
        Create();
        return false;
    }
    const GLenum code = glGetError();
    if (code == GL_OUT_OF_MEMORY) {
        lost = true;
        return Fail("Driver error");
    }
    if (code != GL_NO_ERROR) {
        lost = true;
        return Fail("Can't check the device: %s", GlResultName(code).GetText());
    }
    return true;
}

void CGraphicsDevice::GetBackBufferSize(int& width, int& height) const {
    width = m_width;
    height = m_height;
}

void CGraphicsDevice::SetTextColor(float red, float green, float blue, float alpha) {
    m_textColor[0] = red;
    m_textColor[1] = green;
    m_textColor[2] = blue;
    m_textColor[3] = alpha;
}

uint32_t CGraphicsDevice::GetTextColor() const {
    return PackColor(m_textColor[0], m_textColor[1], m_textColor[2], m_textColor[3]);
}

bool CGraphicsDevice::BeginText() {
    if (!m_textFont || !m_textTexture)
        return Fail("No text or sprite");
    m_inText = true;
    return true;
}

bool CGraphicsDevice::EndText() {
    m_inText = false;
    return true;
}

bool CGraphicsDevice::DrawText(int x, int y, const char* text) {
    if (!m_inText || !m_textTexture)
        return Fail("No text or sprite");
    const QString string = QString::fromLatin1(text);
    const uint32_t color = GetTextColor();
    std::string key = std::to_string(color) + '\n' + text;
    if (key != m_textCache) {
        const QFont font = OverlayFont();
        const QFontMetrics metrics(font);
        const QRect bounds = metrics.boundingRect(QRect(0, 0, m_width, m_height),
                                                  Qt::AlignLeft | Qt::AlignTop, string);
        QImage image(std::max(bounds.width(), 1) + 2, std::max(bounds.height(), 1) + 2,
                     QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setFont(font);
        painter.setPen(QColor::fromRgba(color));
        painter.drawText(image.rect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, string);
        painter.end();
        m_textImage = image.convertToFormat(QImage::Format_RGBA8888);
        glBindTexture(GL_TEXTURE_2D, m_textTexture);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, m_textImage.width(), m_textImage.height(), 0,
                     GL_RGBA, GL_UNSIGNED_BYTE, m_textImage.constBits());
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        m_textCache = key;
    }
    // A quad at (x, y) from the top left, one texel per back-buffer pixel.
    const float left = 2.0f * x / m_width - 1.0f;
    const float right = 2.0f * (x + m_textImage.width()) / m_width - 1.0f;
    const float top = 1.0f - 2.0f * y / m_height;
    const float bottom = 1.0f - 2.0f * (y + m_textImage.height()) / m_height;
    const float quad[16] = {left, top,    0, 0, right, top,    1, 0,
                            left, bottom, 0, 1, right, bottom, 1, 1};
    glBindFramebuffer(GL_FRAMEBUFFER, m_sceneFramebuffer);
    glUseProgram(m_textProgram);
    glBindVertexArray(m_textArray);
    glBindBuffer(GL_ARRAY_BUFFER, m_textBuffer);
    glBufferSubData(GL_ARRAY_BUFFER, 0, sizeof(quad), quad);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, m_textTexture);
    glUniform1i(glGetUniformLocation(m_textProgram, "picture"), 0);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    glEnable(GL_CULL_FACE);
    glEnable(GL_DEPTH_TEST);
    glPolygonMode(GL_FRONT_AND_BACK, m_wireframe ? GL_LINE : GL_FILL);
    glBindVertexArray(0);
    glUseProgram(m_program);
    return Check("Can draw text");
}

bool CGraphicsDevice::Clear(uint32_t color, float depth) {
    glBindFramebuffer(GL_FRAMEBUFFER, m_sceneFramebuffer);
    glViewport(0, 0, m_width, m_height);
    glClearColor(((color >> 16) & 0xFF) / 255.0f, ((color >> 8) & 0xFF) / 255.0f,
                 (color & 0xFF) / 255.0f, (color >> 24) / 255.0f);
    glClearDepth(depth);
    glClearStencil(0);
    glDepthMask(GL_TRUE);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    return Check("Can't clear");
}

void CGraphicsDevice::UploadLights() {
    glUseProgram(m_program);
    const MATRIX viewProjection = MatrixMultiply(m_view, DepthRangeToGl(m_projection));
    glUniformMatrix4fv(glGetUniformLocation(m_program, "viewProjection"), 1, GL_FALSE,
                       &viewProjection[0][0]);
    const VEC3 eye = Vec3TransformCoord(VEC3(0.0f), MatrixInverse(m_view));
    glUniform3fv(glGetUniformLocation(m_program, "eye"), 1, &eye[0]);
    float directions[6], colors[6];
    GLint on[2];
    for (int i = 0; i < 2; ++i) {
        for (int k = 0; k < 3; ++k) {
            directions[3 * i + k] = m_lights[i].direction[k];
            colors[3 * i + k] = m_lights[i].diffuse[k];
        }
        on[i] = m_lightOn[i] ? 1 : 0;
    }
    glUniform3fv(glGetUniformLocation(m_program, "lightDirection"), 2, directions);
    glUniform3fv(glGetUniformLocation(m_program, "lightColor"), 2, colors);
    glUniform1iv(glGetUniformLocation(m_program, "lightOn"), 2, on);
    glUniform3fv(glGetUniformLocation(m_program, "ambient"), 1, m_ambient);
}

bool CGraphicsDevice::BeginScene() {
    if (m_objectsGeneration == 0 || m_objectsGeneration != m_generation)
        return Fail("Can't begin the scene: the device is lost");
    glBindFramebuffer(GL_FRAMEBUFFER, m_sceneFramebuffer);
    glViewport(0, 0, m_width, m_height);
    SetRenderStates();
    glPolygonMode(GL_FRONT_AND_BACK, m_wireframe ? GL_LINE : GL_FILL);
    UploadLights();
    m_worldDirty = true;
    SetMaterial(nullptr);
    glUniform1i(glGetUniformLocation(m_program, "picture"), 0);
    return Check("Can't begin the scene");
}

bool CGraphicsDevice::EndScene() {
    glBindVertexArray(0);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, m_sceneFramebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, m_resolveFramebuffer);
    glBlitFramebuffer(0, 0, m_width, m_height, 0, 0, m_width, m_height, GL_COLOR_BUFFER_BIT,
                      GL_NEAREST);
    glBindFramebuffer(GL_FRAMEBUFFER, m_window->defaultFramebufferObject());
    if (!Check("Can't end the scene"))
        return false;
    m_frameReady = true;
    return true;
}

bool CGraphicsDevice::Present() {
    if (!m_window)
        return Fail("Can't present the scene: no window");
    if (auto* view = qobject_cast<CSceneView*>(m_window.data()))
        view->OnPresent();
    else
        m_window->update();
    return true;
}

void CGraphicsDevice::Finish() {
    if (MakeCurrent())
        glFinish();
}

void CGraphicsDevice::PaintInto(uint32_t framebuffer, int width, int height) {
    if (!MakeCurrent())
        return;
    if (!m_frameReady || m_objectsGeneration != m_generation) {
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        return;
    }
    glBindFramebuffer(GL_READ_FRAMEBUFFER, m_resolveFramebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer);
    glBlitFramebuffer(0, 0, m_width, m_height, 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_LINEAR);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
}

QImage CGraphicsDevice::GrabBackBuffer() {
    if (!m_frameReady || !MakeCurrent())
        return QImage();
    QImage image(m_width, m_height, QImage::Format_RGBA8888);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, m_resolveFramebuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, m_width, m_height, GL_RGBA, GL_UNSIGNED_BYTE, image.bits());
    glBindFramebuffer(GL_FRAMEBUFFER, m_window->defaultFramebufferObject());
    // GL's rows run from the bottom up.
    return image.mirrored().convertToFormat(QImage::Format_RGB32);
}

bool CGraphicsDevice::SetView(const MATRIX& view) {
    m_view = view;
    return true;
}

bool CGraphicsDevice::SetProjection(const MATRIX& projection) {
    m_projection = projection;
    return true;
}

bool CGraphicsDevice::SetLight(int index, const LIGHT& light) {
    if (index < 0 || index > 1)
        return Fail("%s", GlResultName(GL_INVALID_VALUE).GetText());
    m_lights[index] = light;
    return true;
}

bool CGraphicsDevice::EnableLight(int index, bool enable) {
    if (index < 0 || index > 1)
        return Fail("%s", GlResultName(GL_INVALID_VALUE).GetText());
    m_lightOn[index] = enable;
    return true;
}

bool CGraphicsDevice::SetAmbient(uint32_t color) {
    m_ambient[0] = ((color >> 16) & 0xFF) / 255.0f;
    m_ambient[1] = ((color >> 8) & 0xFF) / 255.0f;
    m_ambient[2] = (color & 0xFF) / 255.0f;
    return true;
}

bool CGraphicsDevice::SetWireframe(bool wireframe) {
    m_wireframe = wireframe;
    return true;
}

bool CGraphicsDevice::GetWorld(MATRIX& world) {
    world = m_world;
    return true;
}

bool CGraphicsDevice::SetWorld(const MATRIX& world) {
    m_world = world;
    m_worldDirty = true;
    return true;
}

bool CGraphicsDevice::SetMaterial(const MATERIAL* material) {
    m_hasMaterial = material != nullptr;
    if (material)
        m_material = *material;
    if (m_objectsGeneration == 0 || m_objectsGeneration != m_generation)
        return true;
    const MATERIAL none;
    const MATERIAL& m = material ? *material : none;
    glUseProgram(m_program);
    glUniform3fv(glGetUniformLocation(m_program, "specular"), 1, m.specular);
    glUniform1f(glGetUniformLocation(m_program, "power"), m.power);
    glUniform3fv(glGetUniformLocation(m_program, "emissive"), 1, m.emissive);
    return Check("Can't set material");
}

bool CGraphicsDevice::BindVertices(CVertexBuffer& buffer) {
    if (m_objectsGeneration == 0 || m_objectsGeneration != m_generation)
        return Fail("the device is lost");
    DEVICE_COPY& copy = buffer.GetDeviceCopy();
    const int vertices = buffer.GetVertexCount(), indices = buffer.GetIndexCount();
    const bool fresh = copy.context != m_generation;
    if (fresh) {
        copy = DEVICE_COPY();
        glGenVertexArrays(1, &copy.vertexArray);
        glGenBuffers(1, &copy.vertexBuffer);
        glGenBuffers(1, &copy.indexBuffer);
        glBindVertexArray(copy.vertexArray);
        glBindBuffer(GL_ARRAY_BUFFER, copy.vertexBuffer);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, copy.indexBuffer);
        const GLsizei stride = sizeof(VERTEX);
        glEnableVertexAttribArray(0);
        glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride,
                              reinterpret_cast<void*>(offsetof(VERTEX, position)));
        glEnableVertexAttribArray(1);
        glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, stride,
                              reinterpret_cast<void*>(offsetof(VERTEX, normal)));
        glEnableVertexAttribArray(2);
        // The colour's bytes lie blue, green, red, alpha in memory.
        glVertexAttribPointer(2, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                              reinterpret_cast<void*>(offsetof(VERTEX, color)));
        glEnableVertexAttribArray(3);
        glVertexAttribPointer(3, 2, GL_FLOAT, GL_FALSE, stride,
                              reinterpret_cast<void*>(offsetof(VERTEX, u)));
        copy.context = m_generation;
        m_buffers.insert(&buffer);
    } else {
        glBindVertexArray(copy.vertexArray);
        glBindBuffer(GL_ARRAY_BUFFER, copy.vertexBuffer);
    }
    // Device arrays grow like the system ones; a grown array takes the whole system copy.
    auto upload = [this](GLenum target, int count, int& capacity, int step, size_t size, int first,
                         int end, const void* data) {
        if (count > capacity) {
            capacity = CVertexBuffer::NextCapacity(count, capacity, step);
            glBufferData(target, capacity * size, nullptr, GL_STATIC_DRAW);
            first = 0;
            end = count;
        }
        end = std::min(end, count);
        if (end > first)
            glBufferSubData(target, first * size, (end - first) * size,
                            static_cast<const char*>(data) + first * size);
    };
    int first, end;
    buffer.GetChangedVertices(first, end);
    upload(GL_ARRAY_BUFFER, vertices, copy.vertexCapacity, buffer.GetGrowth(), sizeof(VERTEX),
           first, end, buffer.GetVertices());
    buffer.GetChangedIndices(first, end);
    upload(GL_ELEMENT_ARRAY_BUFFER, indices, copy.indexCapacity, 3 * buffer.GetGrowth(),
           sizeof(uint16_t), first, end, buffer.GetIndices());
    buffer.ClearChanges();
    if (!Check("Can't set vertices")) {
        copy.context = 0;
        return false;
    }
    return true;
}

bool CGraphicsDevice::UploadTexture(CGlTexture& texture) {
    if (texture.m_generation == m_generation && texture.m_name)
        return true;
    glGenTextures(1, &texture.m_name);
    glBindTexture(GL_TEXTURE_2D, texture.m_name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, texture.m_image.width(), texture.m_image.height(), 0,
                 GL_RGBA, GL_UNSIGNED_BYTE, texture.m_image.constBits());
    glGenerateMipmap(GL_TEXTURE_2D);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    texture.m_generation = m_generation;
    m_textures.insert(&texture);
    return Check("Can't create texture");
}

bool CGraphicsDevice::DrawRange(const DRAW_RANGE& range) {
    if (m_objectsGeneration == 0 || m_objectsGeneration != m_generation)
        return Fail("the device is lost");
    glUseProgram(m_program);
    if (m_worldDirty) {
        glUniformMatrix4fv(glGetUniformLocation(m_program, "world"), 1, GL_FALSE, &m_world[0][0]);
        m_worldDirty = false;
    }
    auto* texture = const_cast<CGlTexture*>(dynamic_cast<const CGlTexture*>(range.texture));
    glUniform1i(glGetUniformLocation(m_program, "textured"), texture ? 1 : 0);
    if (texture) {
        glActiveTexture(GL_TEXTURE0);
        if (!UploadTexture(*texture))
            return Fail("Can't set texture: %s", CCharString(m_error).GetText());
        glBindTexture(GL_TEXTURE_2D, texture->m_name);
        const GLint address = range.wrap ? GL_REPEAT : GL_CLAMP_TO_EDGE;
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, address);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, address);
        glUniform1i(glGetUniformLocation(m_program, "modulate"), range.modulate ? 1 : 0);
    }
    const GLenum mode = range.lines ? GL_LINES : GL_TRIANGLES;
    const GLsizei count = range.count * (range.lines ? 2 : 3);
    const void* first = reinterpret_cast<void*>(static_cast<intptr_t>(range.firstIndex) * 2);
    if (range.twoSided) {
        glCullFace(GL_FRONT);
        glDrawElementsBaseVertex(mode, count, GL_UNSIGNED_SHORT, first, range.firstVertex);
        glCullFace(GL_BACK);
    }
    glDrawElementsBaseVertex(mode, count, GL_UNSIGNED_SHORT, first, range.firstVertex);
    if (texture)
        glBindTexture(GL_TEXTURE_2D, 0);
    return Check("Can't draw");
}

std::unique_ptr<CTexture> CGraphicsDevice::CreateTexture(TEXTURE_KIND kind, int width, int height,
                                                         uint32_t color) {
    QImage image = CTextureGenerator::Draw(kind, width, height, color);
    if (image.isNull()) {
        Fail("Can't create texture: %s", GlResultName(GL_INVALID_VALUE).GetText());
        return nullptr;
    }
    auto texture =
        std::make_unique<CGlTexture>(*this, image.convertToFormat(QImage::Format_RGBA8888));
    m_textures.insert(texture.get());
    return texture;
}

void CGraphicsDevice::ReleaseVertices(CVertexBuffer& buffer) {
    DEVICE_COPY& copy = buffer.GetDeviceCopy();
    if (copy.context != 0 && copy.context == m_objectsGeneration && MakeCurrent()) {
        glDeleteVertexArrays(1, &copy.vertexArray);
        glDeleteBuffers(1, &copy.vertexBuffer);
        glDeleteBuffers(1, &copy.indexBuffer);
    }
    copy = DEVICE_COPY();
    m_buffers.erase(&buffer);
}

void CGraphicsDevice::ReleaseTexture(CGlTexture& texture) {
    if (texture.m_name && texture.m_generation != 0 &&
        texture.m_generation == m_objectsGeneration && MakeCurrent())
        glDeleteTextures(1, &texture.m_name);
    texture.m_name = 0;
    m_textures.erase(&texture);
}
