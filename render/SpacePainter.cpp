#include "render/SpacePainter.h"

#include <QOpenGLWidget>
#include <algorithm>
#include <cmath>
#include <cstdarg>

#include "core/Report.h"
#include "render/GraphicsDevice.h"
#include "render/QtFontOutlines.h"
#include "render/SceneView.h"
#include "render/TestPictures.h"

namespace {

constexpr int kGrowth = 5000;
// The scene is in centimetres. The camera orbits its look-at point at up to 100 cm, and the
// far plane at 100 cm keeps everything within that orbit of the eye; the near plane at 0.5 cm
// lets the camera come close to a fingertip or a fret without clipping it.
constexpr float kNearPlane = 0.5f;
constexpr float kFarPlane = 100.0f;
constexpr float kMaxDistance = 100.0f;
// The eye is never put exactly on the look-at point, where no view direction exists.
constexpr float kNearestEye = 0.01f;

float Wrap360(float degrees) {
    degrees = std::fmod(degrees, 360.0f);
    return degrees < 0.0f ? degrees + 360.0f : degrees;
}

VEC3 Turn(const VEC3& v, const VEC3& axis, float degrees) {
    return Vec3TransformNormal(v, MatrixRotationAxis(axis, degrees * kRadiansPerDegree));
}

CQtFontOutlines g_fonts;

} // namespace

CSpacePainter::CSpacePainter() {
    if (!GetFontOutlines())
        SetFontOutlines(&g_fonts);
    SetLights(1.0f);
    SetCamera(m_eye, m_lookAt, m_up);
}

CSpacePainter::~CSpacePainter() {
    if (m_sceneView)
        m_sceneView->SetDevice(nullptr);
    DestroyPicture();
    m_axes.reset();
    m_buffer.reset();
    m_device.reset();
}

bool CSpacePainter::Fail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    m_error.FormatV(format, args);
    va_end(args);
    REPORT_ERROR("%s", m_error.GetText());
    return false;
}

void CSpacePainter::SetBandPictures(std::unique_ptr<CBandPictures> pictures) {
    DestroyPicture();
    m_pictures = std::move(pictures);
}

bool CSpacePainter::Initialize(QOpenGLWidget* window, QWidget* fullScreenWindow, bool fullScreen) {
    DestroyPicture();
    m_axes.reset();
    m_buffer.reset();
    m_device = std::make_unique<CGraphicsDevice>(window, fullScreenWindow, fullScreen);
    if (!m_device->Create()) {
        CCharString why = m_device->GetError();
        m_device.reset();
        return Fail("Can't initialize OpenGL: %s", why.GetText());
    }
    if (auto* view = qobject_cast<CSceneView*>(window)) {
        view->SetDevice(m_device.get());
        m_sceneView = view;
    }
    if (window)
        OnResize(window->width(), window->height());
    SetLights(1.0f);
    return SetCamera(VEC3(0.0f, 0.0f, -30.0f), VEC3(0.0f), VEC3(0.0f, 1.0f, 0.0f));
}

void CSpacePainter::DestroyPicture() {
    if (m_pictures)
        m_pictures->Forget();
    for (CPrimitive* primitive : m_primitives)
        delete primitive;
    m_primitives.clear();
}

bool CSpacePainter::MakeAxes() {
    CRenderDevice* device = m_device.get();
    m_axes = std::make_unique<CPrimitive>(device, m_buffer.get(), "Axes");
    const struct {
        const char* name;
        VEC3 direction;
        uint32_t color;
    } axes[] = {{"X Axis", {1, 0, 0}, 0xFFFF4040},
                {"Y Axis", {0, 1, 0}, 0xFF40FF40},
                {"Z Axis", {0, 0, 1}, 0xFF4040FF}};
    for (const auto& a : axes) {
        auto* axis = new CPrimitive(device, m_buffer.get(), a.name);
        m_axes->AddChild(axis);
        axis->SetColor(0, a.color);
        if (!axis->Cylinder(10.0f, 0.08f, 8, 0.0f) ||
            !axis->RotateXYZ(a.direction.x, a.direction.y, a.direction.z, 0.0f, false))
            return Fail("Can't make axes: %s", axis->GetError().GetText());
    }
    return true;
}

