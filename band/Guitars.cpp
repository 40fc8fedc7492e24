#include "band/Guitars.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>

#include "band/Band.h"
#include "theory/Chord.h"
#include "theory/NoteManager.h"

namespace {

constexpr uint32_t kColors[CGuitars::COLOR_COUNT] = {
    0xFFC08000, // frets
    0xFFFFFFFF, // position dots
    0xFFC08040, // fingerboard
    0xFFC0C000, // neck back
    0xFFFFFFC8, // nut
    0xFFC8C8C8, // strings
    0xFFC0C0C0, // second nut piece, tuners
    0xFFC06000, // head
    0xFFC06000, // body
    0xFFFF8000, // body, second colour
    0xFF000080, // fret numbers and note names
    0xFF40FF40, // note marks
    0xFF808080, // pickups, knobs, bridge
};

constexpr float kFretNumberHeight = 0.6f;
constexpr float kNameHeight = 0.8f * kFretNumberHeight;
constexpr float kMarkRadius = 0.3f;
// The body's face lies this far behind the fingerboard's face.
constexpr float kBodyTop = 1.0f;
constexpr float kBodyThickness = 4.5f;

// A flat disk facing along normal, from a surface of two rings (the inner one a point).
bool Disk(CPrimitive& part, const VEC3& centre, const VEC3& normal, float radius, int segments,
          int color) {
    const VEC3 n = Vec3Normalize(normal);
    const VEC3 e1 = Vec3Perpendicular(n), e2 = glm::cross(e1, n);
    std::vector<VEC3> points;
    for (int row = 0; row < 2; ++row)
        for (int k = 0; k <= segments; ++k) {
            const float a = 2.0f * 3.14159265f * k / segments;
            const float r = row == 0 ? radius * 1e-3f : radius;
            points.push_back(centre + r * (std::cos(a) * e1 + std::sin(a) * e2));
        }
    return part.Surface(points, 2, segments + 1, color);
}

// The closed outline through the control points (x, y), sampled smoothly.
bool Outline(CPrimitive& part, const std::vector<glm::vec2>& control, float scale, float dy,
             CONTOURS& contours) {
    std::vector<VEC3> points, sampled;
    for (const glm::vec2& p : control)
        points.emplace_back(p.x * scale, p.y * scale + dy, 0.0f);
    if (!part.Curve(points, {}, 10, true, sampled))
        return false;
    std::vector<glm::vec2> contour;
    for (size_t i = 0; i + 1 < sampled.size(); ++i)
        contour.emplace_back(sampled[i].x, sampled[i].y);
    contours = {contour};
    return true;
}

// Electric guitar body outline (cm, guitar space, y = 0 at the neck joint): two horns, the
// treble one shorter, around a neck pocket, a waist and a round lower bout.
const std::vector<glm::vec2> kBodyOutline = {
    {3.0f, 6.0f},     {5.0f, 8.0f},     {7.5f, 10.5f},    {9.8f, 9.5f},    {11.2f, 5.0f},
    {12.3f, 0.0f},    {12.0f, -4.5f},   {13.8f, -10.5f},  {16.2f, -17.0f}, {16.4f, -24.0f},
    {14.0f, -29.8f},  {8.0f, -33.4f},   {0.0f, -34.4f},   {-8.0f, -33.4f}, {-14.0f, -29.8f},
    {-16.4f, -24.0f}, {-16.2f, -17.0f}, {-13.6f, -10.0f}, {-12.0f, -3.5f}, {-12.6f, 3.0f},
    {-11.8f, 9.5f},   {-9.6f, 13.5f},   {-7.0f, 12.8f},   {-5.2f, 8.5f},   {-3.0f, 6.0f}};

// Head outlines from the nut up (x, y): a paddle flaring toward the treble side.
const std::vector<glm::vec2> kGuitarHead = {
    {2.2f, 0.0f},  {2.5f, 4.0f},   {3.6f, 9.0f},   {4.5f, 13.5f}, {4.1f, 17.0f}, {2.4f, 18.8f},
    {0.0f, 19.2f}, {-2.4f, 18.2f}, {-3.2f, 15.0f}, {-3.0f, 9.5f}, {-2.6f, 4.5f}, {-2.2f, 0.0f}};
const std::vector<glm::vec2> kBassHead = {
    {2.1f, 0.0f},  {2.6f, 5.0f},   {4.0f, 11.0f},  {5.2f, 17.5f},  {4.8f, 22.0f}, {2.6f, 24.2f},
    {0.0f, 24.6f}, {-2.6f, 23.4f}, {-3.4f, 19.0f}, {-3.2f, 11.0f}, {-2.6f, 5.0f}, {-2.1f, 0.0f}};

} // namespace

// ---------------------------------------------------------------------------------- string

CGuitarString::CGuitarString(CRenderDevice* device, CVertexBuffer* buffer, const char* name)
    : CPrimitive(device, buffer, name) {}

bool CGuitarString::Build(const VEC3& nutEnd, const VEC3& bridgeEnd, float diameter) {
    m_diameter = diameter;
    const VEC3 points[2] = {nutEnd, bridgeEnd};
    return Wire(points, diameter / 2.0f, 4);
}

// ---------------------------------------------------------------------------------- texts

