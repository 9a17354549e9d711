#pragma once
// ZIDoubleList<T>: the program's one container, a doubly linked list of pointers to T with a
// built-in cursor, an optional re-entrant lock, filtered walks and sorting.
//
//   ZIDoubleList<Item> list(true);          // thread-safe: every operation locks for itself
//   list.AddTail(item);
//   list.Lock(1);                           // a whole walk or a compound step under one lock
//   for (Item* p = list.First(); p; p = list.Next()) { ... }
//   if (!list.Find(other)) list.AddTail(other);
//   list.Unlock(1);
//
// Ownership: the list owns its nodes, never its elements; an element may be in several lists at
// once. DeleteAll is the one operation that deletes the elements (with delete, or delete[] for a
// list of char, whose elements are character arrays). Destroying the list releases the nodes only.
//
// Locking: with threadSafe, each operation takes the lock (reason 1) for its own duration. Lock and
// Unlock always use the lock object, whether or not the list is thread-safe, so owners can bracket
// traversals and compound steps; the lock is re-entrant, so both disciplines nest. The cursor is
// shared by every user of the list: a traversal by First/Next that other threads may disturb must
// hold the lock from start to end. An iterator (ZIDoubleListIterator) has its own cursor but reads
// the nodes without locking unless it, or its user, holds the lock; it must not keep its cursor on
// a node that the list releases.
//
// Null elements are refused (AddTail, Find and Remove give null). Adding one element twice to the
// same list is allowed, but DeleteAll would then delete it twice.

#include <atomic>
#include <cstdint>
#include <memory>
#include <type_traits>

#include "foundation/list_compare.h"
#include "foundation/list_filter.h"
#include "foundation/list_lock.h"
#include "platform/threading/critical_section.h"

template <class T>
class ZIDoubleListIterator;

template <class T>
class ZIDoubleList {
public:
    // One per element, owned by the list.
    struct Node {
        Node* prev;  // null at the first node
        Node* next;  // null at the last node
        T* data;     // never null
    };

    // Reason passed to the lock by the list's own operations and by owners' brackets.
    static constexpr int kLockReason = 1;

    explicit ZIDoubleList(bool threadSafe = false) : ZIDoubleList(threadSafe, nullptr) {}

    // externalLock, when not null, is used in place of the list's own critical section.
    ZIDoubleList(bool threadSafe, IListLock* externalLock)
        : threadSafe_(threadSafe), externalLock_(externalLock) {
        if (!externalLock_) {
            section_ = std::make_unique<zplat::CriticalSection>();
        }
        for (auto& it : iterators_) {
            it = std::make_unique<ZIDoubleListIterator<T>>(this);
        }
    }

    ~ZIDoubleList() { ReleaseNodes(false); }

    ZIDoubleList(const ZIDoubleList&) = delete;
    ZIDoubleList& operator=(const ZIDoubleList&) = delete;

    void Lock(int reason) {
        if (externalLock_) {
            externalLock_->Lock(reason);
        } else {
            section_->Enter();
        }
    }

    void Unlock(int reason) {
        if (externalLock_) {
            externalLock_->Unlock(reason);
        } else {
            section_->Leave();
        }
    }

    // Appends element at the tail and puts the cursor on it. Null: nothing, result null.
    T* AddTail(T* element) {
        OpLock lock(this);
        if (!element) {
            return nullptr;
        }
        AppendNode(element);
        return element;
    }

    // Cursor to the first element the filter accepts; result that element or null.
    T* First(IListFilter<T>* filter = nullptr) {
        OpLock lock(this);
        current_ = first_;
        if (filter && current_ && !filter->Accept(current_->data)) {
            return Next(filter);
        }
        return Data(current_);
    }

    // Cursor forward to the next accepted element. On the last node (or with no cursor) the cursor
    // becomes null and the result is null.
    T* Next(IListFilter<T>* filter = nullptr) {
        OpLock lock(this);
        if (current_ == last_) {
            current_ = nullptr;
            return nullptr;
        }
        if (!current_) {
            return nullptr;
        }
        current_ = current_->next;
        while (filter && current_ && !filter->Accept(current_->data)) {
            current_ = current_->next;
        }
        return Data(current_);
    }

    // Mirror of First, searching backwards from the tail.
    T* Last(IListFilter<T>* filter = nullptr) {
        OpLock lock(this);
        current_ = last_;
        if (filter && current_ && !filter->Accept(current_->data)) {
            return Prev(filter);
        }
        return Data(current_);
    }

