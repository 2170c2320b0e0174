#include "program_table.h"

#include "gpu.h"
#include "programs.h"
#include "shaders.h"

namespace {

struct TableProgram {
    GLuint id = 0;
    FrameUniforms uniforms;
};

// The module's state: the built programs, indexed by ProgramId.
struct ProgramTable {
    TableProgram programs[k_program_count];
    PendingProgram pending[k_program_count];  // started, not yet taken
};
ProgramTable table;

// Puts a built program in the table in place of the one there.
void enter_program(ProgramId program, GLuint id)
{
    TableProgram& entry = table.programs[program];
    if (entry.id) glDeleteProgram(entry.id);
    entry.id = id;
    entry.uniforms = frame_uniforms_of(id);
}

// One draw of the program into a single pixel of the bound framebuffer.
void warm_up_program(ProgramId program)
{
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 1, 1);
    use_program(program);
    set_frame_uniforms(0.0f, 0);
    draw_fullscreen_quad();
    glDisable(GL_SCISSOR_TEST);
}

}  // namespace

bool build_table_program(ProgramId program, const char* fragment_text, size_t length)
{
    const GLuint id = build_program(fragment_text, length, k_programs[program].name);
    if (!id) return false;
    enter_program(program, id);
    return true;
}

void start_table_program(ProgramId program)
{
    const ProgramText& text = k_programs[program];
    table.pending[program] = start_program(text.text, text.length, text.name);
}

bool table_program_finished(ProgramId program) { return program_finished(table.pending[program]); }

bool finish_table_program(ProgramId program)
{
    const GLuint id = finish_program(&table.pending[program]);
    if (!id) return false;
    enter_program(program, id);
    warm_up_program(program);
    return true;
}

void release_program_table()
{
    for (TableProgram& entry : table.programs)
        if (entry.id) glDeleteProgram(entry.id);
    for (PendingProgram& pending : table.pending) {
        if (pending.program) glDeleteProgram(pending.program);
        if (pending.fragment) glDeleteShader(pending.fragment);
    }
    table = ProgramTable();
}

GLuint table_program(ProgramId program) { return table.programs[program].id; }

void use_program(ProgramId program)
{
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