bool CTextShapes::Place(CPrimitive& part, const char* text, float height, int color) {
    CCharString key;
    key.Format("%s/%g/%d", text, height, color);
    auto found = m_built.find(key.GetText());
    if (found != m_built.end() && found->second->GetVertexBuffer() == part.GetVertexBuffer())
        return part.ShareGeometry(*found->second);
    if (!part.Text(text, height, color))
        return false;
    m_built[key.GetText()] = &part;
    return true;
}

// ---------------------------------------------------------------------------------- guitar

CGuitars::CGuitars(CRenderDevice* device, CVertexBuffer* buffer, const char* name,
                   CNoteManager* notes)
    : CPrimitive(device, buffer, name), m_notes(notes) {
    for (int i = 0; i < COLOR_COUNT; ++i)
        SetColor(i, kColors[i]);
}

CGuitars::~CGuitars() = default;

float CGuitars::Width(float y) const {
    return m_size.widthBody - (y / m_size.neck) * (m_size.widthBody - m_size.widthNut);
}

float CGuitars::NeckThickness(float y) const {
    return m_size.neckBody - (y / m_size.neck) * (m_size.neckBody - m_size.neckNut);
}

// Spreads and heights run from the bridge (t = 0) to the nut (t = 1).
float CGuitars::Spread(float y) const {
    const float t = (m_size.scale - m_size.neck + y) / m_size.scale;
    return m_size.spreadBridge - t * (m_size.spreadBridge - m_size.spreadNut);
}

float CGuitars::Height(float y) const {
    const float t = (m_size.scale - m_size.neck + y) / m_size.scale;
    return m_size.heightBridge - t * (m_size.heightBridge - m_size.heightNut);
}

float CGuitars::Diameter(int string) const {
    return m_size.diameterFirst +
           (m_size.diameterLast - m_size.diameterFirst) * string / (m_size.strings - 1);
}

float CGuitars::StringX(int string, float y) const {
    const float s = Spread(y);
    return s / 2.0f - string * s / (m_size.strings - 1);
}

CPrimitive* CGuitars::GetMark(int string, int fret) const {
    if (string < 1 || string > kStrings || fret < 0 || fret >= kMarkFrets)
        return nullptr;
    return m_marks[string - 1][fret];
}

CPrimitive* CGuitars::GetNoteName(int string, int fret) const {
    if (string < 1 || string > kStrings || fret < 0 || fret >= kMarkFrets)
        return nullptr;
    return m_names[string - 1][fret];
}

bool CGuitars::Build(THING kind, int variant, CTextShapes* texts) {
    (void)variant;
    SIZE size;
    if (kind == THING_BASS_GUITAR) {
        size.strings = 4;
        size.scale = 86.0f;
        size.neck = 63.0f;
        size.widthNut = 4.1f;
        size.widthBody = 6.1f;
        size.spreadNut = 3.4f;
        size.spreadBridge = 5.7f;
        size.diameterFirst = 0.1f;
        size.diameterLast = 0.2f;
        size.neckBody = 2.4f;
        size.nutDepth = 0.4f;
    } else if (kind != THING_RHYTHM_GUITAR && kind != THING_LEAD_GUITAR) {
        return Fail("Can't build a guitar of kind %d (%s)", kind, GetThingName(kind));
    }
    m_kind = kind;
    m_size = size;
    if (!texts) {
        m_ownTexts = std::make_unique<CTextShapes>();
        texts = m_ownTexts.get();
    }
    m_texts = texts;

    CNoteList tuning;
    if (!m_notes || !m_notes->GetTuning(
                        kind == THING_BASS_GUITAR ? INSTRUMENT_BASS : INSTRUMENT_GUITAR, tuning))
        return Fail("Can't get the tuning: %s",
                    m_notes ? m_notes->GetErrorText().GetText() : "no note manager");
    for (int i = 0; i < m_size.strings && i < tuning.GetCount(); ++i)
        m_openMidi[i] = tuning[i].m_midi;

    const float L = m_size.scale, N = m_size.neck;
    for (int f = 0; f <= kComputedFrets + 1; ++f)
        m_fretY[f] = L / 4.0f * std::pow(2.0f, (24 - f) / 12.0f) + (N - L);

    if (!BuildNeck() || !BuildStrings() || !BuildFrets() || !BuildNut())
        return false;

    // Picking points a tenth of the scale from the bridge: over each string, and half a string
    // spacing to either side of it, as far out of the face.
    const float yp = N - 0.9f * L, s = Spread(yp);
    const float half = s / (m_size.strings - 1) / 2.0f, b = m_size.board;
    for (int i = 0; i < m_size.strings; ++i) {
        const float x = StringX(i, yp);
        m_picking[0][i] = VEC3(x, yp, -b);
        m_picking[1][i] = VEC3(x - half, yp, -b - half);
        m_picking[2][i] = VEC3(x + half, yp, -b - half);
    }

    if (!BuildMarksAndNames() || !BuildHead() || !BuildBody())
        return false;
    TrackTables();
    return true;
}