bool CSpacePainter::SetPicture(int kind) {
    if (kind != 0)
        m_picture = kind;
    DestroyPicture();
    m_axes.reset();
    m_buffer = std::make_unique<CVertexBuffer>(m_device.get(), kGrowth);
    m_changed = true;
    if (!MakeAxes())
        return false;

    CRenderDevice* device = m_device.get();
    bool ok = true;
    CCharString why;
    switch (m_picture) {
    case 1: {
        auto* thing = new CTestThing(device, m_buffer.get());
        m_primitives.push_back(thing);
        ok = thing->Build();
        why = thing->GetError();
        break;
    }
    case 2:
    case 15:
        break;
    case 3:
    case 4:
    case 5:
    case 6:
    case 7: {
        auto* shapes = new CAbstractShapes(device, m_buffer.get());
        m_primitives.push_back(shapes);
        ok = shapes->Build(m_picture);
        why = shapes->GetError();
        break;
    }
    case 8:
    case 9:
    case 11:
    case 13:
    case 14:
    case 16:
        if (m_pictures)
            ok = m_pictures->Build(m_picture, device, m_buffer.get(), m_primitives, why);
        break;
    default:
        return Fail("Unknown picture kind: %d", m_picture);
    }
    if (!ok)
        return Fail("Can't build picture %d: %s", m_picture, why.GetText());

    SetLights(1.0f);
    ResetWorld();
    UpdateView();
    UpdateProjection();
    return true;
}

bool CSpacePainter::SetCamera(const VEC3& eye, const VEC3& lookAt, const VEC3& up) {
    m_eye = eye;
    m_lookAt = lookAt;
    m_up = up;
    m_distance = glm::distance(eye, lookAt);
    m_azimuth = 180.0f;
    const VEC3 out = Vec3Normalize(eye - lookAt), u = Vec3Normalize(up);
    m_polar = std::acos(glm::clamp(glm::dot(out, u), -1.0f, 1.0f)) / kRadiansPerDegree;
    return UpdateView();
}

bool CSpacePainter::UpdateView() {
    m_azimuth = Wrap360(m_azimuth);
    m_polar = Wrap360(m_polar);
    const VEC3 up = Vec3Normalize(m_up);
    const VEC3 sight = m_lookAt - m_eye;
    VEC3 axis = Vec3Normalize(glm::cross(up, sight));
    if (axis == VEC3(0.0f))
        axis = Vec3Perpendicular(up);
    // From above the look-at point, down by the polar angle about the axis across the line of
    // sight, then round the up vector by the azimuth (180 puts it back on the stored eye's side).
    const VEC3 offset =
        Turn(Turn(up * std::max(m_distance, kNearestEye), axis, m_polar), up, m_azimuth);
    m_viewEye = m_lookAt + offset;
    // Past the top (or the bottom) the up vector turns over, so the picture does not spin.
    m_viewUp = m_polar > 0.0f && m_polar <= 180.0f ? up : -up;
    if (glm::length(glm::cross(m_viewUp, offset)) < 1e-6f * glm::length(offset))
        m_viewUp = Turn(Vec3Normalize(sight - up * glm::dot(sight, up)), up, m_azimuth);
    m_view = MatrixLookAtLH(m_viewEye, m_lookAt, m_viewUp);
    m_changed = true;
    if (m_device && !m_device->SetView(m_view))
        return Fail("Can't set view Transform: %s", m_device->GetError().GetText());
    return true;
}

