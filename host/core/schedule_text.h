// The text of shaders/schedule.txt as the build embedded it, after checking
// it (tools/embed/embed_assets.cpp writes the definitions). scenes.h parses it.
#pragma once

#include <cstddef>

extern const char k_schedule_text[];
extern const size_t k_schedule_length;
