#include "FCCollectionData.h"

#include <cstring>
#include <memory>

void __FCCollectionData::AddCopyOf(const __FCBaseData* loader)
{
    __FCBaseData* item = loader->CreateObject();
    item->CopyKeyFrom(loader);
    item->SetContext(loader->GetContext());
    item->CopyDataFrom(loader);
    Add(item);
}

int32_t __FCCollectionData::LoadAll()
{
    ClearAll();
    std::unique_ptr<__FCBaseData> loader(CreateElement());
    loader->SetContext(context_);
    if (loader->LoadFirst()) {
        AddCopyOf(loader.get());
        uint8_t previous[8];
        // A host whose keys go round in a cycle would never end either: no
        // list is longer than the inci scans' 0x8000 records.
        while (GetCount() < kMaxRecords) {
            std::memcpy(previous, loader->GetKey(), sizeof previous);
            if (!loader->LoadNext()) break;
            // A host that answers with the same key again would never end.
            if (std::memcmp(previous, loader->GetKey(), sizeof previous) == 0) break;
            AddCopyOf(loader.get());
        }
    }
    return GetCount();
}

bool __FCCollectionData::SaveAll()
{
    for (int32_t i = 0; i < GetCount(); ++i) {
        __FCBaseData* element = GetElementAt(i);
        if (element == nullptr) continue;
        element->SetContext(context_);
        if (!element->Save()) return false;
    }
    return true;
}

__FCInciOther* __FCCollectionInciOther::CreateInciElement() const
{
    return static_cast<__FCInciOther*>(CreateElement());
}

bool __FCCollectionInciOther::ClearAllIncis(int16_t cmper)
{
    std::unique_ptr<__FCInciOther> loader(CreateInciElement());
    if (!loader->Load(cmper, 0)) return true;
    int32_t count = 1;
    while (count <= kMaxInci && loader->Load(cmper, static_cast<int16_t>(count))) ++count;
    for (int32_t inci = count - 1; inci >= 0; --inci) {
        if (!loader->Load(cmper, static_cast<int16_t>(inci))) return false;
        if (!loader->DeleteData()) return false;
    }
    return true;
}

int32_t __FCCollectionInciOther::LoadAllIncis(int16_t cmper)
{
    ClearAll();
    std::unique_ptr<__FCInciOther> loader(CreateInciElement());
    loader->SetContext(GetContext());
    for (int32_t inci = 0; inci <= kMaxInci; ++inci) {
        if (!loader->Load(cmper, static_cast<int16_t>(inci))) break;
        AddCopyOf(loader.get());
    }
    return GetCount();
}

bool __FCCollectionInciOther::SaveAllIncis(int16_t cmper)
{
    if (!ClearAllIncis(cmper)) return false;
    for (int32_t i = 0; i < GetCount(); ++i) {
        auto* element = static_cast<__FCInciOther*>(GetItemAt(i));
        if (element == nullptr) continue;
        element->SetContext(GetContext());
        if (!element->SaveNew(cmper)) return false;
    }
    return true;
}

int32_t __FCCollectionDetail::LoadAllDetails(int16_t cmper1, int16_t startCmper2)
{
    ClearAll();
    std::unique_ptr<__FCBaseData> created(CreateElement());
    auto* loader = static_cast<__FCDetail*>(created.get());
    loader->SetContext(GetContext());
    for (int32_t cmper2 = startCmper2; cmper2 <= 0x7FFF; ++cmper2) {
        loader->SetDetailKey(cmper1, static_cast<int16_t>(cmper2), 0);
        if (!loader->LoadByKey()) break;
        AddCopyOf(loader);
    }
    return GetCount();
}