    // Mirror of Next: on the first node the cursor becomes null.
    T* Prev(IListFilter<T>* filter = nullptr) {
        OpLock lock(this);
        if (current_ == first_) {
            current_ = nullptr;
            return nullptr;
        }
        if (!current_) {
            return nullptr;
        }
        current_ = current_->prev;
        while (filter && current_ && !filter->Accept(current_->data)) {
            current_ = current_->prev;
        }
        return Data(current_);
    }

    // Cursor to element (same address) among the accepted elements; result element or null, and
    // then the cursor is null.
    T* Find(T* element, IListFilter<T>* filter = nullptr) {
        OpLock lock(this);
        if (!element) {
            return nullptr;
        }
        for (T* p = First(filter); p; p = Next(filter)) {
            if (p == element) {
                return p;
            }
        }
        return nullptr;
    }

    // Unlinks element without deleting it. The cursor moves to the node that followed it, and the
    // result is that node's element, so a First/Next walk that removes continues with the result
    // instead of calling Next. Not in the list: null, cursor null.
    T* Remove(T* element) {
        OpLock lock(this);
        if (!Find(element)) {
            return nullptr;
        }
        Node* node = current_;
        (node->prev ? node->prev->next : first_) = node->next;
        (node->next ? node->next->prev : last_) = node->prev;
        current_ = node->next;
        count_.fetch_sub(1, std::memory_order_relaxed);
        delete node;
        return Data(current_);
    }

    // Without a filter: the number of nodes, read without taking the lock (a snapshot that may be
    // stale at once when other threads change the list). With a filter: the accepted elements,
    // counted under the lock when the list is thread-safe.
    int GetCount(IListFilter<T>* filter = nullptr) {
        if (!filter) {
            return count_.load(std::memory_order_relaxed);
        }
        ZIDoubleListIterator<T> it(this, filter, threadSafe_);
        return it.GetCount();
    }

    // Cursor to the element at index; outside 0 to count - 1 the result is null and the cursor
    // stays where it was.
    T* GetAt(int index) {
        OpLock lock(this);
        if (index < 0 || index >= count_.load(std::memory_order_relaxed)) {
            return nullptr;
        }
        Node* node = first_;
        for (int i = 0; i < index; ++i) {
            node = node->next;
        }
        current_ = node;
        return node->data;
    }

    // A new array of count + 1 pointers in list order, the last one null. The caller releases it
    // with delete[].
    T** ToArray() {
        OpLock lock(this);
        const int n = count_.load(std::memory_order_relaxed);
        T** array = new T*[static_cast<size_t>(n) + 1];
        int i = 0;
        for (Node* node = first_; node; node = node->next) {
            array[i++] = node->data;
        }
        array[i] = nullptr;
        return array;
    }

    // Replaces the contents with the elements of a null-terminated array, in order, reusing the
    // existing nodes first. Null array: the list becomes empty. The elements held before are not
    // deleted.
    void SetFromArray(T** array) {
        OpLock lock(this);
        if (!array) {
            ReleaseNodes(false);
            return;
        }
        Node* node = first_;
        Node* filled = nullptr;
        T** entry = array;
        for (; *entry && node; ++entry) {
            node->data = *entry;
            filled = node;
            node = node->next;
        }
        if (node) {
            // Nodes left over: release them and end the list at the last filled node (none when
            // the array was empty). The count follows the released nodes.
            (filled ? filled->next : first_) = nullptr;
            last_ = filled;
            current_ = filled;
            while (node) {
                Node* next = node->next;
                delete node;
                count_.fetch_sub(1, std::memory_order_relaxed);
                node = next;
            }
        }
        for (; *entry; ++entry) {
            AppendNode(*entry);
        }
    }

    // Sorts so that comparer->Compare(list, a, b, 0, param) is false for every a before b where
    // the comparer is consistent; not stable. Null comparer: nothing. The cursor ends on the head.
    // The list is not locked as a whole: ToArray and SetFromArray each lock for themselves.
    void Sort(IListCompare<T>* comparer, int param) {
        if (!comparer) {
            return;
        }
        T** array = ToArray();
        // The length comes from the array itself, not from a count read before it, so a list that
        // another thread changes in between cannot make the sort run past the array.
        int n = 0;
        while (array[n]) {
            ++n;
        }
        QuickSort(array, 0, n - 1, comparer, param);
        SetFromArray(array);
        delete[] array;
        First();
    }

