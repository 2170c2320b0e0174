// Which scene draws at a beat: the show's whole choreography. Pure.
#pragma once

enum ScheduleRow {
    ROW_NONE = 0,     // an unordered beat (NaN): the frame keeps what is current
    ROW_WARNING = 1,  // warning card, beats below 16
    ROW_SPHERE,       // dotted sphere, 16-160 and recap beats = 0 mod 4
    ROW_FIELD,        // sphere field, 160-224 and recap beats = 1 mod 4
    ROW_PARTICLES,    // particle rings, 224-288 and recap beats = 2 mod 4
    ROW_LATTICE,      // lattice, 288-416 and recap beats = 3 mod 4
    ROW_POST_CHAIN,   // life, zoom and glow passes, 448-512
    ROW_END,          // end card from 512
};

// First match wins; the recap (416-448) cuts between the four scenes on
// every beat by the beat truncated toward zero, modulo 4.
ScheduleRow schedule_row(float beat);