bool CGuitars::BuildNeck() {
    const float N = m_size.neck, b = m_size.board;
    CPrimitive* part = nullptr;
    // The back of the neck: a half-round profile whose width and depth follow the board, from
    // inside the body's neck pocket up to the nut.
    std::vector<VEC3> profile;
    const VEC3 control[3] = {{-1, 0, 0}, {0, 0, 1}, {1, 0, 0}};
    const VEC3 tangents[3] = {{0, 0, 1.6f}, {1.6f, 0, 0}, {0, 0, -1.6f}};
    if (!Curve(control, tangents, 10, false, profile))
        return false;
    if (!AddPart(*this, "Neck back", part, [&](CPrimitive& p) {
            std::vector<VEC3> grid;
            const int rows = 12;
            for (int r = 0; r < rows; ++r) {
                const float y = -6.0f + (N + m_size.nutDepth + 6.0f) * r / (rows - 1);
                for (const VEC3& c : profile)
                    grid.emplace_back(c.x * Width(y) / 2.0f, y, c.z * NeckThickness(y));
            }
            return p.Surface(grid, rows, static_cast<int>(profile.size()), COLOR_NECK);
        }))
        return FailFrom(*part);

    // The fingerboard: a slab from y = 0 to the nut, its face b in front of the neck.
    if (!AddPart(*this, "Fingerboard", part, [&](CPrimitive& p) {
            const CONTOURS outline = {
                {{-Width(0) / 2, 0}, {Width(0) / 2, 0}, {Width(N) / 2, N}, {-Width(N) / 2, N}}};
            return p.Extrude(outline, 1.0f, b, COLOR_BOARD) && p.Translate(0, 0, -b);
        }))
        return FailFrom(*part);
    if (CRenderDevice* device = GetDevice()) {
        part->SetTexture(device->CreateTexture(TEXTURE_WOOD, 256, 256, kColors[COLOR_BOARD]));
        part->SetWrap(true);
    }
    return true;
}

bool CGuitars::BuildStrings() {
    const float N = m_size.neck, L = m_size.scale, b = m_size.board;
    for (int i = 0; i < m_size.strings; ++i) {
        CCharString name;
        name.Format("String %d", i + 1);
        auto* string = new CGuitarString(GetDevice(), GetVertexBuffer(), name.GetText());
        AddChild(string);
        string->SetColor(0, kColors[COLOR_STRING]);
        const float r = Diameter(i);
        const float nutX = m_size.spreadNut / 2 - i * m_size.spreadNut / (m_size.strings - 1);
        const float bridgeX =
            m_size.spreadBridge / 2 - i * m_size.spreadBridge / (m_size.strings - 1);
        if (!string->Build(VEC3(nutX, N, -(m_size.heightNut + b) - r / 2),
                           VEC3(bridgeX, N - L, -(m_size.heightBridge + b) - r / 2), r))
            return FailFrom(*string);
        m_strings[i] = string;
    }
    return true;
}

bool CGuitars::BuildFrets() {
    const float b = m_size.board;
    // A part's geometry must be one stretch of the buffer, so frets, dots and numbers are each
    // built in a pass of their own.
    CPrimitive* part = nullptr;
    if (!AddPart(*this, "Frets", part, [&](CPrimitive& p) {
            for (int f = kBuiltFrets; f >= 1; --f) {
                const float y = m_fretY[f], w = Width(y);
                const VEC3 ends[2] = {{-w / 2, y, -b}, {w / 2, y, -b}};
                if (!p.Wire(ends, 0.07f, 6, COLOR_FRET))
                    return false;
            }
            return true;
        }))
        return FailFrom(*part);
    // Dots in the middle of the fret's space (toward the nut), one or at the twelfth two, each
    // with a small one on the edge of the board that faces the player.
    if (!AddPart(*this, "Dots", part, [&](CPrimitive& p) {
            for (int f : {19, 17, 15, 12, 9, 7, 5, 3}) {
                const int count = f == 12 ? 2 : 1;
                const float centre = m_fretY[f] + 0.5f * (m_fretY[f] - m_fretY[f + 1]);
                for (int k = 0; k < count; ++k) {
                    const float side = count == 2 ? (k == 0 ? -1.0f : 1.0f) : 0.0f;
                    const float x = side * Spread(centre) / 4.0f, sideY = centre + side * 0.4f;
                    if (!Disk(p, VEC3(x, centre, -b - 0.005f), VEC3(0, 0, -1), 0.3f, 8,
                              COLOR_DOT) ||
                        !Disk(p, VEC3(-Width(sideY) / 2 - 0.005f, sideY, -b / 2 + 0.2f),
                              VEC3(-1, 0, 0), 0.15f, 8, COLOR_DOT))
                        return false;
                }
            }
            return true;
        }))
        return FailFrom(*part);
    for (int f = kComputedFrets; f >= 0; --f) {
        if (f >= 1 && f <= kBuiltFrets) {
            const float y = m_fretY[f], centre = y + 0.5f * (y - m_fretY[f + 1]);
            CCharString text;
            text.Format("%d", f);
            if (!AddPart(*this, "Fret number", part, [&](CPrimitive& p) {
                    return m_texts->Place(p, text.GetText(), kFretNumberHeight, COLOR_TEXT);
                }))
                return FailFrom(*part);
            // Beside the board's edge, read from the player's side.
            const float width = kFretNumberHeight * 0.6f * text.GetLength();
            if (!part->MoveBy(-Width(y) / 2 - width - 0.2f, centre - kFretNumberHeight / 2, -b))
                return FailFrom(*part);
            m_fretNumbers[f] = part;
        }
        ComputeFretPoints(f);
    }
    return true;
}

