#include "CommandState.h"

namespace fw::app {

CommandState computeCommandState(int stripCount, int stripSelected, int gifCount, int gifSelected)
{
    CommandState s;
    s.remove = stripSelected >= 0 && stripSelected < stripCount;
    s.frames = stripCount > 0;
    s.gifAny = gifCount > 0;
    s.gifTwo = gifCount > 1;
    const bool selected = gifSelected >= 0 && gifSelected < gifCount;
    s.gifSelected = gifCount > 0 && selected;
    s.gifMoveUp = selected && gifSelected > 0;
    s.gifMoveDown = selected && gifSelected < gifCount - 1;
    return s;
}

} // namespace fw::app
