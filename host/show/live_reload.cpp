#include "live_reload.h"

#include "files.h"
#include "folder_watch.h"
#include "program_table.h"
#include "programs.h"
#include "scenes.h"
#include "shader_assembly.h"
#include "show.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdio>

namespace {

const char k_manifest_name[] = "programs.txt";
const char k_schedule_name[] = "schedule.txt";
const char k_vertex_program[] = "vertex";

struct LiveProgram {
    std::string text;                 // the text last built or tried
    std::vector<std::string> errors;  // why that text failed; empty when it built
};

// The module's state, from start_live to stop_live.
struct Live {
    bool active = false;
    std::string folder;
    std::vector<std::string> piece_folders;  // `folder` first
    std::vector<LiveProgram> programs;       // by ProgramId, built-in and added
    std::string vertex_text;                 // the folder's vertex stage as last read
    std::vector<std::string> manifest_errors;
    std::string schedule_text;  // the text of `schedule`
    Schedule schedule;
    std::vector<std::string> schedule_errors;
    std::vector<std::string> errors;  // all of the above, for the screen
    FolderWatch watch;
    int64_t saved_ns = 0;  // newest file time of a reload whose frame is not yet shown
};
Live live;

int64_t wall_clock_ns()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

double ms_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// The newest modification time of the files in the watched folders.
int64_t newest_file_ns()
{
    int64_t newest = 0;
    for (const auto& file : take_folder_snapshot(live.piece_folders))
        newest = std::max(newest, file.second.first);
    return newest;
}

void print_messages(const char* headline, const std::vector<std::string>& messages)
{
    std::fprintf(stderr, "krelan: %s\n", headline);
    for (const std::string& m : messages) std::fprintf(stderr, "%s\n", m.c_str());
}

// The failure's messages, named by piece and line where the driver's log
// names lines of the fragment text.
std::vector<std::string> failure_messages(const BuildFailure& failure,
                                          const std::vector<LineOrigin>& origins)
{
    if (failure.fragment_compile) return piece_messages(failure.log, origins);
    std::vector<std::string> messages = piece_messages(failure.log, {});
    messages.insert(messages.begin(), failure.what);
    return messages;
}

// Builds `program` from `text` unless that text was already tried (or
// `always`). True when the table changed.
bool rebuild(ProgramId program, const std::string& text, const std::vector<LineOrigin>& origins,
             bool always)
{
    LiveProgram& entry = live.programs[program];
    if (text == entry.text && !always) return false;
    const bool first = entry.text.empty();
    entry.text = text;
    const char* name = table_program_name(program);
    const auto start = std::chrono::steady_clock::now();
    BuildFailure failure;
    if (!build_table_program(program, text.data(), text.size(), &failure)) {
        entry.errors = failure_messages(failure, origins);
        const std::string headline =
            "program '" + std::string(name) + "' failed to build; the last one that built stays:";
        print_messages(headline.c_str(), entry.errors);
        return false;
    }
    warm_up_program(program);
    glFinish();  // the driver compiles at the first draw: count that in
    const bool mended = !entry.errors.empty();
    entry.errors.clear();
    std::fprintf(stderr, "krelan: program '%s' %s in %.0f ms\n", name,
                 mended  ? "builds again"
                 : first ? "built"
                         : "rebuilt",
                 ms_since(start));
    return true;
}

// The table's program of that name; a program the folder's manifest gained
// is added to the table, to be built from the folder.
ProgramId program_named(const std::string& name)
{
    const size_t count = table_program_count();
    const ProgramId program = add_table_program(name);
    if (table_program_count() > count)
        std::fprintf(stderr, "krelan: program '%s' is new; it is built from the folder\n",
                     name.c_str());
    if (live.programs.size() < table_program_count()) live.programs.resize(table_program_count());
    return program;
}

std::vector<std::string> table_names()
{
    std::vector<std::string> names;
    for (size_t i = 0; i < table_program_count(); ++i)
        names.push_back(table_program_name(ProgramId(i)));
    return names;
}

// The folder's manifest and pieces; rebuilds what changed and adds those
// programs to `rebuilt`.
void reload_programs(bool always, std::vector<ProgramId>* rebuilt)
{
    live.manifest_errors.clear();
    std::vector<ShaderRecipe> recipes;
    std::string error;
    const std::string manifest = live.folder + "/" + k_manifest_name;
    if (!read_shader_manifest(manifest, &recipes, &error)) {
        live.manifest_errors = {error};
        print_messages("the manifest cannot be read; every program stays as it is:",
                       live.manifest_errors);
        return;
    }
    for (const ShaderRecipe& recipe : recipes) {
        const std::string where = std::string(k_manifest_name) + ":" + std::to_string(recipe.line);
        std::string text;
        std::vector<LineOrigin> origins;
        const bool assembled = assemble_shader(recipe, live.piece_folders, &text, &error, &origins);
        if (recipe.program == k_vertex_program) {
            // Every program links the built-in vertex stage: saying so once is enough.
            if (assembled && text != live.vertex_text && !live.vertex_text.empty())
                std::fprintf(stderr,
                             "krelan: the vertex stage is built in; rebuild krelan-demo to "
                             "change it\n");
            if (assembled) live.vertex_text = text;
            continue;
        }
        const ProgramId program = program_named(recipe.program);
        if (!assembled) {
            LiveProgram& entry = live.programs[program];
            entry.errors = {where + ": " + error};
            entry.text.clear();  // whatever is read next is tried
            print_messages("a program cannot be assembled; the last one that built stays:",
                           entry.errors);
            continue;
        }
        if (rebuild(program, text, origins, always)) rebuilt->push_back(program);
    }
}

// The folder's schedule, taken when it has no mistake. True when the show's
// schedule changed.
bool reload_schedule(bool always)
{
    std::string text, error;
    Schedule parsed;
    if (!read_file(live.folder + "/" + k_schedule_name, &text)) {
        live.schedule_errors = {std::string(k_schedule_name) + ": cannot be read"};
    } else if (!parse_schedule(text, k_schedule_name, table_names(), &parsed, &error)) {
        live.schedule_errors = {error};
    } else {
        const bool mended = !live.schedule_errors.empty();
        live.schedule_errors.clear();
        if (text == live.schedule_text && !always) return false;
        live.schedule_text = text;
        live.schedule = parsed;
        use_schedule(&live.schedule);
        if (mended) std::fprintf(stderr, "krelan: the schedule has no mistake again\n");
        return true;
    }
    print_messages("the schedule has a mistake; the last good one stays:", live.schedule_errors);
    return false;
}

void gather_errors()
{
    live.errors.clear();
    for (const LiveProgram& program : live.programs)
        live.errors.insert(live.errors.end(), program.errors.begin(), program.errors.end());
    for (const auto* list : {&live.manifest_errors, &live.schedule_errors})
        live.errors.insert(live.errors.end(), list->begin(), list->end());
}

LiveChanges reload(bool always)
{
    LiveChanges changes;
    reload_programs(always, &changes.rebuilt);
    changes.schedule = reload_schedule(always);
    gather_errors();
    return changes;
}

}  // namespace