void CGuitars::ComputeFretPoints(int f) {
    const float L = m_size.scale, N = m_size.neck, b = m_size.board;
    const float y = m_fretY[f];
    const float t = (L - N + y) / L;
    const float s = m_size.spreadBridge - t * (m_size.spreadBridge - m_size.spreadNut);
    const float h = m_size.heightBridge - t * (m_size.heightBridge - m_size.heightNut);
    const float step = std::fabs(m_fretY[f + 1] - y) / 5.0f;
    for (int i = 0; i < m_size.strings; ++i) {
        const float x = s / 2 - i * s / (m_size.strings - 1);
        const float r = Diameter(i);
        for (int k = 0; k < kPositions; ++k) {
            const float yk = y + (k + 1) * step;
            m_press[i][f][k] = VEC3(x, yk, -0.6f);
            m_touch[i][f][k] = VEC3(x, yk, -(r + b + h + 0.6f));
            m_hover[i][f][k] = VEC3(x + 1.0f, yk, -(1.0f + r + b + h + 0.6f));
        }
        m_stringPoint[i][f] = VEC3(x, y + step, -(r + b + h));
        m_board[i][f] = VEC3(x, y, -b);
    }
    m_thumb[f] = VEC3(s / 2 + 2.0f - 0.4f, y - 0.7f * step, 7.0f);
    m_neckBack[f] = VEC3(0, y, NeckThickness(y) + 0.6f - 0.2f);
}

bool CGuitars::BuildNut() {
    const float N = m_size.neck, b = m_size.board, w = m_size.widthNut;
    const float top = b + m_size.heightNut + m_size.diameterLast + 0.05f;
    CPrimitive* part = nullptr;
    // Side profile (out of the face, along the neck), rounded on top, extruded across the neck.
    if (!AddPart(*this, "Nut", part, [&](CPrimitive& p) {
            const float d = m_size.nutDepth;
            const std::vector<glm::vec2> control = {{-0.5f, N},
                                                    {top - 0.05f, N},
                                                    {top, N + d * 0.5f},
                                                    {top - 0.05f, N + d},
                                                    {-0.5f, N + d}};
            std::vector<VEC3> points, sampled;
            for (const glm::vec2& c : control)
                points.emplace_back(c.x, c.y, 0.0f);
            if (!p.Curve(points, {}, 10, true, sampled))
                return false;
            std::vector<glm::vec2> contour;
            for (size_t i = 0; i + 1 < sampled.size(); ++i)
                contour.emplace_back(sampled[i].x, sampled[i].y);
            return p.Extrude({contour}, 1.0f, w, COLOR_NUT) && p.RotateGeometryXYZ(0, 90, 0) &&
                   p.Translate(-w / 2, 0, 0);
        }))
        return FailFrom(*part);
    // The string tree that holds the first strings down behind the nut.
    if (!AddPart(*this, "Second nut", part, [&](CPrimitive& p) {
            const float y = N + m_size.nutDepth + (m_kind == THING_BASS_GUITAR ? 7.0f : 5.0f);
            const VEC3 ends[2] = {{m_size.spreadNut / 2 + 0.3f, y, -0.35f},
                                  {m_size.spreadNut / 2 - 1.4f, y, -0.35f}};
            return p.Wire(ends, 0.18f, 6, COLOR_NUT_2);
        }))
        return FailFrom(*part);
    return true;
}

bool CGuitars::BuildMarksAndNames() {
    const float b = m_size.board;
    for (int i = 0; i < m_size.strings; ++i) {
        for (int f = 0; f <= kBuiltFrets; ++f) {
            // In the middle of the fret's space, on the string; above the nut for open strings.
            const float y = f == 0 ? m_size.neck + 1.0f : (m_fretY[f] + m_fretY[f - 1]) / 2.0f;
            const float z = -(Diameter(i) + b + Height(y));
            const VEC3 at(StringX(i, y), y, z);
            // A colour of its own: the animation lights it.
            auto* mark = new CPrimitive(GetDevice(), GetVertexBuffer(), "Note mark");
            AddChild(mark);
            mark->SetColor(0, kColors[COLOR_MARK]);
            if (!mark->Sphere(kMarkRadius, 8) || !mark->MoveBy(at.x, at.y, at.z))
                return FailFrom(*mark);
            mark->SetVisible(false);
            m_marks[i][f] = mark;

            const int midi = GetMidi(i, f);
            const char* text = GetSharpName(midi);
            CPrimitive* name = nullptr;
            if (!AddPart(*this, "Note name", name, [&](CPrimitive& p) {
                    return m_texts->Place(p, text, kNameHeight, COLOR_TEXT);
                }))
                return FailFrom(*name);
            const float width = kNameHeight * 0.6f * static_cast<float>(std::strlen(text));
            if (!name->MoveBy(at.x - width / 2, at.y - kNameHeight / 2, at.z - 0.4f))
                return FailFrom(*name);
            name->SetVisible(false);
            m_names[i][f] = name;
        }
    }
    return true;
}

