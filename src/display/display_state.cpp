#include "display/display_state.h"

namespace glorbe {

DisplayState display;

void resetDisplayState() { display = DisplayState{}; }

}  // namespace glorbe
