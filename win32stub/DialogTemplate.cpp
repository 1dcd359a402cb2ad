#include "DialogTemplate.h"

namespace win32stub {

namespace {

// A bounds-checked little-endian reader over the template's bytes.
class Reader {
public:
    Reader(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}

    bool ok() const { return ok_; }

    uint16_t U16()
    {
        if (offset_ + 2 > size_) return Fail();
        const uint16_t value = static_cast<uint16_t>(bytes_[offset_] | (bytes_[offset_ + 1] << 8));
        offset_ += 2;
        return value;
    }

    uint32_t U32()
    {
        const uint32_t low = U16();
        return low | (static_cast<uint32_t>(U16()) << 16);
    }

    int16_t S16() { return static_cast<int16_t>(U16()); }

    std::u16string Text()
    {
        std::u16string text;
        while (ok_) {
            const uint16_t unit = U16();
            if (!ok_ || unit == 0) break;
            text += static_cast<char16_t>(unit);
        }
        return text;
    }

    // A menu, class or title field: a number after 0xFFFF, or a text.
    void NumberOrText(uint16_t& number, std::u16string& text)
    {
        number = 0;
        text.clear();
        if (offset_ + 2 > size_) {
            Fail();
            return;
        }
        const uint16_t first = static_cast<uint16_t>(bytes_[offset_] | (bytes_[offset_ + 1] << 8));
        if (first == 0xFFFF) {
            U16();
            number = U16();
        } else {
            text = Text();
        }
    }

    void AlignTo4() { offset_ = (offset_ + 3) & ~static_cast<size_t>(3); }
    void Skip(size_t count)
    {
        if (offset_ + count > size_) Fail();
        else offset_ += count;
    }

private:
    uint16_t Fail()
    {
        ok_ = false;
        offset_ = size_;
        return 0;
    }

    const uint8_t* bytes_;
    size_t size_;
    size_t offset_ = 0;
    bool ok_ = true;
};

ItemClass ClassFromName(const std::u16string& name)
{
    std::string lower;
    for (char16_t unit : name) lower += static_cast<char>(unit >= 'A' && unit <= 'Z' ? unit + 32 : unit);
    if (lower == "button") return ItemClass::Button;
    if (lower == "edit") return ItemClass::Edit;
    if (lower == "static") return ItemClass::Static;
    if (lower == "listbox") return ItemClass::ListBox;
    return ItemClass::Other;
}

constexpr uint32_t kSetFont = 0x40;
constexpr uint32_t kShellFont = 0x48;

}  // namespace

bool ParseDialogTemplate(const uint8_t* bytes, size_t size, DialogTemplate& dialog)
{
    if (bytes == nullptr) return false;
    Reader in(bytes, size);
    if (in.U16() != 1 || in.U16() != 0xFFFF) return false;
    in.U32();  // help ID
    dialog.exStyle = in.U32();
    dialog.style = in.U32();
    const uint16_t count = in.U16();
    dialog.x = in.S16();
    dialog.y = in.S16();
    dialog.cx = in.S16();
    dialog.cy = in.S16();
    uint16_t number = 0;
    std::u16string ignored;
    in.NumberOrText(number, ignored);  // menu
    in.NumberOrText(number, ignored);  // window class
    dialog.title = in.Text();
    if (dialog.style & (kSetFont | kShellFont)) {
        dialog.fontSize = in.U16();
        in.U16();   // weight
        in.Skip(2); // italic, character set
        dialog.fontName = in.Text();
    }
    dialog.items.clear();
    for (uint16_t i = 0; i < count && in.ok(); ++i) {
        in.AlignTo4();
        DialogItemTemplate item;
        in.U32();  // help ID
        item.exStyle = in.U32();
        item.style = in.U32();
        item.x = in.S16();
        item.y = in.S16();
        item.cx = in.S16();
        item.cy = in.S16();
        item.id = in.U32();
        uint16_t atom = 0;
        std::u16string className;
        in.NumberOrText(atom, className);
        if (atom >= 0x80 && atom <= 0x83) item.itemClass = static_cast<ItemClass>(atom);
        item.itemClass = className.empty() ? item.itemClass : ClassFromName(className);
        uint16_t titleNumber = 0;
        in.NumberOrText(titleNumber, item.text);
        in.Skip(in.U16());  // creation data
        dialog.items.push_back(item);
    }
    return in.ok();
}

}  // namespace win32stub