bool CGuitars::BuildHead() {
    const bool bass = m_kind == THING_BASS_GUITAR;
    const float N = m_size.neck, base = N + m_size.nutDepth;
    const MATRIX tilt = MatrixRotationYawPitchRoll(0, 5.0f * kRadiansPerDegree, 0);
    CPrimitive* part = nullptr;
    if (!AddPart(*this, "Head", part, [&](CPrimitive& p) {
            CONTOURS outline;
            return Outline(p, bass ? kBassHead : kGuitarHead, 1.0f, 0.0f, outline) &&
                   p.Extrude(outline, 1.0f, 1.4f, COLOR_HEAD) && p.RotateGeometryXYZ(5, 0, 0) &&
                   p.Translate(0, base, 0);
        }))
        return FailFrom(*part);
    // Tuners in a line on the bass side of the head: a post on the face, a key to the side.
    if (!AddPart(*this, "Tuners", part, [&](CPrimitive& p) {
            const int n = m_size.strings;
            for (int k = 0; k < n; ++k) {
                const float y = (bass ? 5.0f : 4.0f) + k * (bass ? 4.8f : 2.8f);
                const float x = bass ? 1.6f : 1.2f;
                const VEC3 post[2] = {Vec3TransformNormal(VEC3(x, y, 0.0f), tilt),
                                      Vec3TransformNormal(VEC3(x, y, -1.2f), tilt)};
                const VEC3 key[2] = {Vec3TransformNormal(VEC3(x, y, 1.4f), tilt),
                                     Vec3TransformNormal(VEC3(x + 2.5f, y, 1.8f), tilt)};
                VEC3 p0[2] = {post[0] + VEC3(0, base, 0), post[1] + VEC3(0, base, 0)};
                VEC3 p1[2] = {key[0] + VEC3(0, base, 0), key[1] + VEC3(0, base, 0)};
                if (!p.Wire(p0, bass ? 0.4f : 0.3f, 8, COLOR_NUT_2) ||
                    !p.Wire(p1, bass ? 0.6f : 0.45f, 6, COLOR_NUT_2))
                    return false;
            }
            return true;
        }))
        return FailFrom(*part);
    return true;
}

bool CGuitars::BuildBody() {
    const bool bass = m_kind == THING_BASS_GUITAR;
    const float scale = bass ? 1.18f : 1.0f, dy = bass ? -4.0f : 0.0f;
    const float bridgeY = m_size.neck - m_size.scale;
    CPrimitive* part = nullptr;
    if (!AddPart(*this, "Body", part, [&](CPrimitive& p) {
            CONTOURS outline;
            return Outline(p, kBodyOutline, scale, dy, outline) &&
                   p.Extrude(outline, 1.0f, kBodyThickness, COLOR_BODY) &&
                   p.Translate(0, 0, kBodyTop);
        }))
        return FailFrom(*part);
    // The lighter top inside a darker rim.
    if (!AddPart(*this, "Body top", part, [&](CPrimitive& p) {
            std::vector<glm::vec2> inner;
            for (const glm::vec2& c : kBodyOutline)
                inner.push_back(glm::vec2(c.x * 0.9f, (c.y + 12.0f) * 0.92f - 12.0f));
            CONTOURS outline;
            return Outline(p, inner, scale, dy, outline) &&
                   p.Extrude(outline, 1.0f, 0.1f, COLOR_BODY_2) &&
                   p.Translate(0, 0, kBodyTop - 0.03f);
        }))
        return FailFrom(*part);

    // Pickups across the strings, the bridge, and the knobs on the treble side.
    const float pickups[3] = {bass ? -9.0f : -2.5f, bass ? -17.0f : -7.5f, -12.5f};
    const int pickupCount = bass ? 2 : 3;
    for (int k = 0; k < pickupCount; ++k) {
        const float y = pickups[k];
        if (!AddPart(*this, "Pickup", part, [&](CPrimitive& p) {
                return p.BodyBlock(Spread(y) + 1.6f, 3.0f, 1.0f, 8, COLOR_HARDWARE) &&
                       p.Translate(0, y - 1.5f, kBodyTop - 0.5f);
            }))
            return FailFrom(*part);
    }
    if (!AddPart(*this, "Bridge", part, [&](CPrimitive& p) {
            return p.BodyBlock(m_size.spreadBridge + 1.6f, 2.4f, 1.2f, 8, COLOR_NUT_2) &&
                   p.Translate(0, bridgeY - 1.0f, kBodyTop - 0.6f);
        }))
        return FailFrom(*part);
    if (!AddPart(*this, "Knobs", part, [&](CPrimitive& p) {
            const glm::vec2 knobs[3] = {{9.5f, -21.0f}, {11.0f, -25.0f}, {11.5f, -29.0f}};
            for (int k = 0; k < (bass ? 2 : 3); ++k) {
                const glm::vec2 at(knobs[k].x * scale, knobs[k].y * scale + dy);
                const VEC3 ends[2] = {{at.x, at.y, kBodyTop}, {at.x, at.y, kBodyTop - 1.5f}};
                if (!p.Wire(ends, 0.9f, 8, COLOR_HARDWARE))
                    return false;
            }
            return true;
        }))
        return FailFrom(*part);
    return true;
}