bool CSpacePainter::UpdateProjection() {
    if (m_clientWidth <= 0 || m_clientHeight <= 0)
        return true;
    m_projection = MatrixPerspectiveFovLH(m_fieldOfView * kRadiansPerDegree,
                                          static_cast<float>(m_clientWidth) /
                                              static_cast<float>(m_clientHeight),
                                          kNearPlane, kFarPlane);
    m_changed = true;
    if (m_device && !m_device->SetProjection(m_projection))
        return Fail("Can't set projection Transform: %s", m_device->GetError().GetText());
    return true;
}

bool CSpacePainter::OnResize(int width, int height) {
    m_clientWidth = width;
    m_clientHeight = height;
    return UpdateProjection();
}

bool CSpacePainter::Zoom(float amount) {
    m_distance -= 0.1f * std::max(m_distance, 1.0f) * amount;
    m_distance = std::clamp(m_distance, 0.0f, kMaxDistance);
    return UpdateView();
}

bool CSpacePainter::SetLights(float intensity) {
    const float a = m_lightAzimuth * kRadiansPerDegree, e = m_lightElevation * kRadiansPerDegree;
    m_lightDirection = VEC3(std::cos(e) * std::cos(a), std::sin(e), std::cos(e) * std::sin(a));
    m_changed = true;
    if (!m_device)
        return true;
    LIGHT light;
    light.direction = Vec3Normalize(m_lightDirection);
    light.diffuse[0] = light.diffuse[1] = light.diffuse[2] = intensity;
    if (!m_device->SetLight(0, light))
        return Fail("Can't set light 0: %s", m_device->GetError().GetText());
    if (!m_device->EnableLight(0, !m_wireframe))
        return Fail("Can't enable light 0: %s", m_device->GetError().GetText());
    light.direction = -light.direction;
    light.diffuse[0] = light.diffuse[1] = light.diffuse[2] = 0.5f * intensity;
    if (!m_device->SetLight(1, light))
        return Fail("Can't set light 1: %s", m_device->GetError().GetText());
    if (!m_device->EnableLight(1, !m_wireframe))
        return Fail("Can't enable light 1: %s", m_device->GetError().GetText());
    const float level = m_wireframe ? 1.0f : 0.3f * intensity;
    const uint32_t grey = static_cast<uint32_t>(std::clamp(level, 0.0f, 1.0f) * 255.0f);
    if (!m_device->SetAmbient(0xFF000000u | grey << 16 | grey << 8 | grey))
        return Fail("Can't set ambient light: %s", m_device->GetError().GetText());
    return true;
}

bool CSpacePainter::ResetLights() {
    m_lightAzimuth = 0.0f;
    m_lightElevation = 0.0f;
    return SetLights(1.0f);
}

bool CSpacePainter::ResetWorld() {
    m_worldAngles[0] = m_worldAngles[1] = 0.0f;
    m_changed = true;
    if (m_device && !m_device->SetWorld(MATRIX(1.0f)))
        return Fail("Can't set Transform: %s", m_device->GetError().GetText());
    return true;
}

bool CSpacePainter::OnKey(int key) {
    m_changed = true;
    switch (key) {
    case 'C':
        m_showAxes = !m_showAxes;
        return true;
    case 'L':
        m_flagL = !m_flagL;
        return true;
    case 'V':
        m_flagV = !m_flagV;
        return true;
    case 'R':
        m_flagR = !m_flagR;
        return true;
    case 'T':
        m_showOverlay = !m_showOverlay;
        return true;
    case 'W':
        m_wireframe = !m_wireframe;
        if (m_device)
            m_device->SetWireframe(m_wireframe);
        return SetLights(1.0f);
    case kKeyPlus:
        return Zoom(1.0f);
    case kKeyMinus:
        return Zoom(-1.0f);
    default:
        return false;
    }
}

void CSpacePainter::SetVisible(bool visible) {
    m_visible = visible;
    if (visible)
        m_changed = true;
}

