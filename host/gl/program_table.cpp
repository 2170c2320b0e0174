#include "program_table.h"

#include "gpu.h"
#include "programs.h"
#include "shaders.h"

#include <vector>

namespace {

struct TableProgram {
    std::string name;
    GLuint id = 0;
    FrameUniforms uniforms;
    PendingProgram pending;  // started, not yet taken
};

// The module's state: the programs, indexed by ProgramId: the built-in ones
// of the manifest, then those added while the show runs.
struct ProgramTable {
    std::vector<TableProgram> programs;
};
ProgramTable table;

// The table with its built-in programs named, none built.
void name_built_in_programs()
{
    if (table.programs.size() >= k_program_count) return;
    table.programs.resize(k_program_count);
    for (size_t i = 0; i < k_program_count; ++i) table.programs[i].name = k_programs[i].name;
}

// Puts a built program in the table in place of the one there.
void enter_program(ProgramId program, GLuint id)
{
    TableProgram& entry = table.programs[program];
    if (entry.id) glDeleteProgram(entry.id);
    entry.id = id;
    entry.uniforms = frame_uniforms_of(id);
}

}  // namespace

bool build_table_program(ProgramId program, const char* fragment_text, size_t length,
                         BuildFailure* failure)
{
    name_built_in_programs();
    const GLuint id =
        build_program(fragment_text, length, table.programs[program].name.c_str(), failure);
    if (!id) return false;
    enter_program(program, id);
    return true;
}

void start_table_program(ProgramId program)
{
    name_built_in_programs();
    const ProgramText& text = k_programs[program];
    table.programs[program].pending = start_program(text.text, text.length, text.name);
}

bool table_program_finished(ProgramId program)
{
    return program_finished(table.programs[program].pending);
}

bool finish_table_program(ProgramId program)
{
    const GLuint id = finish_program(&table.programs[program].pending);
    if (!id) return false;
    enter_program(program, id);
    warm_up_program(program);
    return true;
}

void release_program_table()
{
    for (TableProgram& entry : table.programs) {
        if (entry.id) glDeleteProgram(entry.id);
        if (entry.pending.program) glDeleteProgram(entry.pending.program);
        if (entry.pending.fragment) glDeleteShader(entry.pending.fragment);
    }
    table = ProgramTable();
}

ProgramId add_table_program(const std::string& name)
{
    name_built_in_programs();
    for (size_t i = 0; i < table.programs.size(); ++i)
        if (table.programs[i].name == name) return ProgramId(i);
    table.programs.push_back(TableProgram());
    table.programs.back().name = name;
    return ProgramId(table.programs.size() - 1);
}

size_t table_program_count()
{
    name_built_in_programs();
    return table.programs.size();
}

const char* table_program_name(ProgramId program)
{
    name_built_in_programs();
    return table.programs[program].name.c_str();
}

GLuint table_program(ProgramId program)
{
    return size_t(program) < table.programs.size() ? table.programs[program].id : 0;
}

void use_program(ProgramId program)
{
    name_built_in_programs();
    const TableProgram& entry = table.programs[program];
    use_program(entry.id, entry.uniforms);
}

void draw_pass(GLuint framebuffer, GLuint input, ProgramId program, float beat, int32_t sound)
{
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glBindTexture(GL_TEXTURE_2D, input);
    use_program(program);
    set_frame_uniforms(beat, sound);
    draw_fullscreen_quad();
}

void warm_up_program(ProgramId program)
{
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 1, 1);
    use_program(program);
    set_frame_uniforms(0.0f, 0);
    draw_fullscreen_quad();
    glDisable(GL_SCISSOR_TEST);
}
