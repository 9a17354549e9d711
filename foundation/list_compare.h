#pragma once
// The ordering that ZIDoubleList::Sort uses: Compare answers whether a belongs after b.
//
//   class ByNumber : public IListCompare<Item> {
//   public:
//       bool Compare(ZIDoubleList<Item>*, Item* a, Item* b, int, int) override {
//           return a->number > b->number;   // ascending
//       }
//   };
//   ByNumber by_number;
//   list.Sort(&by_number, 0);
//
// Ownership: the caller keeps the comparer; Sort only borrows it for the call.

template <class T>
class ZIDoubleList;

template <class T>
class IListCompare {
public:
    // True when a belongs after b. reserved is always 0; param is the value given to Sort.
    virtual bool Compare(ZIDoubleList<T>* list, T* a, T* b, int reserved, int param) = 0;

    // After the operations, so their order stays as listed.
    virtual ~IListCompare() = default;
};
