#pragma once
// Where a graph window's Ctrl read-out draws its two texts for the mouse at (x, y): both right of
// the pointer, or moved left of it near the plot's right edge so that they stay on the plot. The
// windows differ only in how near the edge the texts turn over and how far left each one goes.

namespace drumo {

struct ReadoutOffsets {
    int Edge = 0;        // the texts stay right of the pointer while x < plotWidth - Edge
    int FirstLeft = 0;   // near the edge: the first text (the temperature) starts this far left of x
    int SecondLeft = 0;  // and the second text this far
};

struct ReadoutTextPlace {
    int FirstX = 0, FirstY = 0;
    int SecondX = 0, SecondY = 0;
};

ReadoutTextPlace PlaceReadoutTexts(int x, int y, int plotWidth, const ReadoutOffsets& offsets);

}  // namespace drumo
