// Root of every class of the plug-in: run-time class names, deletion through
// a base pointer, and class comparison by name identity.
#pragma once

#include <cstdint>

class __FCBase {
public:
    __FCBase() = default;
    __FCBase(const __FCBase&) = default;
    __FCBase& operator=(const __FCBase&) = default;

    // The class's name. Classes compare as the same class when they return the
    // same text object, so a class that does not override it shares its
    // base's identity.
    virtual const char* ClassName() const;
    virtual ~__FCBase() = default;
    virtual bool IsSameClass(const __FCBase* other) const;
};

// An object that a collection's ForEach, ForEachIndex and FindFirst call back.
class __FCIteratorHandler : public __FCBase {
public:
    virtual bool Iterate(__FCBase* item);
    virtual bool IterateIndex(__FCBase* item, int32_t index);
    virtual bool IsMatch(__FCBase* item);
};

// Abstract step between the root and the collections: everything below it
// can be iterated with a handler.
class __FCIteratorBase : public __FCBase {
public:
    virtual int32_t ForEach(__FCIteratorHandler* handler) = 0;
    virtual __FCBase* FindFirst(__FCIteratorHandler* handler) = 0;
    virtual int32_t ForEachIndex(__FCIteratorHandler* handler) = 0;
};
