// bench, continued: the show's particle sprites and sparse glow next to the
// per-pixel "particles" and straight "glow" programs they replace, and from
// the per-scene costs an estimate of capturing the whole show at 60 fps.
#pragma once

#include <functional>
#include <vector>

// The median of the times (non-empty).
double median(std::vector<double> v);

// `draw` followed by glFinish, in milliseconds.
double time_once(const std::function<void()>& draw);

// One post-chain moment: the glow of the show's own zoom image, both ways.
struct GlowTiming {
    float beat;
    double straight_ms;
    double sparse_ms;  // block passes included
};

struct PathTimings {
    double particles_pixel_ms = 0;   // per-pixel program, the reference
    double particles_sprite_ms = 0;  // state pass, sprites and resolve
    std::vector<GlowTiming> glow;
};

// Frame costs of the show's scenes, in ms, as the bench measured them.
struct SceneCosts {
    double card, sphere, field, lattice, life, zoom;
    double readback;  // one RGB frame read back, as the capture does
};

// The capture's cost at 60 fps from the scene costs, both ways, in seconds.
struct CaptureEstimate {
    double before_s;  // per-pixel particles, straight glow
    double after_s;   // sprites, sparse glow
    long frames;
};

// Medians of `frames` frames, the two ways of a pair timed in turns. The
// glow moments come from the show at 60 fps (its automaton is run there
// first). Needs the show's resources loaded.
PathTimings measure_paths(long frames);

// One RGB frame read back, median of `frames`, in ms.
double measure_readback(long frames);

CaptureEstimate estimate_capture(const SceneCosts& costs, const PathTimings& paths);

void print_paths(const PathTimings& paths, const CaptureEstimate& estimate);
void print_paths_json(const PathTimings& paths, const CaptureEstimate& estimate);
