#include "band/Animation.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdarg>
#include <map>

#include "band/Band.h"

namespace {

// A part still at rest starts toward its first pose this long before it.
constexpr double kFirstMove = 0.5;
// Drum hits: the stick leaves the head this fraction of the gap to the next hit, at most this.
constexpr double kReboundShare = 1.0 / 2.5, kReboundMost = 0.1;
constexpr double kLeadTime = 0.05;

double WallClock() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool IsDrum(THING thing) {
    return thing >= THING_DRUM_SET && thing <= THING_CHINESE_CYMBAL_2;
}

bool IsGuitar(THING thing) {
    return thing == THING_BASS_GUITAR || thing == THING_RHYTHM_GUITAR || thing == THING_LEAD_GUITAR;
}

CNote Pose(const CNote& note, double time, float volume, int mode) {
    CNote pose(note);
    pose.m_time = time;
    pose.m_volume = volume;
    pose.Position().mode = mode;
    return pose;
}

// Strike (volume 0) at each hit; between hits the stick rebounds from one and is raised for
// the next; after the last a rebound.
void DrumPoses(const std::vector<const CNote*>& hits, CNoteList& poses) {
    for (size_t i = 0; i < hits.size(); ++i) {
        const CNote& b = *hits[i];
        const int mode = b.Position().mode;
        const float volume = b.m_volume > 0.0f ? b.m_volume : 1.0f;
        if (i > 0) {
            const CNote& a = *hits[i - 1];
            const double g = std::min((b.m_time - a.m_time) * kReboundShare, kReboundMost);
            poses.Append(
                Pose(a, a.m_time + g, a.m_volume > 0.0f ? a.m_volume : 1.0f, a.Position().mode));
            poses.Append(Pose(b, b.m_time - g, volume, mode));
        }
        poses.Append(Pose(b, b.m_time, 0.0f, mode));
    }
    if (!hits.empty()) {
        const CNote& last = *hits.back();
        poses.Append(Pose(last, last.m_time + kReboundMost,
                          last.m_volume > 0.0f ? last.m_volume : 1.0f, last.Position().mode));
    }
}

bool SameChord(const CNote& a, const CNote& b) {
    return a.m_chordType == b.m_chordType && a.m_chordRoot == b.m_chordRoot &&
           a.Position().string == b.Position().string && a.Position().fret == b.Position().fret;
}

// Single notes: picked at their start, the pick through the string a moment later, the finger
// held and then lifted to rest on the string just before the next note. Chords: the strum's
// first and last strings, the shape held and released before a different chord.
void GuitarPoses(const std::vector<const CNote*>& notes, CNoteList& poses) {
    const CNote* p = nullptr;
    double d = kLeadTime;
    auto holdAndRelease = [&](const CNote& note, double end) {
        poses.Append(Pose(note, end - 2 * d, note.m_volume, 0));
        poses.Append(Pose(note, end - d, 0.0f, 0));
    };
    for (const CNote* n : notes) {
        const int mode = n->Position().mode;
        if (n->m_chordType == 0) {
            if (p) {
                const double e = std::min(p->GetEndTime(), n->m_time);
                d = std::min(0.25 * (e - p->m_time), kLeadTime);
                poses.Append(Pose(*p, p->m_time + d, p->m_volume,
                                  (p->Position().mode | FRET_MODE_END) & ~FRET_MODE_START));
                if (!(n->m_midi == p->m_midi && n->m_time <= e + d))
                    holdAndRelease(*p, e);
            }
            poses.Append(
                Pose(*n, n->m_time, n->m_volume, (mode | FRET_MODE_START) & ~FRET_MODE_END));
            p = n;
        } else if (mode & FRET_MODE_START) {
            if (p && !(SameChord(*n, *p) && n->m_time <= p->GetEndTime() + d)) {
                d = std::min((p->HasDuration() ? p->m_duration : 0.0) / 3.0, kLeadTime);
                holdAndRelease(*p, p->GetEndTime());
            }
            poses.Append(*n);
        } else if (mode & FRET_MODE_END) {
            poses.Append(*n);
            p = n;
        }
    }
    if (p) {
        poses.Append(Pose(*p, p->GetEndTime() - d, p->m_volume, 0));
        poses.Append(Pose(*p, p->GetEndTime(), 0.0f, 0));
    }
}

// Twist angles wrap: the short way round.
float TwistStep(float from, float to) {
    float step = std::fmod(to - from, 360.0f);
    if (step > 180.0f)
        step -= 360.0f;
    else if (step < -180.0f)
        step += 360.0f;
    return step;
}

bool SamePlace(const TRANSFORM& a, const TRANSFORM& b) {
    return a.position == b.position && a.direction == b.direction && a.twist == b.twist &&
           a.scale == b.scale && a.rest == b.rest;
}

void CollectParts(CPrimitive& part, std::unordered_map<CPrimitive*, TRANSFORM>& parts) {
    parts[&part] = part.GetTransform();
    for (CPrimitive* child : part.GetChildren())
        CollectParts(*child, parts);
}

} // namespace

