#pragma once

namespace fw::app {

/// Which commands of the main window are enabled, computed from the frame strip and the GIF
/// project list on every tick of the command timer.
struct CommandState {
    bool remove = false;          ///< btRemove
    bool frames = false;          ///< btRemoveAll, btPrint, mnuPrint, btSave, mnuSave, SpeedButton23
    bool gifAny = false;          ///< SpeedButton3, mnuSaveGIF, SplitGIF, SpeedButton22
    bool gifTwo = false;          ///< btGIFpreview, SpeedButton24
    bool gifSelected = false;     ///< SpeedButton15, SpeedButton16, SpeedButton21
    bool gifMoveUp = false;       ///< SpeedButton17
    bool gifMoveDown = false;     ///< SpeedButton18, and SpeedButton2 ("Add")
};

/// `stripSelected` / `gifSelected` are the selected indexes, -1 for none.
CommandState computeCommandState(int stripCount, int stripSelected, int gifCount, int gifSelected);

} // namespace fw::app
