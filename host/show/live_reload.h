// krelan-demo --live: the programs' texts and the schedule read from a
// folder of shader pieces instead of the embedded ones, and read again
// whenever a file there is saved. A program whose new text fails to build
// keeps the one that last built, and a schedule with a mistake keeps the
// last good one; their errors, named by piece (or file) and line, are
// printed on stderr and kept for the screen until the file is mended. Main
// thread, with the show's resources loaded (start_show).
#pragma once

#include "program_ids.h"

#include <cstdint>
#include <string>
#include <vector>

// Whether `folder` can be read live (it holds programs.txt); the reason if not.
bool live_folder_usable(const std::string& folder, std::string* reason);

// Reads the folder's manifest, pieces (looked up in `folder`, then in
// `more_piece_folders`, where the build writes generated pieces) and
// schedule, rebuilds each program whose text differs from the embedded one,
// makes the show follow the folder's schedule, and starts watching the
// folders. Polls instead of using inotify when `poll` is set.
void start_live(const std::string& folder, const std::vector<std::string>& more_piece_folders,
                bool poll);

// What a reload changed, so that the next frame looks different.
struct LiveChanges {
    std::vector<ProgramId> rebuilt;  // programs built from a new text
    bool schedule = false;           // the show follows a new schedule
};

inline bool anything_changed(const LiveChanges& changes)
{
    return changes.schedule || !changes.rebuilt.empty();
}

// Between two frames: when a file was saved (or `reload_all` asks for it),
// reads everything again, rebuilds the programs whose text changed (all of
// them with `reload_all`) and takes the schedule if it has no mistake.
// `now_ms` is a monotonic time.
LiveChanges update_live(int64_t now_ms, bool reload_all);

// The errors in force, one message a line ("sphere.glsl:57: error: ...",
// "schedule.txt:31: ..."); empty when everything built.
const std::vector<std::string>& live_errors();

// Called once the frame after a reload is on screen: prints how long it took
// from the save to that frame (the edit-and-see loop's time).
void live_frame_presented();

// Stops watching; the show goes back to the embedded schedule.
void stop_live();
