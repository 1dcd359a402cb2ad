// An extended dialog template (DLGTEMPLATEEX) as the resource compiler
// writes it, read into plain fields. The stand-in creates dialogs from it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace win32stub {

// Predefined window classes of dialog items, by their atoms.
enum class ItemClass { Button = 0x80, Edit = 0x81, Static = 0x82, ListBox = 0x83, Other = 0 };

struct DialogItemTemplate {
    uint32_t style = 0;
    uint32_t exStyle = 0;
    int16_t x = 0;
    int16_t y = 0;
    int16_t cx = 0;
    int16_t cy = 0;
    uint32_t id = 0;
    ItemClass itemClass = ItemClass::Other;
    std::u16string text;
};

struct DialogTemplate {
    uint32_t style = 0;
    uint32_t exStyle = 0;
    int16_t x = 0;
    int16_t y = 0;
    int16_t cx = 0;
    int16_t cy = 0;
    std::u16string title;
    uint16_t fontSize = 0;
    std::u16string fontName;
    std::vector<DialogItemTemplate> items;
};

// False when the bytes are not a complete extended dialog template.
bool ParseDialogTemplate(const uint8_t* bytes, size_t size, DialogTemplate& dialog);

}  // namespace win32stub