void CGuitars::TrackTables() {
    m_reference[REF_ORIGIN] = VEC3(0, 0, 0);
    m_reference[REF_NECK] = VEC3(0, 1, 0);
    m_reference[REF_FACE] = VEC3(0, 0, -1);
    m_reference[REF_ACROSS] = VEC3(-1, 0, 0);
    m_reference[REF_PICK] = VEC3(0.5f, 1, 0);
    m_reference[REF_NECK_20] = VEC3(0, 20, 0);
    m_reference[REF_FAR] = VEC3(-120, 0, -60);
    for (int i = 0; i < m_size.strings; ++i) {
        for (int f = 0; f <= kComputedFrets; ++f) {
            TrackPoints(m_press[i][f], kPositions);
            TrackPoints(m_touch[i][f], kPositions);
            TrackPoints(m_hover[i][f], kPositions);
        }
        TrackPoints(m_stringPoint[i], kComputedFrets + 1);
        TrackPoints(m_board[i], kComputedFrets + 1);
    }
    TrackPoints(m_thumb, kComputedFrets + 1);
    TrackPoints(m_neckBack, kComputedFrets + 1);
    for (auto& table : m_picking)
        TrackPoints(table, m_size.strings);
    TrackPoints(m_reference, 7);
}

void CGuitars::GetFretFrame(int firstFret, int lastFret, VEC3& eye, VEC3& lookAt, VEC3& up) const {
    firstFret = std::clamp(firstFret, 0, kComputedFrets);
    lastFret = std::clamp(lastFret, 0, kComputedFrets);
    float d = 15.0f * GetScaleFactor();
    const int span = lastFret - firstFret;
    if (span >= 16)
        d *= 3.0f;
    else if (span >= 11)
        d *= 2.1f;
    if (m_kind == THING_BASS_GUITAR)
        d *= 1.3f;
    lookAt = (m_press[2][firstFret][0] + m_press[2][lastFret][0]) / 2.0f;
    const VEC3 face = Vec3Normalize(m_reference[REF_FACE] - m_reference[REF_ORIGIN]);
    const VEC3 neck = Vec3Normalize(m_reference[REF_NECK] - m_reference[REF_ORIGIN]);
    eye = lookAt + 1.2f * d * face + d * neck;
    up = neck;
}

void CGuitars::HideMarks() {
    for (auto& row : m_marks)
        for (CPrimitive* mark : row)
            if (mark)
                mark->SetVisible(false);
}

void CGuitars::ShowNames(bool show) {
    for (auto& row : m_names)
        for (CPrimitive* name : row)
            if (name)
                name->SetVisible(show);
    for (CPrimitive* number : m_fretNumbers)
        if (number)
            number->SetVisible(show);
}

bool CGuitars::ShowNoteMarks(const CNoteList& notes, bool onlySounding) {
    HideMarks();
    for (const CNote& note : notes) {
        if (note.m_thing != m_kind)
            continue;
        const FRET_SLOT& slot = note.Position();
        if (slot.string == INT_NOT_SET || slot.fret == INT_NOT_SET)
            continue;
        if (onlySounding && (!note.HasDuration() || note.m_duration <= 0.0))
            continue;
        if (slot.string < 1 || slot.string > kStrings || slot.fret < 0 || slot.fret >= kMarkFrets)
            return Fail("Can't mark string %d, fret %d", slot.string, slot.fret);
        if (CPrimitive* mark = GetMark(slot.string, slot.fret))
            mark->SetVisible(true);
    }
    return true;
}

bool CGuitars::ShowPitchMarks(const CNoteList& notes) {
    HideMarks();
    bool classes[12] = {};
    for (const CNote& note : notes)
        if (note.HasPitch())
            classes[note.m_midi % 12] = true;
    for (int i = 0; i < m_size.strings; ++i)
        for (int f = 0; f < kMarkFrets; ++f)
            if (m_marks[i][f] && classes[GetMidi(i, f) % 12])
                m_marks[i][f]->SetVisible(true);
    return true;
}

bool CGuitars::ShowNoteNames(const CNoteList& notes) {
    ShowNames(false);
    for (CPrimitive* number : m_fretNumbers)
        if (number)
            number->SetVisible(true);
    std::set<int> pitches;
    for (const CNote& note : notes)
        if (note.HasPitch())
            pitches.insert(note.m_midi);
    for (int i = 0; i < m_size.strings; ++i)
        for (int f = 0; f < kMarkFrets; ++f)
            if (m_names[i][f] && pitches.count(GetMidi(i, f)))
                m_names[i][f]->SetVisible(true);
    return true;
}

// ---------------------------------------------------------------------------------- playing

namespace {

constexpr uint32_t kMarkLit = 0xFFFF0000;
// Finger numbers of the left hand, index finger 1 to little finger 4.
constexpr int kFirstFinger = 1, kLastFinger = 4;

} // namespace

CHuman* CGuitars::GetHuman() const {
    return m_player ? m_player->GetHuman() : nullptr;
}

