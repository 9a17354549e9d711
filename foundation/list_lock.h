#pragma once
// A lock object that a ZIDoubleList can use in place of its own critical section. It must be
// re-entrant like one: the thread that holds it may lock it again and unlocks it as often.
//
//   class MyLock : public IListLock {
//   public:
//       void Lock(int) override { cs_.Enter(); }
//       void Unlock(int) override { cs_.Leave(); }
//   private:
//       zplat::CriticalSection cs_;
//   };
//   MyLock lock;
//   ZIDoubleList<Item> list(true, &lock);
//
// reason is 1 for the list's own operations and for owners bracketing a compound step, 0 for the
// list iterator. Ownership: the caller keeps the lock object; it must outlive the list.

class IListLock {
public:
    virtual void Lock(int reason) = 0;
    virtual void Unlock(int reason) = 0;

    // After the operations, so their order stays as listed.
    virtual ~IListLock() = default;
};