// ---------------------------------------------------------------------------------- list

CAnimationList::CAnimationList() : CVarList<ANIMATION_FRAME>(kGrowth) {
    SetCount(kCapacity);
    RemoveAll();
}

int CAnimationList::Compare(const ANIMATION_FRAME& a, const ANIMATION_FRAME& b) {
    if (a.time != b.time)
        return a.time < b.time ? -1 : 1;
    return a.order < b.order ? -1 : a.order > b.order ? 1 : 0;
}

bool CAnimationList::IsSorted() const {
    for (size_t i = 1; i < GetCount(); ++i)
        if (Compare((*this)[i], (*this)[i - 1]) < 0)
            return false;
    return true;
}

void CAnimatorThread::OnCommand(int32_t command) {
    if (command == kContinue)
        m_player.Continue(0.0);
}

// ---------------------------------------------------------------------------------- player

CAnimationPlayer::CAnimationPlayer(std::recursive_mutex* sceneLock) : m_lock(sceneLock) {}

CAnimationPlayer::~CAnimationPlayer() {
    if (m_thread)
        m_thread->Stop();
}

bool CAnimationPlayer::Fail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    m_error.FormatV(format, args);
    va_end(args);
    return false;
}

bool CAnimationPlayer::PreparePoses(const CNoteList& notes, CNoteList& poses) {
    poses.RemoveAll();
    std::map<THING, std::vector<const CNote*>> groups;
    for (const CNote& note : notes)
        groups[note.m_thing].push_back(&note);
    for (auto& [thing, group] : groups) {
        std::stable_sort(group.begin(), group.end(),
                         [](const CNote* a, const CNote* b) { return a->m_time < b->m_time; });
        if (IsDrum(thing))
            DrumPoses(group, poses);
        else if (IsGuitar(thing))
            GuitarPoses(group, poses);
        else
            for (const CNote* note : group)
                poses.Append(*note); // the band can't play it: posing stops there
    }
    return poses.Sort(true);
}

bool CAnimationPlayer::Rest() {
    // Replayed frames overwrote the world matrices of the parts that moved, not their
    // transforms. The matrices go back to the transforms before posing (reaching reads them)
    // and again after it, for the parts whose transform was at rest already.
    auto matricesFromTransforms = [this] {
        for (const auto& [part, state] : m_parts)
            if (state.time >= 0.0 && part->IsMatrixSet())
                part->SetWorldMatrix(TransformMatrix(part->GetTransform()));
    };
    matricesFromTransforms();
    if (!m_band->Reset())
        return Fail("Can't reset the band: %s", m_band->GetError().GetText());
    matricesFromTransforms();
    return true;
}

