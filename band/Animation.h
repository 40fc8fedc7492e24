#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "core/CharString.h"
#include "core/VarList.h"
#include "core/Worker.h"
#include "render/Primitive.h"
#include "theory/NoteList.h"

class CBand;
class CAnimationPlayer;

// One frame of one part: its world matrix at a time (the affine 4 x 3 of it; the last column of
// a world matrix is always 0, 0, 0, 1), with the number of a colour list when its colours change
// then (-1: they don't).
struct ANIMATION_FRAME {
    double time = 0.0;
    CPrimitive* part = nullptr;
    float matrix[12] = {};
    int32_t colors = -1;
    uint32_t order = 0; // the order it was made in, among frames of the same time
};

// The time-ordered frames of an animation.
class CAnimationList : public CVarList<ANIMATION_FRAME> {
public:
    static constexpr size_t kCapacity = 100000;
    static constexpr size_t kGrowth = 30000;
    CAnimationList();
    // Sign of a.time - b.time, frames of the same time in the order they were made.
    static int Compare(const ANIMATION_FRAME& a, const ANIMATION_FRAME& b);
    // No frame earlier than the one before it.
    bool IsSorted() const;
};

// The worker that extends the precomputation in the background: job 1 poses the next window.
class CAnimatorThread : public CWorker {
public:
    static constexpr int kContinue = 1;
    explicit CAnimatorThread(CAnimationPlayer& player) : m_player(player) {}

protected:
    void OnCommand(int32_t command) override;

private:
    CAnimationPlayer& m_player;
};

// Where the replay takes its time from: seconds of the notes played so far (the sound's own
// clock, read from the device's play cursor); false when no sound plays, and the wall clock
// since Start is used instead.
using PLAY_CLOCK = std::function<bool(double& seconds)>;

// The band animator. Start turns every note into poses of the band in advance (posing by
// reaching records a key for each part that moved; the keys of each part are joined by
// straight-line in-between frames at 30 per second), and OnTimer replays the frames that are
// due by copying their matrices into the parts. Posing and replay hold the scene lock, the lock
// the renderer holds while it draws.
class CAnimationPlayer {
public:
    static constexpr double kFramesPerSecond = 30.0;
    // Timer numbers of OnTimer.
    static constexpr int kPlayTimer = 1, kContinueTimer = 3;

    explicit CAnimationPlayer(std::recursive_mutex* sceneLock);
    ~CAnimationPlayer();
    CAnimationPlayer(const CAnimationPlayer&) = delete;
    CAnimationPlayer& operator=(const CAnimationPlayer&) = delete;

    void SetClock(PLAY_CLOCK clock) { m_clock = std::move(clock); }

    // Poses the band (not owned; at rest) for the notes (a copy; seconds from the start) and
    // starts the replay. timeStep: the window of each later step of the precomputation. "No
    // animation to start" when nothing moves.
    bool Start(CBand* band, const CNoteList& notes, double timeStep);
    // Replay off, frames dropped, the band back in its resting pose.
    bool Stop();
    // The band is going away: stops and forgets it.
    void Forget();
    // Timer 1: applies the frames that are due (changed tells whether any was); timer 3: asks
    // the animator thread to go on while poses are missing.
    bool OnTimer(int timer, bool& changed);
    // Poses the next notes, those within `window` seconds of the first of them (0: the time
    // step, enlarged to at least 3 s; negative: all), and adds their frames. A note the band
    // can't play stops the precomputation (false).
    bool Continue(double window);

    bool IsPlaying() const { return m_playing; }
    bool IsFinished() const { return m_finished; }
    const CAnimationList& GetFrames() const { return m_frames; }
    size_t GetNextFrame() const { return m_nextFrame; }
    // The poses, in time order, that the notes were turned into.
    const CNoteList& GetPoses() const { return m_poses; }
    const CCharString& GetError() const { return m_error; }

    // The frames that lead each part from its last key to the new ones (straight lines, 30 a
    // second, at least the key's own frame), appended unsorted.
    void AddFrames(const CVarList<ANIMATION_POINT>& keys);

    // The poses of a note list: drum hits get strike and rebound poses, guitar notes stroke,
    // hold and release poses, merged into one time-ordered list.
    static bool PreparePoses(const CNoteList& notes, CNoteList& poses);

private:
    // A part's state at its last key.
    struct PART_STATE {
        TRANSFORM transform;
        double time = -1.0; // -1: at rest, no key yet
    };
    bool Fail(const char* format, ...) MA_PRINTF(2, 3);
    void AddFrame(double time, CPrimitive* part, const MATRIX& matrix, int32_t colors);
    // Puts the frames from `from` on in time order among those not yet played.
    void MergeFrames(size_t from);
    double Elapsed() const;
    // The band in its resting pose, also the parts whose matrices frames replaced.
    bool Rest();

    std::recursive_mutex* m_lock;
    CBand* m_band = nullptr;
    double m_timeStep = 0.0;
    CNoteList m_poses;
    CVarList<ANIMATION_POINT> m_keys;
    CAnimationList m_frames;
    std::unordered_map<CPrimitive*, PART_STATE> m_parts;
    std::vector<std::vector<uint32_t>> m_colorLists;
    std::vector<ANIMATION_FRAME> m_sorted; // scratch of MergeFrames
    int m_nextPose = 0;
    size_t m_nextFrame = 0;
    bool m_finished = false;
    bool m_playing = false;
    double m_startTime = 0.0; // wall clock, seconds
    PLAY_CLOCK m_clock;
    CCharString m_error;
    std::unique_ptr<CAnimatorThread> m_thread;
};
