// The asset store: every byte the show plays or draws, compiled into the
// executable. The definitions are generated at build time from assets/ and
// shaders/ (tools/embed/embed_assets.cpp).
#pragma once

#include <cstddef>

// A constant byte blob and its length in bytes. Shader texts carry no
// terminating NUL and are always used with their length.
struct EmbeddedAsset {
    const unsigned char* bytes;
    size_t length;
};

extern const EmbeddedAsset asset_music;         // the soundtrack, MP3
extern const EmbeddedAsset asset_warning_card;  // PNG, 1920x1080, shown first
extern const EmbeddedAsset asset_end_card;      // PNG, 1920x1080, shown last
extern const EmbeddedAsset asset_vertex_text;   // the vertex stage of every program

// Fragment texts, prelude first, one per program.
extern const EmbeddedAsset asset_text_sphere;
extern const EmbeddedAsset asset_text_field;
extern const EmbeddedAsset asset_text_particles;
extern const EmbeddedAsset asset_text_lattice;
extern const EmbeddedAsset asset_text_life;
extern const EmbeddedAsset asset_text_zoom;
extern const EmbeddedAsset asset_text_glow;
extern const EmbeddedAsset asset_text_card;

extern const float asset_bpm;  // tempo of the soundtrack, beats per minute
