#include "core/FCCollection.h"
#include "core/FCString.h"
#include "core/FCSettingsPairs.h"
#include "core/FCStrings.h"
#include "sync/FCUndoBlock.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace {

// Counts its own destructions, to show what a collection deletes.
class Tracked : public __FCBase {
public:
    explicit Tracked(int* destroyed) : destroyed_(destroyed) {}
    ~Tracked() override { ++*destroyed_; }

private:
    int* destroyed_;
};

class RecordingHandler : public __FCIteratorHandler {
public:
    bool Iterate(__FCBase* item) override
    {
        seen.push_back(item);
        return static_cast<int>(seen.size()) != stopAt;
    }
    bool IterateIndex(__FCBase* item, int32_t index) override
    {
        seen.push_back(item);
        indexes.push_back(index);
        return static_cast<int>(seen.size()) != stopAt;
    }
    bool IsMatch(__FCBase* item) override { return item == wanted; }

    int stopAt = -1;
    __FCBase* wanted = nullptr;
    std::vector<__FCBase*> seen;
    std::vector<int32_t> indexes;
};

}  // namespace

TEST(ClassIdentity, NamesAndSameClass)
{
    __FCBase a;
    __FCBase b;
    __FCCollection list;
    FCStrings strings;
    FCString text;
    EXPECT_STREQ("__FCBase", a.ClassName());
    EXPECT_STREQ("__FCCollection", list.ClassName());
    EXPECT_STREQ("FCStrings", strings.ClassName());
    EXPECT_STREQ("FCString", text.ClassName());
    EXPECT_TRUE(a.IsSameClass(&b));
    EXPECT_FALSE(a.IsSameClass(nullptr));
    EXPECT_FALSE(list.IsSameClass(&strings));
    EXPECT_FALSE(text.IsSameClass(&a));
}

TEST(ClassIdentity, InheritedNameMeansSameClass)
{
    FCString key("k");
    FCSettingsPair first(&key, &key);
    FCSettingsPair second(&key, nullptr);
    FCUndoBlock block;
    EXPECT_TRUE(first.IsSameClass(&second));
    EXPECT_TRUE(first.IsSameClass(&block));
    EXPECT_STREQ("", second.GetValue()->GetCString());

    // A class that does not override ClassName shares its base's identity.
    int destroyed = 0;
    Tracked tracked(&destroyed);
    __FCBase plain;
    EXPECT_TRUE(tracked.IsSameClass(&plain));
    EXPECT_TRUE(plain.IsSameClass(&tracked));
}

TEST(Collection, CapacityGrowsInStepsOfTen)
{
    int destroyed = 0;
    __FCCollection list;
    EXPECT_EQ(0, list.GetCount());
    EXPECT_EQ(0, list.GetCapacity());
    list.Add(new Tracked(&destroyed));
    EXPECT_EQ(10, list.GetCapacity());
    for (int i = 1; i < 10; ++i) list.Add(new Tracked(&destroyed));
    EXPECT_EQ(10, list.GetCount());
    EXPECT_EQ(10, list.GetCapacity());
    list.Add(new Tracked(&destroyed));
    EXPECT_EQ(11, list.GetCount());
    EXPECT_EQ(20, list.GetCapacity());
    list.EnsureCapacity(9);
    EXPECT_EQ(20, list.GetCapacity());
    list.EnsureCapacity(10);
    EXPECT_EQ(30, list.GetCapacity());
    list.EnsureCapacity(28);  // 39 slots needed: the next multiple of ten
    EXPECT_EQ(40, list.GetCapacity());
    EXPECT_EQ(0, destroyed);
    // Needing exactly a multiple of ten gives the next multiple.
    __FCCollection empty;
    empty.EnsureCapacity(10);
    EXPECT_EQ(20, empty.GetCapacity());
}

TEST(Collection, GetItemAtAnyIndex)
{
    __FCCollection list;
    EXPECT_EQ(nullptr, list.GetItemAt(0));
    EXPECT_EQ(nullptr, list.GetItemAt(-1));
    FCString* first = new FCString("a");
    FCString* second = new FCString("b");
    list.Add(first);
    list.Add(second);
    EXPECT_EQ(first, list.GetItemAt(0));
    EXPECT_EQ(second, list.GetItemAt(1));
    for (int32_t index : { -1, 2, 9, 10, INT_MAX, INT_MIN }) {
        EXPECT_EQ(nullptr, list.GetItemAt(index)) << index;
    }
}

