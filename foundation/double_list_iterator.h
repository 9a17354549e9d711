#pragma once
// ZIDoubleListIterator<T>: a walk over a ZIDoubleList with a cursor of its own, so it does not
// disturb the list's cursor, optionally filtered and optionally holding the list's lock for its
// whole lifetime.
//
//   {
//       ZIDoubleListIterator<Item> it(&list, &filter, true);   // takes the list's lock
//       for (Item* p = it.First(); p; p = it.Next()) { ... }
//   }                                                           // releases it
//
// Ownership: the iterator borrows the list and the filter; both must outlive it. The iterator
// never locks for single steps: unless it was constructed with lock true, or its user holds the
// list's lock, another thread that changes the list may release the node under its cursor.

#include "foundation/double_list.h"

template <class T>
class ZIDoubleListIterator {
public:
    // Reason passed to the list's lock by the iterator.
    static constexpr int kLockReason = 0;

    // No filter, no lock; the cursor on the list's first node.
    explicit ZIDoubleListIterator(ZIDoubleList<T>* list) : list_(list), current_(list->first_) {}

    // With lock, holds the list's lock until destroyed; the cursor on the first accepted node.
    ZIDoubleListIterator(ZIDoubleList<T>* list, IListFilter<T>* filter, bool lock)
        : filter_(filter), list_(list) {
        if (lock) {
            list_->Lock(kLockReason);
            lockHeld_ = true;
        }
        First();
    }

    ~ZIDoubleListIterator() {
        if (lockHeld_) {
            list_->Unlock(kLockReason);
        }
    }

    ZIDoubleListIterator(const ZIDoubleListIterator&) = delete;
    ZIDoubleListIterator& operator=(const ZIDoubleListIterator&) = delete;

    // Cursor to the first accepted element; result that element or null.
    T* First() {
        current_ = list_->first_;
        SkipRejected();
        return Data();
    }

    // Cursor forward to the next accepted element; null at the end and afterwards.
    T* Next() {
        if (!current_) {
            return nullptr;
        }
        current_ = current_->next;
        SkipRejected();
        return Data();
    }

    // The accepted elements. Without a filter the list's count; with one, a walk that puts the
    // cursor back where it was.
    int GetCount() {
        if (!filter_) {
            return list_->GetCount();
        }
        Node* saved = current_;
        int n = 0;
        for (T* p = First(); p; p = Next()) {
            ++n;
        }
        current_ = saved;
        return n;
    }

    void Lock() { list_->Lock(kLockReason); }
    void Unlock() { list_->Unlock(kLockReason); }

private:
    using Node = typename ZIDoubleList<T>::Node;

    void SkipRejected() {
        while (filter_ && current_ && !filter_->Accept(current_->data)) {
            current_ = current_->next;
        }
    }

    T* Data() const { return current_ ? current_->data : nullptr; }

    IListFilter<T>* filter_ = nullptr;
    bool lockHeld_ = false;
    ZIDoubleList<T>* list_;
    Node* current_ = nullptr;
};
