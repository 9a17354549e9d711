#include "foundation/double_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "foundation/double_list_iterator.h"

namespace {

struct Item {
    explicit Item(int v, int* deaths = nullptr) : value(v), deaths(deaths) {}
    ~Item() {
        if (deaths) {
            ++*deaths;
        }
    }
    int value;
    int* deaths;
};

using ItemList = ZIDoubleList<Item>;

// Owns the items a test puts into lists, which never own them.
class Items {
public:
    explicit Items(int n) {
        for (int i = 0; i < n; ++i) {
            items_.push_back(std::make_unique<Item>(i));
        }
    }
    Item* operator[](int i) { return items_[static_cast<size_t>(i)].get(); }
    void AddTo(ItemList& list, int n) {
        for (int i = 0; i < n; ++i) {
            list.AddTail((*this)[i]);
        }
    }

private:
    std::vector<std::unique_ptr<Item>> items_;
};

std::vector<int> Forward(ItemList& list) {
    std::vector<int> out;
    for (Item* p = list.First(); p; p = list.Next()) {
        out.push_back(p->value);
    }
    return out;
}

std::vector<int> Backward(ItemList& list) {
    std::vector<int> out;
    for (Item* p = list.Last(); p; p = list.Prev()) {
        out.push_back(p->value);
    }
    return out;
}

// The list holds exactly `values` in order: the walks both ways (next and prev links, first and
// last) and the count agree.
void ExpectHolds(ItemList& list, const std::vector<int>& values) {
    EXPECT_EQ(Forward(list), values);
    std::vector<int> reversed(values.rbegin(), values.rend());
    EXPECT_EQ(Backward(list), reversed);
    EXPECT_EQ(list.GetCount(), static_cast<int>(values.size()));
    EXPECT_EQ(list.GetAt(static_cast<int>(values.size())), nullptr);
}

class Even : public IListFilter<Item> {
public:
    bool Accept(Item* item) override { return item->value % 2 == 0; }
};

class Nothing : public IListFilter<Item> {
public:
    bool Accept(Item*) override { return false; }
};

// ---- cursor --------------------------------------------------------------------------------

TEST(DoubleListTest, NextOnLastNodeGivesNullAndFirstRestarts) {
    Items items(3);
    ItemList list;
    items.AddTo(list, 3);
    EXPECT_EQ(list.Last(), items[2]);
    EXPECT_EQ(list.Next(), nullptr);
    EXPECT_EQ(list.Next(), nullptr);  // the cursor stayed null
    EXPECT_EQ(list.Prev(), nullptr);
    EXPECT_EQ(list.First(), items[0]);
    EXPECT_EQ(list.Prev(), nullptr);  // mirror: Prev on the first node
    EXPECT_EQ(list.Prev(), nullptr);
    EXPECT_EQ(list.Last(), items[2]);
}

TEST(DoubleListTest, EmptyListWalksGiveNull) {
    ItemList list;
    EXPECT_EQ(list.First(), nullptr);
    EXPECT_EQ(list.Next(), nullptr);
    EXPECT_EQ(list.Last(), nullptr);
    EXPECT_EQ(list.Prev(), nullptr);
    EXPECT_EQ(list.GetCount(), 0);
}

TEST(DoubleListTest, AddTailMovesCursorToNewTail) {
    Items items(4);
    ItemList list;
    items.AddTo(list, 3);
    EXPECT_EQ(list.First(), items[0]);
    EXPECT_EQ(list.AddTail(items[3]), items[3]);
    EXPECT_EQ(list.Next(), nullptr);  // the traversal jumped to the new tail
    EXPECT_EQ(list.Prev(), nullptr);
    EXPECT_EQ(list.Last(), items[3]);
    EXPECT_EQ(list.Prev(), items[2]);
    EXPECT_EQ(list.AddTail(nullptr), nullptr);
    ExpectHolds(list, {0, 1, 2, 3});
}

TEST(DoubleListTest, RemoveDuringTraversalContinuesWithFollowingElement) {
    Items items(6);
    ItemList list;
    items.AddTo(list, 6);
    std::vector<int> visited;
    for (Item* p = list.First(); p;) {
        visited.push_back(p->value);
        p = (p->value % 2 == 0 || p->value == 5) ? list.Remove(p) : list.Next();
    }
    EXPECT_EQ(visited, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    ExpectHolds(list, {1, 3});
}

TEST(DoubleListTest, RemoveRelinksHeadMiddleAndTail) {
    struct Case {
        const char* name;
        std::vector<int> remove;
        std::vector<int> left;
    };
    const Case cases[] = {
        {"head", {0}, {1, 2, 3}},
        {"tail", {3}, {0, 1, 2}},
        {"middle", {1, 2}, {0, 3}},
        {"all", {2, 0, 3, 1}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Items items(4);
        ItemList list;
        items.AddTo(list, 4);
        for (int v : c.remove) {
            Item* expected_next = v < 3 && list.Find(items[v + 1]) ? items[v + 1] : nullptr;
            EXPECT_EQ(list.Remove(items[v]), expected_next);
        }
        ExpectHolds(list, c.left);
        // Adding after removals links at the right end.
        list.AddTail(items[0]);
        std::vector<int> with_tail = c.left;
        with_tail.push_back(0);
        ExpectHolds(list, with_tail);
    }
}

TEST(DoubleListTest, RemoveOfNonMemberGivesNullAndClearsCursor) {
    Items items(3);
    ItemList list;
    items.AddTo(list, 2);
    EXPECT_EQ(list.First(), items[0]);
    EXPECT_EQ(list.Remove(items[2]), nullptr);
    EXPECT_EQ(list.Next(), nullptr);  // cursor null, not on the head
    EXPECT_EQ(list.Remove(nullptr), nullptr);
    ExpectHolds(list, {0, 1});
}

TEST(DoubleListTest, FindComparesAddresses) {
    Items items(3);
    Item twin(1);
    ItemList list;
    items.AddTo(list, 3);
    EXPECT_EQ(list.Find(items[1]), items[1]);
    EXPECT_EQ(list.Next(), items[2]);  // the cursor is on the found node
    EXPECT_EQ(list.Find(&twin), nullptr);
    EXPECT_EQ(list.Find(nullptr), nullptr);
}

TEST(DoubleListTest, GetAtBounds) {
    Items items(3);
    ItemList list;
    items.AddTo(list, 3);
    const struct {
        int index;
        int value;  // -1: null
    } cases[] = {{-1, -1}, {0, 0}, {1, 1}, {2, 2}, {3, -1}, {1 << 30, -1}, {-(1 << 30), -1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.index);
        list.First();
        Item* got = list.GetAt(c.index);
        if (c.value < 0) {
            EXPECT_EQ(got, nullptr);
            EXPECT_EQ(list.Next(), items[1]);  // the cursor stayed on the head
        } else {
            EXPECT_EQ(got, items[c.value]);
            EXPECT_EQ(list.Next(), c.value < 2 ? items[c.value + 1] : nullptr);
        }
    }
    ItemList empty;
    EXPECT_EQ(empty.GetAt(0), nullptr);
}

// ---- arrays ----------------------------------------------------------------------------------

TEST(DoubleListTest, ToArrayEndsWithNull) {
    ItemList empty;
    Item** none = empty.ToArray();
    EXPECT_EQ(none[0], nullptr);
    delete[] none;

    Items items(3);
    ItemList list;
    items.AddTo(list, 3);
    Item** all = list.ToArray();
    EXPECT_EQ(all[0], items[0]);
    EXPECT_EQ(all[1], items[1]);
    EXPECT_EQ(all[2], items[2]);
    EXPECT_EQ(all[3], nullptr);
    delete[] all;
}

TEST(DoubleListTest, SetFromArrayHoldsExactlyTheArray) {
    const int sizes[] = {0, 1, 3, 5};
    for (int nodes : sizes) {
        for (int entries : sizes) {
            SCOPED_TRACE(testing::Message() << nodes << " nodes, " << entries << " entries");
            Items old_items(nodes);
            Items new_items(entries);
            ItemList list;
            old_items.AddTo(list, nodes);
            std::vector<Item*> array;
            std::vector<int> expected;
            for (int i = 0; i < entries; ++i) {
                new_items[i]->value = 100 + i;
                array.push_back(new_items[i]);
                expected.push_back(100 + i);
            }
            array.push_back(nullptr);
            list.SetFromArray(array.data());
            ExpectHolds(list, expected);
            // Still a working list: append and remove at both ends.
            Item extra(7);
            list.AddTail(&extra);
            expected.push_back(7);
            ExpectHolds(list, expected);
            list.Remove(&extra);
            expected.pop_back();
            if (!expected.empty()) {
                list.Remove(new_items[0]);
                expected.erase(expected.begin());
            }
            ExpectHolds(list, expected);
        }
    }
}

TEST(DoubleListTest, SetFromArrayWithFewerEntriesPutsCursorOnNewTail) {
    Items items(4);
    ItemList list;
    items.AddTo(list, 4);
    list.GetAt(3);  // the cursor on a node that is released
    Item* array[] = {items[3], items[2], nullptr};
    list.SetFromArray(array);
    EXPECT_EQ(list.Prev(), items[3]);  // the cursor was on the new tail
    EXPECT_EQ(list.Prev(), nullptr);
}

TEST(DoubleListTest, SetFromNullArrayEmptiesTheList) {
    Items items(3);
    ItemList list;
    items.AddTo(list, 3);
    list.SetFromArray(nullptr);
    ExpectHolds(list, {});
    list.AddTail(items[1]);
    ExpectHolds(list, {1});
}

// ---- sort ------------------------------------------------------------------------------------

class Ascending : public IListCompare<Item> {
public:
    bool Compare(ZIDoubleList<Item>* list, Item* a, Item* b, int reserved, int param) override {
        ++calls;
        EXPECT_EQ(list, expected_list);
        EXPECT_EQ(reserved, 0);
        EXPECT_EQ(param, expected_param);
        return param == 0 ? a->value > b->value : a->value < b->value;
    }
    ItemList* expected_list = nullptr;
    int expected_param = 0;
    int calls = 0;
};

// Puts equal elements after each other: the pivot compares true against itself.
class NotBefore : public IListCompare<Item> {
public:
    bool Compare(ZIDoubleList<Item>*, Item* a, Item* b, int, int) override {
        return a->value >= b->value;
    }
};

class CoinFlip : public IListCompare<Item> {
public:
    bool Compare(ZIDoubleList<Item>*, Item*, Item*, int, int) override { return rng() % 2 == 0; }
    std::mt19937 rng{7};
};

std::vector<Item*> Pointers(ItemList& list) {
    std::vector<Item*> out;
    for (Item* p = list.First(); p; p = list.Next()) {
        out.push_back(p);
    }
    return out;
}

TEST(DoubleListTest, SortSmallLists) {
    struct Case {
        std::vector<int> in;
        std::vector<int> out;
    };
    const Case cases[] = {
        {{}, {}},
        {{5}, {5}},
        {{2, 1}, {1, 2}},
        {{1, 2}, {1, 2}},
        {{3, 3}, {3, 3}},
        {{3, 1, 2}, {1, 2, 3}},
        {{2, 1, 2, 1}, {1, 1, 2, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.in));
        std::vector<std::unique_ptr<Item>> owned;
        ItemList list;
        for (int v : c.in) {
            owned.push_back(std::make_unique<Item>(v));
            list.AddTail(owned.back().get());
        }
        Ascending ascending;
        ascending.expected_list = &list;
        list.Sort(&ascending, 0);
        ExpectHolds(list, c.out);
        if (c.in.size() < 2) {
            EXPECT_EQ(ascending.calls, 0);
        }
    }
}

TEST(DoubleListTest, SortManyRandomWithDuplicatesBothWays) {
    std::mt19937 rng(12345);
    for (int n : {3, 10, 100, 1000}) {
        for (int param : {0, 1}) {
            SCOPED_TRACE(testing::Message() << n << " elements, param " << param);
            std::vector<std::unique_ptr<Item>> owned;
            ItemList list;
            std::vector<int> values;
            for (int i = 0; i < n; ++i) {
                values.push_back(static_cast<int>(rng() % static_cast<unsigned>(n / 3 + 1)));
                owned.push_back(std::make_unique<Item>(values.back()));
                list.AddTail(owned.back().get());
            }
            std::vector<Item*> before = Pointers(list);
            Ascending comparer;
            comparer.expected_list = &list;
            comparer.expected_param = param;
            list.Sort(&comparer, param);
            if (param == 0) {
                std::sort(values.begin(), values.end());
            } else {
                std::sort(values.begin(), values.end(), std::greater<int>());
            }
            ExpectHolds(list, values);
            std::vector<Item*> after = Pointers(list);
            std::sort(before.begin(), before.end());
            std::sort(after.begin(), after.end());
            EXPECT_EQ(after, before);  // each element exactly once
        }
    }
}

TEST(DoubleListTest, SortLeavesCursorOnHead) {
    Items items(3);
    ItemList list;
    list.AddTail(items[2]);
    list.AddTail(items[0]);
    list.AddTail(items[1]);
    Ascending ascending;
    ascending.expected_list = &list;
    list.Sort(&ascending, 0);
    EXPECT_EQ(list.Next(), items[1]);
    list.Sort(nullptr, 0);  // nothing, not even the cursor
    EXPECT_EQ(list.Next(), items[2]);
}

TEST(DoubleListTest, SortStaysSoundWithComparersThatAreNotStrict) {
    std::mt19937 rng(99);
    for (int n : {2, 3, 17, 500}) {
        SCOPED_TRACE(n);
        std::vector<std::unique_ptr<Item>> owned;
        ItemList list;
        std::vector<int> values;
        for (int i = 0; i < n; ++i) {
            values.push_back(static_cast<int>(rng() % 5));
            owned.push_back(std::make_unique<Item>(values.back()));
            list.AddTail(owned.back().get());
        }
        std::vector<Item*> before = Pointers(list);
        std::sort(before.begin(), before.end());

        NotBefore not_before;
        list.Sort(&not_before, 0);
        std::sort(values.begin(), values.end());
        ExpectHolds(list, values);

        CoinFlip coin;  // no order at all: the elements survive and the sort ends
        list.Sort(&coin, 0);
        std::vector<Item*> after = Pointers(list);
        std::sort(after.begin(), after.end());
        EXPECT_EQ(after, before);
        EXPECT_EQ(list.GetCount(), n);
    }
}

TEST(DoubleListTest, SortOfAllEqualElementsWithNotStrictComparer) {
    std::vector<std::unique_ptr<Item>> owned;
    ItemList list;
    for (int i = 0; i < 9; ++i) {
        owned.push_back(std::make_unique<Item>(4));
        list.AddTail(owned.back().get());
    }
    NotBefore not_before;
    list.Sort(&not_before, 0);
    ExpectHolds(list, std::vector<int>(9, 4));
}

// ---- ownership -------------------------------------------------------------------------------

TEST(DoubleListTest, DeleteAllDeletesEachElementOnceRemoveAllNone) {
    int deaths = 0;
    auto survivor = std::make_unique<Item>(9, &deaths);
    {
        ItemList list;
        for (int i = 0; i < 5; ++i) {
            list.AddTail(new Item(i, &deaths));
        }
        Item* kept[5];
        Item** array = list.ToArray();
        std::copy(array, array + 5, kept);
        delete[] array;

        list.RemoveAll();
        EXPECT_EQ(deaths, 0);
        ExpectHolds(list, {});
        for (Item* p : kept) {
            list.AddTail(p);
        }
        list.DeleteAll();
        EXPECT_EQ(deaths, 5);
        ExpectHolds(list, {});
        list.AddTail(survivor.get());
    }
    EXPECT_EQ(deaths, 5);  // the destructor releases nodes only
}

TEST(DoubleListTest, ElementMayBeInSeveralLists) {
    int deaths = 0;
    Item* shared = new Item(1, &deaths);
    ItemList a;
    ItemList b;
    a.AddTail(shared);
    b.AddTail(shared);
    a.RemoveAll();
    EXPECT_EQ(b.First(), shared);
    b.DeleteAll();
    EXPECT_EQ(deaths, 1);
}

TEST(DoubleListTest, DeleteAllOfCharListReleasesArrays) {
    ZIDoubleList<char> list;
    for (const char* s : {"one", "two", "three"}) {
        char* copy = new char[std::strlen(s) + 1];
        std::strcpy(copy, s);
        list.AddTail(copy);
    }
    EXPECT_STREQ(list.GetAt(2), "three");
    list.DeleteAll();  // ASan reports a delete/delete[] mismatch or a leak
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.First(), nullptr);
}

// ---- filters ---------------------------------------------------------------------------------

TEST(DoubleListTest, FilteredWalks) {
    Items items(7);
    ItemList list;
    items.AddTo(list, 7);
    Even even;
    std::vector<int> forward;
    for (Item* p = list.First(&even); p; p = list.Next(&even)) {
        forward.push_back(p->value);
    }
    EXPECT_EQ(forward, (std::vector<int>{0, 2, 4, 6}));
    std::vector<int> backward;
    for (Item* p = list.Last(&even); p; p = list.Prev(&even)) {
        backward.push_back(p->value);
    }
    EXPECT_EQ(backward, (std::vector<int>{6, 4, 2, 0}));
    EXPECT_EQ(list.GetCount(&even), 4);
    EXPECT_EQ(list.GetCount(), 7);
    EXPECT_EQ(list.Find(items[4], &even), items[4]);
    EXPECT_EQ(list.Find(items[3], &even), nullptr);

    Nothing nothing;
    EXPECT_EQ(list.First(&nothing), nullptr);
    EXPECT_EQ(list.Last(&nothing), nullptr);
    EXPECT_EQ(list.GetCount(&nothing), 0);
}

TEST(DoubleListTest, FilterSkipsRejectedHeadAndTail) {
    Items items(5);
    ItemList list;
    for (int v : {1, 2, 3}) {
        list.AddTail(items[v]);
    }
    Even even;
    EXPECT_EQ(list.First(&even), items[2]);
    EXPECT_EQ(list.Next(&even), nullptr);
    EXPECT_EQ(list.Last(&even), items[2]);
    EXPECT_EQ(list.Prev(&even), nullptr);
}

// ---- iterator --------------------------------------------------------------------------------

TEST(DoubleListIteratorTest, WalksWithItsOwnCursor) {
    Items items(4);
    ItemList list;
    items.AddTo(list, 4);
    list.GetAt(2);
    ZIDoubleListIterator<Item> it(&list);
    std::vector<int> seen;
    for (Item* p = it.First(); p; p = it.Next()) {
        seen.push_back(p->value);
    }
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(it.Next(), nullptr);
    EXPECT_EQ(it.GetCount(), 4);
    EXPECT_EQ(list.Next(), items[3]);  // the list's cursor did not move
}

TEST(DoubleListIteratorTest, StartsOnFirstAcceptedAndCountRestoresCursor) {
    Items items(6);
    ItemList list;
    for (int v : {1, 2, 3, 4, 5}) {
        list.AddTail(items[v]);
    }
    Even even;
    ZIDoubleListIterator<Item> it(&list, &even, false);
    EXPECT_EQ(it.Next(), items[4]);  // constructed on 2
    EXPECT_EQ(it.GetCount(), 2);
    EXPECT_EQ(it.Next(), nullptr);  // still after 4
    EXPECT_EQ(it.First(), items[2]);

    ZIDoubleListIterator<Item> unfiltered(&list);
    EXPECT_EQ(unfiltered.Next(), items[2]);  // constructed on the head
}

TEST(DoubleListIteratorTest, LockedIteratorKeepsOtherThreadsWaiting) {
    Items items(3);
    ItemList list(true);
    items.AddTo(list, 2);
    std::atomic<bool> started{false};
    std::atomic<bool> added{false};
    std::thread other;
    {
        ZIDoubleListIterator<Item> it(&list, nullptr, true);
        other = std::thread([&] {
            started = true;
            list.AddTail(items[2]);
            added = true;
        });
        while (!started) {
            std::this_thread::yield();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_FALSE(added);
        int n = 0;
        for (Item* p = it.First(); p; p = it.Next()) {
            ++n;
        }
        EXPECT_EQ(n, 2);
        EXPECT_EQ(list.GetCount(), 2);
        EXPECT_EQ(list.First(), items[0]);  // the holder itself re-enters the lock
    }
    other.join();
    EXPECT_TRUE(added);
    ExpectHolds(list, {0, 1, 2});
}

// ---- locking ---------------------------------------------------------------------------------

class RecordingLock : public IListLock {
public:
    void Lock(int reason) override {
        section.Enter();
        events.push_back(reason);
        ++depth;
    }
    void Unlock(int reason) override {
        events.push_back(-1 - reason);
        --depth;
        section.Leave();
    }
    zplat::CriticalSection section;
    std::vector<int> events;  // reason on lock, -1 - reason on unlock
    int depth = 0;
};

TEST(DoubleListTest, ExternalLockTakesReasonsAndBalances) {
    Items items(3);
    RecordingLock lock;
    {
        ZIDoubleList<Item> list(true, &lock);
        list.AddTail(items[0]);
        EXPECT_EQ(lock.events, (std::vector<int>{1, -2}));
        lock.events.clear();
        {
            ZIDoubleListIterator<Item> it(&list, nullptr, true);
            EXPECT_EQ(lock.depth, 1);
            it.Unlock();
            it.Lock();
        }
        EXPECT_EQ(lock.events, (std::vector<int>{0, -1, 0, -1}));
        lock.events.clear();
        // Every way out releases: found, not found, refused.
        list.Find(items[0]);
        list.Find(items[1]);
        list.Remove(nullptr);
        list.GetAt(5);
        Even even;
        list.GetCount(&even);
        Ascending ascending;
        ascending.expected_list = &list;
        list.Sort(&ascending, 0);
        EXPECT_EQ(lock.depth, 0);
        EXPECT_FALSE(lock.events.empty());
    }
    EXPECT_EQ(lock.depth, 0);

    ZIDoubleList<Item> unlocked(false, &lock);
    lock.events.clear();
    unlocked.AddTail(items[0]);
    unlocked.First();
    EXPECT_TRUE(lock.events.empty());  // operations lock only when thread-safe
    unlocked.Lock(1);                  // brackets always use the lock object
    unlocked.Unlock(1);
    EXPECT_EQ(lock.events, (std::vector<int>{1, -2}));
}

TEST(DoubleListTest, BracketsNestWithInternalLocking) {
    Items items(2);
    for (bool thread_safe : {false, true}) {
        SCOPED_TRACE(thread_safe);
        ItemList list(thread_safe);
        list.Lock(1);
        list.Lock(1);
        if (!list.Find(items[0])) {
            list.AddTail(items[0]);
        }
        list.Unlock(1);
        // Still held once: another thread must wait for it.
        std::atomic<bool> added{false};
        std::thread other([&] {
            list.Lock(1);
            list.AddTail(items[1]);
            added = true;
            list.Unlock(1);
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_FALSE(added);
        list.Unlock(1);
        other.join();
        ExpectHolds(list, {0, 1});
    }
}

// Several threads add, find and remove their own elements on one thread-safe list, look at the
// others' with locked walks and compound steps, and leave it empty.
TEST(DoubleListTest, StressAddFindRemoveFromSeveralThreads) {
    constexpr int kThreads = 4;
    constexpr int kRounds = 600;
    constexpr int kPerThread = 8;
    ItemList list(true);
    std::vector<std::unique_ptr<Item>> owned;
    for (int i = 0; i < kThreads * kPerThread; ++i) {
        owned.push_back(std::make_unique<Item>(i));
    }
    std::atomic<int> failures{0};
    std::atomic<int> ready{0};
    auto worker = [&](int t) {
        // Start together so the threads overlap from the first round.
        ++ready;
        while (ready.load() < kThreads) {
            std::this_thread::yield();
        }
        Item* mine[kPerThread];
        for (int k = 0; k < kPerThread; ++k) {
            mine[k] = owned[static_cast<size_t>(t * kPerThread + k)].get();
        }
        Even even;
        for (int round = 0; round < kRounds; ++round) {
            for (Item* p : mine) {
                list.AddTail(p);
            }
            for (Item* p : mine) {
                if (list.Find(p) != p) {
                    ++failures;
                }
            }
            // Look up, then add if absent: one step under the bracket.
            list.Lock(1);
            if (!list.Find(mine[0])) {
                ++failures;
                list.AddTail(mine[0]);
            }
            int walked = 0;
            for (Item* p = list.First(); p; p = list.Next()) {
                ++walked;
            }
            if (walked != list.GetCount()) {
                ++failures;
            }
            list.Unlock(1);
            {
                ZIDoubleListIterator<Item> it(&list, &even, true);
                for (Item* p = it.First(); p; p = it.Next()) {
                    if (p->value % 2 != 0) {
                        ++failures;
                    }
                }
            }
            if (list.GetCount(&even) < 0 || list.GetCount() < 0) {
                ++failures;
            }
            for (Item* p : mine) {
                list.Remove(p);
            }
            if (list.Find(mine[kPerThread - 1])) {
                ++failures;
            }
        }
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back(worker, t);
    }
    for (std::thread& th : threads) {
        th.join();
    }
    EXPECT_EQ(failures.load(), 0);
    ExpectHolds(list, {});
}

}  // namespace