    // Releases every node, not the elements.
    void RemoveAll() {
        OpLock lock(this);
        ReleaseNodes(false);
    }

    // Releases every node and deletes each element once.
    void DeleteAll() {
        OpLock lock(this);
        ReleaseNodes(true);
    }

private:
    friend class ZIDoubleListIterator<T>;

    // Takes the lock for one operation when the list is thread-safe.
    class OpLock {
    public:
        explicit OpLock(ZIDoubleList* list) : list_(list->threadSafe_ ? list : nullptr) {
            if (list_) {
                list_->Lock(kLockReason);
            }
        }
        ~OpLock() {
            if (list_) {
                list_->Unlock(kLockReason);
            }
        }
        OpLock(const OpLock&) = delete;
        OpLock& operator=(const OpLock&) = delete;

    private:
        ZIDoubleList* list_;
    };

    static T* Data(Node* node) { return node ? node->data : nullptr; }

    static void DeleteElement(T* element) {
        if constexpr (std::is_same_v<std::remove_cv_t<T>, char>) {
            delete[] element;  // a list of char holds character arrays
        } else {
            delete element;
        }
    }

    void AppendNode(T* element) {
        Node* node = new Node{last_, nullptr, element};
        (last_ ? last_->next : first_) = node;
        last_ = node;
        current_ = node;
        count_.fetch_add(1, std::memory_order_relaxed);
    }

    void ReleaseNodes(bool deleteElements) {
        // Detach first: an element's destructor may use this list again.
        Node* node = first_;
        current_ = first_ = last_ = nullptr;
        count_.store(0, std::memory_order_relaxed);
        while (node) {
            Node* next = node->next;
            if (deleteElements) {
                DeleteElement(node->data);
            }
            delete node;
            node = next;
        }
    }

    // Quicksort of a[lo..hi]: elements for which Compare(element, pivot) is false go before the
    // pivot, the others after it. Recursion takes the smaller part and the loop the larger, so the
    // depth stays logarithmic.
    void QuickSort(T** a, int lo, int hi, IListCompare<T>* comparer, int param) {
        while (lo < hi) {
            int mid = lo + (hi - lo) / 2;
            T* const pivot = a[mid];
            int i = lo;
            int j = hi;
            for (;;) {
                while (j >= i && !comparer->Compare(this, a[i], pivot, 0, param)) {
                    ++i;
                }
                while (j >= i && comparer->Compare(this, a[j], pivot, 0, param)) {
                    --j;
                }
                if (j < i) {
                    break;
                }
                T* t = a[i];
                a[i] = a[j];
                a[j] = t;
                // Follow the pivot's slot through the swap. It can sit at i only when the comparer
                // says the pivot belongs after itself.
                if (j == mid) {
                    mid = i;
                } else if (i == mid) {
                    mid = j;
                }
                ++i;
                --j;
            }
            // Now a[lo..j] compared false and a[j+1..hi] true, with i == j + 1. Put the pivot at
            // the boundary of its own side and leave it out of both parts. A pivot on the true
            // side (a comparer that puts equal elements after each other) goes to the front of
            // that side; putting it at j would swap a false element into the true side and, with
            // every element true, index below lo.
            if (mid <= j) {
                a[mid] = a[j];
                a[j] = pivot;
                --j;
            } else {
                a[mid] = a[i];
                a[i] = pivot;
                ++i;
            }
            if (j - lo < hi - i) {
                QuickSort(a, lo, j, comparer, param);
                lo = i;
            } else {
                QuickSort(a, i, hi, comparer, param);
                hi = j;
            }
        }
    }

    Node* current_ = nullptr;
    Node* first_ = nullptr;
    Node* last_ = nullptr;
    // Atomic so that GetCount may read it without the lock while another thread changes the list.
    std::atomic<int32_t> count_{0};
    // Bound to this list for its owners; no list operation uses them.
    std::unique_ptr<ZIDoubleListIterator<T>> iterators_[3];
    std::unique_ptr<zplat::CriticalSection> section_;  // only without an external lock
    bool threadSafe_;
    IListLock* externalLock_;
};

#include "foundation/double_list_iterator.h"
