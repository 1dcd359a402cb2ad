#include "FCUndoBlock.h"

#include "host/HostFunctions.h"
#include "shell/Globals.h"

bool FCUndoBlock::StartEdit(FCString* name)
{
    if (gHostVersion >= 0x11000000) {
        uint16_t units[kMaxNameUnits + 1];
        uint32_t count = name->GetLength() < kMaxNameUnits ? name->GetLength() : kMaxNameUnits;
        const uint16_t* text = name->GetUTF16();
        for (uint32_t i = 0; i < count; ++i) units[i] = text[i];
        units[count] = 0;
        return FX_StartFinaleEdit_UTF16(units) != 0;
    }
    return FX_StartFinaleEdit(name->GetCString()) != 0;
}

bool FCUndoBlock::Execute(__FCUndoBlockHandler* handler, FCString* name)
{
    if (handler == nullptr || name == nullptr) return false;
    handler->UndoBlock = this;
    if (!StartEdit(name)) {
        // Work done outside an edit could not be undone: it is not run. The
        // cancel keeps the host's edit count balanced.
        handler->UndoBlock = nullptr;
        Executing = 0;
        FX_CancelFinaleEdit();
        return false;
    }
    Executing = 1;
    const bool result = handler->Execute();
    Executing = 0;
    if (result) {
        FX_EndFinaleEdit();
    } else {
        FX_CancelFinaleEdit();
    }
    handler->UndoBlock = nullptr;
    return result;
}
