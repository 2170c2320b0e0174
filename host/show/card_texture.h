// The cards as textures, in the layout the card program reads.
#pragma once

#include "gl_api.h"

#include <cstddef>

// Decodes a PNG card into a texture in the card layout: texture channels
// r, g, b, a hold the image's A, B, G, R and texture row 0 its top row.
// `name` names the card in the error message; 0 if it does not decode.
GLuint load_card_texture(const unsigned char* png, size_t length, const char* name);
