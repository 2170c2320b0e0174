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
};
ProgramTable table;

}  // namespace

bool build_table_program(ProgramId program, const char* fragment_text, size_t length)
{
    const GLuint id = build_program(fragment_text, length, k_programs[program].name);
    if (!id) return false;
    TableProgram& entry = table.programs[program];
    if (entry.id) glDeleteProgram(entry.id);
    entry.id = id;
    entry.uniforms = frame_uniforms_of(id);
    return true;
}

bool build_program_table()
{
    release_program_table();
    for (size_t i = 0; i < k_program_count; ++i) {
        const ProgramText& text = k_programs[i];
        if (!build_table_program(ProgramId(i), text.text, text.length)) return false;
    }
    return true;
}

void release_program_table()
{
    for (TableProgram& entry : table.programs)
        if (entry.id) glDeleteProgram(entry.id);
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

void warm_up_programs()
{
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 1, 1);
    for (size_t i = 0; i < k_program_count; ++i) {
        use_program(ProgramId(i));
        set_frame_uniforms(0.0f, 0);
        draw_fullscreen_quad();
    }
    glFinish();
    glDisable(GL_SCISSOR_TEST);
    glClear(GL_COLOR_BUFFER_BIT);
}