bool CSpacePainter::LookAt(int thing, int firstFret, int lastFret) {
    if (thing == kThingBand)
        return SetCamera(VEC3(-11, 22, -33), VEC3(0, -1, -3), VEC3(0, 1, 0));
    VEC3 eye, lookAt, up;
    if (m_pictures && m_pictures->GetCamera(thing, std::max(firstFret, 0), std::min(lastFret, 22),
                                            eye, lookAt, up))
        return SetCamera(eye, lookAt, up);
    return true;
}

bool CSpacePainter::OnMenuCommand(int item) {
    switch (item) {
    case kLookAtBand:
        return LookAt(kThingBand, 0, 12);
    case kLookAtLeadGuitar:
        return LookAt(39, 0, 12);
    case kLookAtRhythmGuitar:
        return LookAt(38, 0, 12);
    case kLookAtBassGuitar:
        return LookAt(36, 0, 12);
    case kLookAtDrums:
        return LookAt(kThingDrums, 0, 12);
    default:
        return false;
    }
}

bool CSpacePainter::PoseNote(const CNote& note) {
    m_changed = true;
    CCharString why;
    if (m_pictures && m_pictures->HasBand() && !m_pictures->PoseNote(note, why))
        return Fail("Can't pose the band: %s", why.GetText());
    return true;
}

int CSpacePainter::CountTriangles() const {
    int count = 0;
    for (const CPrimitive* primitive : m_primitives)
        count += primitive->CountTriangles();
    return count;
}

bool CSpacePainter::OnButtonDown(MOUSE_BUTTON button, int x, int y, unsigned modifiers) {
    m_lastX = x;
    m_lastY = y;
    switch (button) {
    case MOUSE_LEFT:
        m_dragLeft = true;
        return false;
    case MOUSE_RIGHT:
        if ((modifiers & (kShift | kControl | kAlt)) == 0)
            return true;
        m_dragRight = true;
        return false;
    case MOUSE_MIDDLE:
        m_dragMiddle = true;
        return false;
    }
    return false;
}

void CSpacePainter::OnButtonUp(MOUSE_BUTTON button, int, int) {
    if (button == MOUSE_LEFT)
        m_dragLeft = false;
    else if (button == MOUSE_RIGHT)
        m_dragRight = false;
    else
        m_dragMiddle = false;
}

void CSpacePainter::OnMouseMove(int x, int y, unsigned modifiers) {
    const bool known = m_lastX != 0x7FFFFFFF;
    const int dx = known ? x - m_lastX : 0, dy = known ? y - m_lastY : 0;
    m_lastX = x;
    m_lastY = y;
    m_changed = true;
    if (m_clientWidth <= 0 || m_clientHeight <= 0 || (dx == 0 && dy == 0))
        return;
    const float across = static_cast<float>(dx) / m_clientWidth * 360.0f;
    const float down = static_cast<float>(dy) / m_clientHeight * 360.0f;
    if (m_dragLeft) {
        if (modifiers & kShift) {
            // The picture follows the mouse: the camera moves the other way across and, as
            // screen y runs down, up along its own vertical.
            const float factor = m_distance * 0.001f;
            const VEC3 right(MatrixAt(m_view, 1, 1), MatrixAt(m_view, 2, 1),
                             MatrixAt(m_view, 3, 1));
            const VEC3 upward(MatrixAt(m_view, 1, 2), MatrixAt(m_view, 2, 2),
                              MatrixAt(m_view, 3, 2));
            const VEC3 by = -right * (dx * factor) + upward * (dy * factor);
            m_eye += by;
            m_lookAt += by;
            UpdateView();
        } else if (modifiers & kControl) {
            Zoom(dy * -0.1f);
        } else {
            m_azimuth += across;
            m_polar -= down;
            UpdateView();
        }
    } else if (m_dragRight && (modifiers & kAlt)) {
        m_lightAzimuth = Wrap360(m_lightAzimuth + across);
        m_lightElevation = std::clamp(m_lightElevation + down, -90.0f, 90.0f);
        SetLights(1.0f);
    }
}