bool CGuitars::ResetMarks() {
    for (auto& row : m_marks)
        for (CPrimitive* mark : row)
            if (mark && !mark->SetColors({kColors[COLOR_MARK]}))
                return FailFrom(*mark);
    return true;
}

bool CGuitars::HandToFret(int fret, int string) {
    CHuman* human = GetHuman();
    if (!human || fret < 0 || fret > kMarkFrets - 1)
        return true;
    fret = std::min(fret, kComputedFrets);
    string = std::clamp(string, 0, m_size.strings - 1);
    const VEC3 origin = m_reference[REF_ORIGIN];
    const VEC3 neck = m_reference[REF_NECK] - origin;
    const VEC3 across = m_reference[REF_ACROSS] - origin;
    const VEC3 direction =
        Vec3TransformNormal(across, MatrixRotationAxis(neck, -90.0f * kRadiansPerDegree));
    // Toward the first string, the further the higher the hand's string.
    const VEC3 toFirst = -Vec3Normalize(across);
    VEC3 target = m_thumb[fret];
    auto at = [&](int s) { return m_press[s][fret][0]; };
    if (m_kind == THING_LEAD_GUITAR && string <= 2)
        target += toFirst * glm::distance(at(string), at(3));
    else if (m_kind == THING_BASS_GUITAR && string <= 1)
        target += toFirst * glm::distance(at(string), at(2));
    else if (m_kind == THING_RHYTHM_GUITAR)
        target += toFirst * (0.5f * GetScaleFactor()) + (at(std::max(string - 1, 0)) - at(5));
    if (!human->ReachHand(THING_LEFT_HAND, target, direction, -25.0f))
        return true; // out of reach: the hand stays
    human->ReachFinger(THING_LEFT_HAND, 0,
                       m_neckBack[fret] + 3.0f * GetScaleFactor() * Vec3Normalize(neck), false);
    return true;
}

void CGuitars::HoverFingers(int except) {
    CHuman* human = GetHuman();
    if (!human)
        return;
    for (int k = kFirstFinger; k <= kLastFinger; ++k) {
        const int fret = m_handFret + k - 2;
        if (k == except || fret < 0 || fret > kComputedFrets)
            continue;
        human->ReachFinger(THING_LEFT_HAND, k, m_hover[m_handString][fret][0], false);
    }
}

void CGuitars::Pick(int table, int string) {
    CHuman* human = GetHuman();
    if (!human)
        return;
    string = std::clamp(string, 0, m_size.strings - 1);
    const VEC3 point = m_picking[table][string];
    const VEC3 direction = m_reference[REF_PICK] - m_reference[REF_ORIGIN];
    // The pick's tip, not the wrist, goes onto the point. The hand is always turned the same
    // way to pick, so the tip's offset from the wrist is found once (again when the guitar
    // turns).
    CHand* hand = human->GetHand(THING_RIGHT_HAND);
    if (direction != m_pickDirection) {
        if (!human->ReachHand(THING_RIGHT_HAND, point, direction, -90.0f))
            return;
        m_pickOffset = hand->GetPosition() - hand->GetItemTip();
        m_pickDirection = direction;
    }
    human->ReachHand(THING_RIGHT_HAND, point + m_pickOffset, direction, -90.0f);
}

bool CGuitars::LightMark(int string, int fret, bool on, double time,
                         CVarList<ANIMATION_POINT>* keys) {
    CPrimitive* mark = GetMark(string, fret);
    if (!mark)
        return true;
    if (!mark->SetColors({on ? kMarkLit : kColors[COLOR_MARK]}))
        return FailFrom(*mark);
    return mark->Record(time, keys, false, true);
}

bool CGuitars::RecordPlayer(double time, CVarList<ANIMATION_POINT>* keys) {
    // Only the arms move: the rest of the figure (this guitar with its hundreds of marks and
    // names among it) is not walked for every note.
    CHuman* human = GetHuman();
    if (!human)
        return true;
    for (THING hand : {THING_LEFT_HAND, THING_RIGHT_HAND}) {
        CArm* arm = human->GetArm(hand);
        if (!arm->Record(time, keys, true, false))
            return FailFrom(*arm);
    }
    return true;
}

