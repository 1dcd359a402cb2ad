// One named, undoable host edit around a piece of work: the edit is kept
// when the work reports success and cancelled otherwise.
#pragma once

#include "core/FCBase.h"
#include "core/FCString.h"

#include <cstdint>

class FCUndoBlock;

// A piece of work that runs inside an undo block.
class __FCUndoBlockHandler : public __FCBase {
public:
    // True when the work succeeded and its edit is to be kept.
    virtual bool Execute() = 0;

    // The block running this handler, for the duration of one run.
    FCUndoBlock* UndoBlock = nullptr;
};

class FCUndoBlock : public __FCBase {
public:
    // The longest name, in UTF-16 units, that reaches a UTF-16 host.
    static constexpr uint32_t kMaxNameUnits = 499;

    // Runs the handler inside a host edit of that name; answers the
    // handler's result, or false when either is missing or the host would
    // not open the edit.
    bool Execute(__FCUndoBlockHandler* handler, FCString* name);

    // 1 only while the handler's Execute is running.
    uint8_t Executing = 0;

private:
    static bool StartEdit(FCString* name);
};
