#pragma once
// A predicate that chooses which elements of a ZIDoubleList a walk visits. The list's First, Next,
// Last, Prev, Find and GetCount and the list iterator take one; a null filter visits every element.
//
//   class OnlyOnline : public IListFilter<ZProduct> {
//   public:
//       bool Accept(ZProduct* p) override { return p->IsOnline(); }
//   };
//   OnlyOnline online;
//   for (ZProduct* p = list.First(&online); p; p = list.Next(&online)) { ... }
//
// Ownership: the caller keeps the filter; lists and iterators only borrow it for the call (or, for
// an iterator, for the iterator's lifetime).

template <class T>
class IListFilter {
public:
    // True when the element is to be visited; never called with null.
    virtual bool Accept(T* element) = 0;

    // After the operations, so their order stays as listed.
    virtual ~IListFilter() = default;
};