TEST(Collection, ClearAllDeletesItemsAndKeepsCapacity)
{
    int destroyed = 0;
    {
        __FCCollection list;
        for (int i = 0; i < 12; ++i) list.Add(new Tracked(&destroyed));
        list.ClearAll();
        EXPECT_EQ(12, destroyed);
        EXPECT_EQ(0, list.GetCount());
        EXPECT_EQ(20, list.GetCapacity());
        EXPECT_EQ(nullptr, list.GetItemAt(0));
        list.Add(new Tracked(&destroyed));
        list.Add(nullptr);
    }
    EXPECT_EQ(13, destroyed);
}

TEST(Collection, ForEachCountsUntilTheHandlerStops)
{
    __FCCollection list;
    RecordingHandler handler;
    EXPECT_EQ(0, list.ForEach(&handler));
    EXPECT_TRUE(handler.seen.empty());

    for (int i = 0; i < 5; ++i) list.Add(new FCString());
    handler.stopAt = 3;
    EXPECT_EQ(2, list.ForEach(&handler));
    EXPECT_EQ(3u, handler.seen.size());

    RecordingHandler all;
    EXPECT_EQ(5, list.ForEach(&all));

    RecordingHandler indexed;
    indexed.stopAt = 2;
    EXPECT_EQ(1, list.ForEachIndex(&indexed));
    EXPECT_EQ((std::vector<int32_t>{ 0, 1 }), indexed.indexes);

    // A handler that overrides nothing goes through every item and matches none.
    __FCIteratorHandler plain;
    EXPECT_EQ(5, list.ForEach(&plain));
    EXPECT_EQ(5, list.ForEachIndex(&plain));
    EXPECT_EQ(nullptr, list.FindFirst(&plain));
}

TEST(Collection, NoItemAtOrPastTheEnd)
{
    __FCCollection list;
    for (int i = 0; i < 10; ++i) list.Add(new FCString());  // as many as it has room for
    EXPECT_NE(nullptr, list.GetItemAt(9));
    EXPECT_EQ(nullptr, list.GetItemAt(10));
    EXPECT_EQ(nullptr, list.GetItemAt(-1));
    list.ClearAll();
    EXPECT_EQ(nullptr, list.GetItemAt(0));
}

TEST(Collection, IterationSkipsNullItems)
{
    __FCCollection list;
    FCString* first = new FCString();
    FCString* last = new FCString();
    list.Add(first);
    list.Add(nullptr);
    list.Add(last);

    RecordingHandler handler;
    EXPECT_EQ(2, list.ForEachIndex(&handler));
    EXPECT_EQ((std::vector<int32_t>{ 0, 2 }), handler.indexes);
    RecordingHandler plain;
    EXPECT_EQ(2, list.ForEach(&plain));
    EXPECT_EQ((std::vector<__FCBase*>{ first, last }), plain.seen);

    handler.wanted = last;
    EXPECT_EQ(last, list.FindFirst(&handler));
    handler.wanted = nullptr;
    EXPECT_EQ(nullptr, list.FindFirst(&handler));
}

TEST(Collection, ForEachSeesItemsAddedDuringIteration)
{
    class Growing : public __FCIteratorHandler {
    public:
        explicit Growing(__FCCollection* list) : list_(list) {}
        bool Iterate(__FCBase*) override
        {
            if (list_->GetCount() < 25) list_->Add(new FCString());
            return true;
        }

    private:
        __FCCollection* list_;
    };
    __FCCollection list;
    list.Add(new FCString());
    Growing handler(&list);
    EXPECT_EQ(25, list.ForEach(&handler));
}

TEST(Strings, TypedAccess)
{
    FCStrings lines;
    lines.Add(new FCString("one"));
    ASSERT_NE(nullptr, lines.GetStringAt(0));
    EXPECT_STREQ("one", lines.GetStringAt(0)->GetCString());
    EXPECT_EQ(nullptr, lines.GetStringAt(1));
}