bool CAnimationPlayer::Start(CBand* band, const CNoteList& notes, double timeStep) {
    if (m_thread)
        m_thread->Stop();
    std::lock_guard<std::recursive_mutex> lock(*m_lock);
    if (m_band != band)
        m_parts.clear();
    m_band = band;
    m_timeStep = timeStep;
    m_playing = false;
    m_error.Set("");
    if (!m_band)
        return Fail("No band to animate");
    if (!Rest())
        return false;
    if (!PreparePoses(notes, m_poses))
        return Fail("Can't prepare the poses");
    m_keys.RemoveAll();
    m_frames.RemoveAll();
    m_colorLists.clear();
    // Every part's rest pose, from which it moves to its first key.
    std::unordered_map<CPrimitive*, TRANSFORM> rest;
    CollectParts(*m_band, rest);
    m_parts.clear();
    m_parts.reserve(rest.size());
    for (const auto& [part, transform] : rest)
        m_parts[part].transform = transform;
    m_nextPose = 0;
    m_nextFrame = 0;
    m_finished = false;
    const bool posed = Continue(-1.0);
    // Until their frames take over, the parts show the rest pose again.
    if (!Rest() && posed)
        return false;
    if (!posed)
        return false;
    if (!m_finished) {
        if (!m_thread)
            m_thread = std::make_unique<CAnimatorThread>(*this);
        if (m_thread->Start()) {
            m_thread->SetPriority(-1);
            m_thread->Command(CAnimatorThread::kContinue, false);
        }
    }
    if (m_frames.IsEmpty())
        return Fail("No animation to start");
    m_playing = true;
    m_startTime = WallClock();
    m_nextFrame = 0;
    return true;
}

bool CAnimationPlayer::Stop() {
    if (m_thread)
        m_thread->Stop();
    std::lock_guard<std::recursive_mutex> lock(*m_lock);
    m_playing = false;
    m_frames.RemoveAll();
    m_nextFrame = 0;
    // Also after the last frame was played: the band ends the piece in its last pose.
    return !m_band || Rest();
}

void CAnimationPlayer::Forget() {
    if (m_thread)
        m_thread->Stop();
    std::lock_guard<std::recursive_mutex> lock(*m_lock);
    m_playing = false;
    m_frames.RemoveAll();
    m_parts.clear();
    m_band = nullptr;
}

double CAnimationPlayer::Elapsed() const {
    double seconds = 0.0;
    if (m_clock && m_clock(seconds))
        return seconds;
    return WallClock() - m_startTime;
}

bool CAnimationPlayer::OnTimer(int timer, bool& changed) {
    changed = false;
    if (timer == kContinueTimer) {
        if (!m_finished && m_band && m_thread && m_error.GetLength() == 0)
            m_thread->Command(CAnimatorThread::kContinue, false);
        return true;
    }
    if (timer != kPlayTimer)
        return true;
    std::lock_guard<std::recursive_mutex> lock(*m_lock);
    if (!m_playing)
        return true;
    const double elapsed = Elapsed();
    const size_t count = m_frames.GetCount();
    for (; m_nextFrame < count && m_frames[m_nextFrame].time <= elapsed; ++m_nextFrame) {
        const ANIMATION_FRAME& frame = m_frames[m_nextFrame];
        MATRIX world(1.0f);
        for (int row = 0; row < 4; ++row)
            for (int column = 0; column < 3; ++column)
                MatrixAt(world, row + 1, column + 1) = frame.matrix[row * 3 + column];
        frame.part->SetWorldMatrix(world);
        if (frame.colors >= 0)
            frame.part->SetColors(m_colorLists[frame.colors]);
        changed = true;
    }
    if (m_nextFrame >= count && m_finished) {
        m_playing = false;
        m_frames.RemoveAll();
        m_nextFrame = 0;
    }
    return true;
}

