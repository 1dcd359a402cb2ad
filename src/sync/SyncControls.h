// The parts of the tool window the sync command reads and sets. The command
// reads the controls as it goes: the selection and the source staff before
// it asks the user anything, the check boxes and percentages after the
// answers.
#pragma once

#include <cstdint>

class FCCtrlCheckbox;
class FCCtrlEdit;
class FCCtrlListBox;
class FCStaffListMap;
class FCUI;

struct SyncControls {
    // Notices and questions go through it; with none, the command shows no
    // notice and takes every question as answered no.
    FCUI* ui = nullptr;
    FCCtrlListBox* staffList = nullptr;
    const FCStaffListMap* staffMap = nullptr;
    // Set to the source staff of the run.
    int32_t* lastSourceStaff = nullptr;
    FCCtrlCheckbox* velocityCheck = nullptr;
    FCCtrlEdit* velocityEdit = nullptr;
    FCCtrlCheckbox* startCheck = nullptr;
    FCCtrlEdit* startEdit = nullptr;
    FCCtrlCheckbox* endCheck = nullptr;
    FCCtrlEdit* endEdit = nullptr;
};
