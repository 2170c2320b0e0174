// The cards in the browser: the page decodes the two PNG cards (the browser
// has the decoder) into the buffers below, RGBA with the top row first, and
// the show's store points at them; load_card_texture turns them into the
// card layout the card program reads.
#pragma once

// The buffer for a card's decoded pixels, 1920x1080x4 bytes: 0 the warning
// card, 1 the end card.
unsigned char* web_card_pixels(int card);
