// The media store: the music and the two cards, compiled into the executable.
// The definitions are generated at build time from assets/
// (tools/embed/embed_assets.cpp); the web player defines its own
// (platform.h). The tempo is the beat clock's k_bpm.
#pragma once

#include <cstddef>

// A constant byte blob and its length in bytes.
struct EmbeddedAsset {
    const unsigned char* bytes;
    size_t length;
};

extern const EmbeddedAsset asset_music;         // the soundtrack, MP3
extern const EmbeddedAsset asset_warning_card;  // PNG, 1920x1080, shown first
extern const EmbeddedAsset asset_end_card;      // PNG, 1920x1080, shown last
