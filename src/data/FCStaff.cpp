#include "FCStaff.h"

#include "core/ByteAccess.h"
#include "data/FCTextBlock.h"
#include "host/HostFunctions.h"
#include "shell/Globals.h"

static const char kStaffClassName[] = "FCStaff";
static const char kPartClassName[] = "FCPart";

namespace {

constexpr size_t kFullNameOffset = 30;
constexpr int32_t kAutoNameCapacity = 1000;

}  // namespace

const char* FCStaff::ClassName() const
{
    return kStaffClassName;
}

uint32_t FCStaff::GetVersion() const
{
    if (gHostVersion < 0x11000000) return 0x0F000000;
    if (gHostVersion < 0x12000000) return 0x11000000;
    return 0x12000000;
}

uint32_t FCStaff::GetDataSize() const
{
    if (gHostVersion < 0x11000000) return 114;
    if (gHostVersion < 0x12000000) return 132;
    return 136;
}

bool FCStaff::LoadFirst()
{
    SetCmperInci(0, 0);
    return LoadNext();
}

uint16_t FCStaff::GetFullNameTextBlock() const
{
    return GetLE16(data_, kFullNameOffset);
}

FCString* FCStaff::GetFullNameString() const
{
    const uint16_t block = GetFullNameTextBlock();
    if (gHostVersion >= 0x11000000) {
        // One unit more than offered, so that a terminator always follows.
        uint16_t units[kAutoNameCapacity + 1] = {};
        if (FX_AutoNumberedName_UTF16(static_cast<int16_t>(block), GetItemCmper(), units, kAutoNameCapacity, 0,
                                      kInterfaceVersion) != 0) {
            FCString* name = new FCString();
            name->SetUTF16(units);
            return name;
        }
    }
    FCTextBlock textBlock;
    textBlock.Load(static_cast<int16_t>(block));
    FCString* name = textBlock.CreateRawTextString();
    name->StripFontTags();
    name->ReplaceAll("^flat()", "b");
    name->ReplaceAll("^sharp()", "#");
    return name;
}

FCPart::FCPart()
    : partID_(static_cast<int16_t>(FX_GetCurrentPartID() & 0xFFFF)),
      documentID_(static_cast<int16_t>(FX_GetCurrentEnigmaDocument()))
{
}

const char* FCPart::ClassName() const
{
    return kPartClassName;
}

bool FCPart::IsSameClass(const __FCBase* other) const
{
    if (!__FCNoInciOther::IsSameClass(other)) return false;
    const FCPart* part = static_cast<const FCPart*>(other);
    return part->partID_ == partID_ && part->documentID_ == documentID_;
}
