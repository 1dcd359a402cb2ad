#include "FCBase.h"

static const char kBaseClassName[] = "__FCBase";

const char* __FCBase::ClassName() const
{
    return kBaseClassName;
}

bool __FCBase::IsSameClass(const __FCBase* other) const
{
    return other != nullptr && other->ClassName() == ClassName();
}

bool __FCIteratorHandler::Iterate(__FCBase*)
{
    return true;
}

bool __FCIteratorHandler::IterateIndex(__FCBase*, int32_t)
{
    return true;
}

bool __FCIteratorHandler::IsMatch(__FCBase*)
{
    return false;
}
