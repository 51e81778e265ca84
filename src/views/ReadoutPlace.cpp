#include "views/ReadoutPlace.h"

namespace drumo {

ReadoutTextPlace PlaceReadoutTexts(int x, int y, int plotWidth, const ReadoutOffsets& offsets) {
    ReadoutTextPlace place;
    if (x < plotWidth - offsets.Edge) {
        place.FirstX = place.SecondX = x + 16;
    } else {
        place.FirstX = x - offsets.FirstLeft;
        place.SecondX = x - offsets.SecondLeft;
    }
    place.FirstY = y + 6;
    place.SecondY = y + 18;
    return place;
}

}  // namespace drumo
