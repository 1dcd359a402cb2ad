#include "SyncCommand.h"

#include "data/FCHumanPlaybackPrefs.h"
#include "data/FCMusicRegion.h"
#include "data/FCStaff.h"
#include "host/HostFunctions.h"
#include "sync/ClampPercent.h"
#include "sync/FCPerfcopyBlockHandler.h"
#include "sync/FCStaffListMap.h"
#include "sync/FCUndoBlock.h"
#include "ui/FCControl.h"
#include "ui/FCUI.h"

FCString* CreateEditName(int32_t staffCount, int16_t firstStaff)
{
    FCString* name = new FCString("Perfcopy to ");
    if (staffCount != 1) {
        name->AppendInteger(staffCount);
        name->AppendCString(" staves");
        return name;
    }
    FCStaff staff;
    staff.Load(firstStaff);
    FCString* staffName = staff.GetFullNameString();
    if (staffName->GetLength() == 0) {
        name->AppendCString("staff #");
        name->AppendInteger(firstStaff);
    } else {
        name->Append(staffName);
    }
    delete staffName;
    return name;
}

void RunSyncCommand(const SyncControls& controls)
{
    FCUI* ui = controls.ui;
    FCMusicRegion region;
    region.SetCurrentSelection();
    if (region.IsEmpty()) {
        if (ui != nullptr) {
            ui->AlertError("Please select a target region where the performance data from the source staff "
                           "should be mixed in.",
                           "No Target Region");
        }
        return;
    }
    const int32_t line = controls.staffList->GetSelectedLine();
    if (line == -1) {
        if (ui != nullptr) ui->AlertError("Please select a source staff.", "Source Staff Missing");
        return;
    }
    const int32_t source = controls.staffMap->GetStaffForLine(line);
    if (source == -1) return;
    *controls.lastSourceStaff = source;

    const int32_t staffCount = region.GetSlotCount();
    const int16_t context = region.GetStartSlotContext();
    const int16_t firstStaff = static_cast<int16_t>(FX_SlotToInst(region.GetStartSlot(), context));
    if (staffCount == 1 && firstStaff == source) {
        if (ui != nullptr) {
            ui->AlertError("Destination staff is identical to source staff. Please change source staff or "
                           "destination region.",
                           "Source Identical to Destination");
        }
        return;
    }
    const int32_t sourceSlot = FX_InstToSlot(static_cast<int16_t>(source), context);
    if (sourceSlot >= 1 && sourceSlot >= region.GetStartSlot() && sourceSlot <= region.GetEndSlot()) {
        if (ui == nullptr || ui->AskYesNo("Source staff is part of the selected block of destination staves. "
                                          "Continue?",
                                          "Source Staff in Selection") != FCUI::kYes)
            return;
    }

    FCHumanPlaybackPrefs playback;
    playback.Load(1);
    if (playback.GetMode() != FCHumanPlaybackPrefs::kModeOff) {
        if (ui == nullptr ||
            ui->AskYesNo("Human Playback is ON for this document. The live data will not play back, unless you "
                         "set the HP Preferences to use or incorporate existing MIDI data for "
                         "start/end/velocity.\n\nDo you want to continue?",
                         "Human Playback is ON") != FCUI::kYes)
            return;
    }

    // The choices as they are now, after any question.
    const bool velocity = controls.velocityCheck->GetCheck() != 0;
    const bool start = controls.startCheck->GetCheck() != 0;
    const bool end = controls.endCheck->GetCheck() != 0;
    if (!velocity && !start && !end) return;

    FCPerfcopyBlockHandler handler;
    handler.SourceStaff = static_cast<int16_t>(source);
    handler.VelocityPercent = static_cast<int16_t>(ClampPercent(controls.velocityEdit->GetInteger()));
    handler.UseVelocity = static_cast<uint8_t>(velocity);
    handler.StartTimePercent = static_cast<int16_t>(ClampPercent(controls.startEdit->GetInteger()));
    handler.UseStartTime = static_cast<uint8_t>(start);
    handler.EndTimePercent = static_cast<int16_t>(ClampPercent(controls.endEdit->GetInteger()));
    handler.UseEndTime = static_cast<uint8_t>(end);

    FCString* name = CreateEditName(staffCount, firstStaff);
    FCUndoBlock block;
    const bool changed = block.Execute(&handler, name);
    delete name;
    if (changed) {
        FCUI::RedrawMusic();
        return;
    }
    if (!MessageBeep(MB_ICONEXCLAMATION)) MessageBeep(0xFFFFFFFF);
}
