// Reaching: a hand placed and its arm solved, and a finger bent onto a point (microseconds each).
#include <benchmark/benchmark.h>

#include "band/Human.h"

namespace {

struct FIGURE {
    CVertexBuffer buffer{nullptr, 5000};
    CHuman human{nullptr, &buffer, "Human"};
    VEC3 shoulder;
    FIGURE() {
        human.Build(THING_LEAD_GUITAR);
        shoulder = human.GetArm(THING_LEFT_HAND)->GetPosition();
    }
    // Targets that move about in front of the shoulder, all within reach.
    VEC3 Target(int i) const {
        return shoulder + VEC3(5.0f + (i % 7), -25.0f + (i % 11), -30.0f + (i % 5));
    }
};

void BM_ReachHand(benchmark::State& state) {
    FIGURE f;
    int i = 0;
    for (auto _ : state) {
        if (!f.human.ReachHand(THING_LEFT_HAND, f.Target(i++), VEC3(0.3f, 0.2f, -1), -25.0f)) {
            state.SkipWithError(f.human.GetError().GetText());
            break;
        }
    }
}
BENCHMARK(BM_ReachHand)->Unit(benchmark::kMicrosecond);

void BM_ReachFinger(benchmark::State& state) {
    FIGURE f;
    f.human.ReachHand(THING_LEFT_HAND, f.Target(0), VEC3(0.3f, 0.2f, -1), -25.0f);
    CHand* hand = f.human.GetHand(THING_LEFT_HAND);
    int i = 0;
    for (auto _ : state) {
        const int k = i % CHand::kFingers;
        CFinger* finger = hand->GetFinger(k);
        const VEC3 target = finger->GetPosition() + finger->GetPhalangeLength() *
                                                        (1.5f + 0.1f * (i % 10)) *
                                                        Vec3Normalize(VEC3(0.1f, 0.5f, -1));
        if (!f.human.ReachFinger(THING_LEFT_HAND, k, target, false)) {
            state.SkipWithError(f.human.GetError().GetText());
            break;
        }
        ++i;
    }
}
BENCHMARK(BM_ReachFinger)->Unit(benchmark::kMicrosecond);

} // namespace
