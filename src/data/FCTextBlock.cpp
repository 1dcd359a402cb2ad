#include "FCTextBlock.h"

#include "core/ByteAccess.h"
#include "host/HostFunctions.h"
#include "shell/Globals.h"

#include <cstring>

static const char kRawTextClassName[] = "FCRawText";
static const char kTextBlockClassName[] = "FCTextBlock";

namespace {

constexpr size_t kRawTextNumberOffset = 0;
constexpr size_t kSettingOffset = 8;
constexpr size_t kFlagsOffset = 14;
constexpr size_t kRawTextKindOffset = 24;

}  // namespace

FCRawText::~FCRawText()
{
    FreeData();
}

const char* FCRawText::ClassName() const
{
    return kRawTextClassName;
}

void* FCRawText::AllocateData()
{
    FreeData();
    blockSize_ = GetDataSize();
    // Room for a terminator after the host's bytes, whatever they hold.
    block_ = new uint8_t[blockSize_ + 2]();
    return block_;
}

void FCRawText::FreeData()
{
    delete[] block_;
    block_ = nullptr;
    blockSize_ = 0;
    // Nothing may read the freed block through the record's data pointer.
    SetDataPointer(nullptr);
    SetLoadedSize(0);
}

uint32_t FCRawText::GetTag() const
{
    return GetContext() != 0 ? GetContext() : kDefaultTag;
}

uint32_t FCRawText::GetVersion() const
{
    return gHostVersion;
}

uint32_t FCRawText::GetDataSize() const
{
    uint8_t key[8];
    std::memcpy(key, GetKey(), sizeof key);
    uint32_t size = 0;
    if (FX_LoadEData(GetTag(), key, nullptr, &size, GetVersion()) == 0) return 0;
    return size;
}

void FCRawText::CopyDataFrom(const __FCBaseData* other)
{
    const uint32_t size = other->GetLoadedSizeField();
    if (size == 0 || other->GetData() == nullptr) return;
    FreeData();
    blockSize_ = size;
    block_ = new uint8_t[size + 2]();
    std::memcpy(block_, other->GetData(), size);
    SetDataPointer(block_);
    SetLoadedSize(size);
}

bool FCRawText::LoadFirst()
{
    SetItemCmper(0);
    return LoadNext();
}

void FCRawText::SetItemCmper(int16_t cmper)
{
    SetLE16(GetKey(), 0, static_cast<uint16_t>(cmper));
}

bool FCRawText::IsUnicode() const
{
    return gHostVersion >= 0x11000000;
}

int16_t FCRawText::GetItemCmper() const
{
    return GetLE16Signed(GetKey(), 0);
}

FCString* FCRawText::GetText() const
{
    FCString* text = new FCString();
    const uint8_t* data = static_cast<const uint8_t*>(GetData());
    // What was loaded never exceeds the block: loads are cut to it, and a
    // copy's block is made to its size.
    const uint32_t size = GetLoadedSizeField();
    if (data == nullptr || size == 0) return text;
    // The text ends at its terminator or at the end of what was loaded.
    if (IsUnicode()) {
        for (uint32_t i = 0; i + 1 < size && GetLE16(data, i) != 0; i += 2) text->AppendCharacter(GetLE16(data, i));
    } else {
        for (uint32_t i = 0; i < size && data[i] != 0; ++i) text->AppendCharacter(data[i]);
    }
    return text;
}

FCTextBlock::FCTextBlock()
{
    SetLE16(data_, kSettingOffset, 100);
    SetLE16(data_, kFlagsOffset, 0x1A08);
    SetLE16(data_, kRawTextKindOffset, 0x626C);  // 'bl', the low half of 'txbl'
    UseInObjectData(data_, kDataSize);
}

const char* FCTextBlock::ClassName() const
{
    return kTextBlockClassName;
}

uint16_t FCTextBlock::GetRawTextNumber() const
{
    return GetLE16(data_, kRawTextNumberOffset);
}

void FCTextBlock::SetRawTextNumber(uint16_t number)
{
    SetLE16(data_, kRawTextNumberOffset, number);
}

uint16_t FCTextBlock::GetRawTextKind() const
{
    return GetLE16(data_, kRawTextKindOffset);
}

void FCTextBlock::PrepareRawText(FCRawText& text) const
{
    text.SetContext(0x74780000u | GetRawTextKind());
    text.SetItemCmper(static_cast<int16_t>(GetRawTextNumber()));
}

FCString* FCTextBlock::CreateRawTextString() const
{
    FCRawText text;
    PrepareRawText(text);
    text.LoadByKey();
    return text.GetText();
}

bool FCTextBlock::DeleteRecord()
{
    FCRawText text;
    PrepareRawText(text);
    text.LoadByKey();
    FX_DeleteEData(text.GetTag(), text.GetKey(), gHostVersion);
    return DeleteData();
}
