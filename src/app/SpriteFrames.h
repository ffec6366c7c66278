// The named picture frames: every card picture and several interface pictures are rectangles of a few
// image files, registered once at start-up in the engine's sprite-frame cache and taken by name.
#pragma once

// Registers every frame: loadCardFrames, loadFormFrames and loadTableFrames, in this order.
void loadSpriteFrames();

// Suit symbols, number glyphs in black and red, the blank face, the jokers and the card back.
void loadCardFrames();
// Form plates, the separator, the join plate, the return icon and the score plates.
void loadFormFrames();
// The play and pass buttons, the ready mark and the table background.
void loadTableFrames();