bool CAnimationPlayer::Continue(double window) {
    if (!m_band)
        return Fail("No band to animate");
    if (m_finished)
        return true;
    if (window == 0.0) {
        window = m_timeStep > 0.0 ? m_timeStep : 3.0;
        while (window < 3.0)
            window += m_timeStep;
    }
    const int count = m_poses.GetCount();
    const double first = m_nextPose < count ? m_poses[m_nextPose].m_time : 0.0;
    const size_t before = m_frames.GetCount();
    bool ok = true;
    for (; m_nextPose < count; ++m_nextPose) {
        const CNote& pose = m_poses[m_nextPose];
        if (window > 0.0 && pose.m_time >= first + window)
            break;
        std::lock_guard<std::recursive_mutex> lock(*m_lock);
        m_keys.RemoveAll();
        if (!m_band->PlayNote(pose, &m_keys)) {
            ok = Fail("Can't animate note %d: %s", m_nextPose, m_band->GetError().GetText());
            break;
        }
        AddFrames(m_keys);
    }
    std::lock_guard<std::recursive_mutex> lock(*m_lock);
    m_finished = ok && m_nextPose >= count;
    MergeFrames(before);
    return ok;
}

void CAnimationPlayer::AddFrame(double time, CPrimitive* part, const MATRIX& matrix,
                                int32_t colors) {
    ANIMATION_FRAME frame;
    frame.time = time;
    frame.part = part;
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 3; ++column)
            frame.matrix[row * 3 + column] = MatrixAt(matrix, row + 1, column + 1);
    frame.colors = colors;
    frame.order = static_cast<uint32_t>(m_frames.GetCount());
    m_frames.Add(frame);
}

void CAnimationPlayer::AddFrames(const CVarList<ANIMATION_POINT>& keys) {
    for (const ANIMATION_POINT& key : keys) {
        PART_STATE& state = m_parts[key.part];
        int32_t colors = -1;
        if (key.hasColors) {
            colors = static_cast<int32_t>(m_colorLists.size());
            m_colorLists.push_back(key.colors);
        }
        const TRANSFORM& from = state.transform;
        const double start = state.time < 0.0 ? std::max(0.0, key.time - kFirstMove) : state.time;
        if (!SamePlace(from, key.transform) && key.time > start) {
            // Straight lines at constant speed from the last key to this one, 30 a second.
            const int n = std::max(1, static_cast<int>((key.time - start) * kFramesPerSecond));
            const double dt = (key.time - start) / n;
            const float twist = TwistStep(from.twist, key.transform.twist);
            TRANSFORM t = from;
            for (int i = 1; i < n; ++i) {
                const float s = static_cast<float>(i) / static_cast<float>(n);
                t.position = from.position + s * (key.transform.position - from.position);
                t.direction = from.direction + s * (key.transform.direction - from.direction);
                t.twist = from.twist + s * twist;
                AddFrame(start + i * dt, key.part, TransformMatrix(t), -1);
            }
        }
        AddFrame(key.time, key.part, key.matrix, colors);
        state.transform = key.transform;
        state.time = key.time;
    }
}

void CAnimationPlayer::MergeFrames(size_t from) {
    // The new frames in time order (each frame's order number keeps a part's frames of one time
    // as they were made), then merged with the frames not yet played that they may come before.
    // The sort moves small index records, not the frames.
    const size_t count = m_frames.GetCount();
    struct ENTRY {
        double time;
        uint32_t order;
        uint32_t index;
    };
    std::vector<ENTRY> entries;
    entries.reserve(count - from);
    for (size_t i = from; i < count; ++i)
        entries.push_back({m_frames[i].time, m_frames[i].order, static_cast<uint32_t>(i)});
    std::sort(entries.begin(), entries.end(), [](const ENTRY& a, const ENTRY& b) {
        return a.time != b.time ? a.time < b.time : a.order < b.order;
    });
    m_sorted.clear();
    m_sorted.reserve(count - m_nextFrame);
    size_t old = m_nextFrame;
    for (const ENTRY& e : entries) {
        const ANIMATION_FRAME& frame = m_frames[e.index];
        while (old < from && CAnimationList::Compare(m_frames[old], frame) <= 0)
            m_sorted.push_back(m_frames[old++]);
        m_sorted.push_back(frame);
    }
    while (old < from)
        m_sorted.push_back(m_frames[old++]);
    std::copy(m_sorted.begin(), m_sorted.end(),
              m_frames.begin() + static_cast<std::ptrdiff_t>(m_nextFrame));
}