void CSpacePainter::OnWheel(int delta, unsigned modifiers) {
    if (modifiers & kShift) {
        // Kept short of 0 and 180 degrees, where the projection has no size.
        m_fieldOfView = std::clamp(m_fieldOfView + delta / 120.0f, 1.0f, 179.0f);
        UpdateProjection();
    } else {
        Zoom(delta / 120.0f);
    }
}

void CSpacePainter::BuildOverlay() {
    if (m_renderCount >= 1000) {
        m_renderSum = m_renderCount = 0;
    } else if (m_renderCount >= 30) {
        m_renderShown = static_cast<int>(static_cast<double>(m_renderSum) / m_renderCount + 0.5);
        m_renderSum = m_renderCount = 0;
    }
    // Values that print as zero print without a minus sign.
    auto shown = [](float v) { return std::fabs(v) < 0.05f ? 0.0f : v; };
    m_overlay.Format("World: %4.0f\xB0, %4.0f\xB0\n"
                     "View: %4.0f\xB0, %4.0f\xB0, %4.0f\n"
                     "Look at: %5.1f, %5.1f, %5.1f\n"
                     "Eye: %5.1f, %5.1f, %5.1f\n"
                     "Light: % 4.0f\xB0, % 4.0f\xB0 (%5.1f, %5.1f, %5.1f)\n"
                     "Prim: %d, RenderTime=%3d ms\n",
                     m_worldAngles[0], m_worldAngles[1], m_azimuth, m_polar, m_distance,
                     shown(m_lookAt.x), shown(m_lookAt.y), shown(m_lookAt.z), shown(m_viewEye.x),
                     shown(m_viewEye.y), shown(m_viewEye.z), m_lightAzimuth, m_lightElevation,
                     shown(m_lightDirection.x), shown(m_lightDirection.y),
                     shown(m_lightDirection.z), CountTriangles(), m_renderShown);
}

bool CSpacePainter::DrawOverlay() {
    BuildOverlay();
    if (!m_device->BeginText())
        return Fail("%s", m_device->GetError().GetText());
    const bool drawn = m_device->DrawText(3, 3, m_overlay);
    m_device->EndText();
    if (!drawn)
        return Fail("%s", m_device->GetError().GetText());
    return true;
}

bool CSpacePainter::RenderFrame(bool force) {
    if (!m_visible || (!m_changed && !force) || !m_device)
        return true;
    const auto start = std::chrono::steady_clock::now();
    bool lost = false;
    if (!m_device->CheckDevice(lost)) {
        // Between contexts nothing can be drawn; the frame waits for the device.
        if (lost && m_device->GetError().IsEmpty())
            return true;
        return Fail("%s", m_device->GetError().GetText());
    }
    if (!m_buffer && !SetPicture(0))
        return false;
    m_device->SetView(m_view);
    m_device->SetProjection(m_projection);
    m_device->SetWireframe(m_wireframe);
    if (!m_device->Clear(0xFF000000, 1.0f))
        return Fail("%s", m_device->GetError().GetText());
    if (!m_device->BeginScene())
        return Fail("%s", m_device->GetError().GetText());
    if (!m_device->SetWorld(MATRIX(1.0f)))
        return Fail("Can't reset Transform: %s", m_device->GetError().GetText());
    bool ok = true;
    if (m_showAxes && m_axes && !m_axes->Render())
        ok = Fail("%s", m_axes->GetError().GetText());
    for (CPrimitive* primitive : m_primitives)
        if (ok && !primitive->Render())
            ok = Fail("%s", primitive->GetError().GetText());
    if (ok && m_showOverlay)
        ok = DrawOverlay();
    if (!m_device->EndScene())
        return Fail("%s", m_device->GetError().GetText());
    if (!ok)
        return false;
    if (!m_device->Present())
        return Fail("%s", m_device->GetError().GetText());
    m_changed = false;
    ++m_frames;
    m_renderSum += static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now() - start)
                                        .count());
    ++m_renderCount;
    return true;
}