bool live_folder_usable(const std::string& folder, std::string* reason)
{
    struct stat info;
    if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        *reason = "there is no folder " + folder;
        return false;
    }
    const std::string manifest = folder + "/" + k_manifest_name;
    if (stat(manifest.c_str(), &info) != 0) {
        *reason = folder + " holds no " + k_manifest_name + ": it is not a folder of shader pieces";
        return false;
    }
    return true;
}

void start_live(const std::string& folder, const std::vector<std::string>& more_piece_folders,
                bool poll)
{
    stop_live();
    live.active = true;
    live.folder = folder;
    live.piece_folders = {folder};
    live.piece_folders.insert(live.piece_folders.end(), more_piece_folders.begin(),
                              more_piece_folders.end());
    // The embedded texts are built; a folder text the same as its embedded
    // one needs no second build.
    live.programs.resize(k_program_count);
    for (size_t i = 0; i < k_program_count; ++i)
        live.programs[i].text.assign(k_programs[i].text, k_programs[i].length);
    live.vertex_text.assign(k_vertex_stage.text, k_vertex_stage.length);
    live.schedule_text = embedded_schedule_text();
    live.schedule = embedded_schedule();
    use_schedule(&live.schedule);
    reload(false);
    watch_folders(live.piece_folders, poll ? WATCH_POLL : WATCH_INOTIFY, &live.watch);
    std::fprintf(stderr, "krelan: live from %s, watching it %s\n", folder.c_str(),
                 watch_uses_inotify(live.watch) ? "through inotify" : "every 250 ms");
}

LiveChanges update_live(int64_t now_ms, bool reload_all)
{
    if (!live.active) return {};
    const bool saved = folders_changed(&live.watch, now_ms);
    if (!saved && !reload_all) return {};
    const LiveChanges changes = reload(reload_all);
    if (anything_changed(changes) && saved) live.saved_ns = newest_file_ns();
    return changes;
}

const std::vector<std::string>& live_errors() { return live.errors; }

void live_frame_presented()
{
    if (!live.saved_ns) return;
    const double ms = (wall_clock_ns() - live.saved_ns) / 1.0e6;
    live.saved_ns = 0;
    // A file saved long before the reload was not what triggered it.
    if (ms >= 0 && ms < 60000) std::fprintf(stderr, "krelan: saved to shown in %.0f ms\n", ms);
}

void stop_live()
{
    if (!live.active) return;
    stop_watching(&live.watch);
    use_schedule(nullptr);
    live = Live();
}