bool CGuitars::PlayNote(const CNote& note, CVarList<ANIMATION_POINT>* keys) {
    CHuman* human = GetHuman();
    if (!human)
        return Fail("The %s has no player", GetName());
    const int mode = note.Position().mode;
    if (note.m_chordType != 0 && note.m_chordRoot != MIDI_NO_PITCH) {
        // A strum: the chord's shape, fetched once for a run of notes of the same chord.
        if (!m_chord || m_chord->m_chordType != note.m_chordType ||
            m_chord->GetSoundingRoot() != note.m_chordRoot) {
            m_chord = std::make_unique<CChord>();
            m_chord->m_thing = m_kind;
            if (!m_notes->SetChordOnRoot(note.m_chordType, note.m_chordRoot, *m_chord) &&
                !m_notes->SetChordOnRoot(note.m_chordType, note.m_chordRoot + 12, *m_chord))
                m_chord->m_notes.RemoveAll();
            m_chord->m_chordType = note.m_chordType;
            m_chord->m_root.m_midi = note.m_chordRoot;
        }
        return PlayChord(*m_chord, note.m_volume, mode, note.m_time, keys) &&
               (m_played.Add(note), true);
    }
    const FRET_SLOT& slot = note.Position();
    if (slot.string == INT_NOT_SET || slot.fret == INT_NOT_SET)
        return true;
    if (slot.string < 1 || slot.string > m_size.strings || slot.fret < 0 || slot.fret >= kMarkFrets)
        return Fail("Can't play string %d, fret %d", slot.string, slot.fret);
    const int fret = slot.fret;
    int finger = slot.finger;
    if (fret < 4 && finger != INT_NOT_SET && finger > fret)
        finger = fret;
    const bool fingered = fret > 0 && finger >= kFirstFinger && finger <= kLastFinger;
    if (fingered) {
        m_handString = slot.string - 1;
        m_handFret = fret - finger + 2;
    }
    HandToFret(m_handFret, m_handString);
    if (fingered && fret <= kComputedFrets) {
        const int position = slot.aux >= 0 && slot.aux < kPositions ? slot.aux : 0;
        const VEC3& target = note.m_volume > 0.0f ? m_press[slot.string - 1][fret][position]
                                                  : m_touch[slot.string - 1][fret][position];
        human->ReachFinger(THING_LEFT_HAND, finger, target, false);
    }
    HoverFingers(fingered ? finger : 0);
    if (!LightMark(slot.string, fret, note.m_volume > 0.0f, note.m_time, keys))
        return false;
    if (mode & (FRET_MODE_START | FRET_MODE_END)) {
        const bool up = (mode & FRET_MODE_UP) != 0, start = (mode & FRET_MODE_START) != 0;
        Pick(start != up ? 1 : 2, slot.string - 1);
    }
    m_played.Add(note);
    return RecordPlayer(note.m_time, keys);
}

bool CGuitars::PlayChord(const CChord& chord, float volume, int mode, double time,
                         CVarList<ANIMATION_POINT>* keys) {
    CHuman* human = GetHuman();
    if (!human)
        return Fail("The %s has no player", GetName());
    // The hand at the barre's fret (the barre note on the highest string), else in the middle
    // of the shape's frets.
    int lowest = INT_NOT_SET, highest = 0, barreFret = INT_NOT_SET, barreString = 0;
    int handString = 0;
    for (const CNote& n : chord.m_notes) {
        const FRET_SLOT& s = n.Position();
        if (s.string == INT_NOT_SET || s.fret == INT_NOT_SET || s.string < 1 ||
            s.string > m_size.strings || !n.HasPitch())
            continue;
        handString = std::max(handString, s.string - 1);
        if (s.fret > 0) {
            lowest = std::min(lowest, s.fret);
            highest = std::max(highest, s.fret);
        }
        if ((s.mode & FRET_MODE_BARRE) && s.string - 1 >= barreString) {
            barreFret = s.fret;
            barreString = s.string - 1;
        }
    }
    if (lowest != INT_NOT_SET) {
        m_handFret = barreFret != INT_NOT_SET ? barreFret : lowest + (highest - lowest) / 2;
        m_handString = barreFret != INT_NOT_SET ? barreString : handString;
        HandToFret(m_handFret, m_handString);
    }
    int used = 0;
    for (const CNote& n : chord.m_notes) {
        const FRET_SLOT& s = n.Position();
        if (s.string == INT_NOT_SET || s.fret == INT_NOT_SET || s.string < 1 ||
            s.string > m_size.strings || !n.HasPitch())
            continue;
        if (!LightMark(s.string, s.fret, volume > 0.0f, time, keys))
            return false;
        if (s.fret > 0 && s.fret <= kComputedFrets && s.finger >= kFirstFinger &&
            s.finger <= kLastFinger && !(used & (1 << s.finger))) {
            const int position = s.aux >= 0 && s.aux < kPositions ? s.aux : 0;
            human->ReachFinger(THING_LEFT_HAND, s.finger,
                               volume > 0.0f ? m_press[s.string - 1][s.fret][position]
                                             : m_touch[s.string - 1][s.fret][position],
                               false);
            used |= 1 << s.finger;
        }
    }
    for (int k = kFirstFinger; k <= kLastFinger; ++k) {
        const int fret = m_handFret + k - 2;
        if (!(used & (1 << k)) && fret >= 0 && fret <= kComputedFrets)
            human->ReachFinger(THING_LEFT_HAND, k, m_hover[m_handString][fret][0], false);
    }
    // Down strokes run from the last string to the first, up strokes back.
    if (mode & (FRET_MODE_START | FRET_MODE_END)) {
        const bool up = (mode & FRET_MODE_UP) != 0, start = (mode & FRET_MODE_START) != 0;
        if (start != up)
            Pick(1, m_size.strings - 1);
        else
            Pick(2, 0);
    }
    return RecordPlayer(time, keys);
}

bool CGuitars::ResetHand(int fret) {
    m_handString = 3;
    m_handFret = fret + 1;
    HandToFret(m_handFret, m_handString);
    if (CHuman* human = GetHuman())
        human->ReachFinger(THING_LEFT_HAND, 1, m_touch[m_handString][fret][0], false);
    HoverFingers(1);
    Pick(1, m_handString);
    m_played.RemoveAll();
    return true;
}
