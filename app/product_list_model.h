#pragma once
// ZProductListModel: the finder's list as the window shows it. It holds every product the
// discovery core listed, in the order they arrived, and of those the ones shown, in the order
// shown: sorted by a column (or in arrival order), narrowed by a filter text, and without the
// products that stopped answering when those are hidden. Each product's texts are kept folded
// (letter case removed) beside it, so sorting and filtering read no product and decode no text.
//
//   ZProductListModel model;
//   model.Add({first, second});                     // new products, in the core's order
//   model.SetSort(ZProductListModel::kAddress, /*descending=*/false);
//   model.SetFilter(QStringLiteral("stage"));       // any column, serial or client name
//   for (size_t i = 0; i < model.GetShownCount(); ++i) Paint(i, model.GetShown(i));
//   model.SetSilent(first, true, sinceMs);          // drawn dimmed, hidden with SetHideSilent
//
// Order: the sort column's value, then arrival, in either direction, so products alike in the
// column keep the order they arrived in. Addresses compare as numbers, then by port; every other
// column compares without regard to letter case, its digit runs as numbers (NaturalCompare), so
// "6.9" < "6.10" and "Unit 9" < "Unit 10". Without a sort column the order is arrival order.
//
// Costs, with n products: placing new products is a binary search each and one move of the
// entries behind the first of them, whatever their number; a sort is one O(n log n) sort;
// a filter that only narrows the previous one tests the products shown, any other tests all; a
// product falling silent or answering again is placed by a binary search. Texts are kept as the
// list's cells show them, at most kCellTextSize - 1 bytes per column, whatever a device sends.
//
// Ownership: the products are the core's and must outlive the model's use of them (Clear before
// the core deletes them); the model keeps pointers and its folded copies of their texts. UI
// thread only.

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class ZProduct;

class ZProductListModel {
public:
    // Sort columns: the list's header sections.
    enum Column { kName = 0, kTypeModel = 1, kVersion = 2, kAddress = 3, kDescription = 4 };
    static constexpr int kColumnCount = 5;
    static constexpr int kNoSort = -1;
    // The silent time of a product that answers.
    static constexpr int64_t kAnswering = -1;

    // Appends products in arrival order and places those shown. Returns the first shown position
    // that changed (GetShownCount() before the call when they all went to the end).
    size_t Add(const std::vector<ZProduct*>& products);
    // Forgets every product (the core is about to delete them).
    void Clear();

    size_t GetCount() const { return entries_.size(); }
    size_t GetShownCount() const { return shown_.size(); }
    // The product at a shown position (< GetShownCount()), and since when it is silent.
    ZProduct* GetShown(size_t position) const { return entries_[shown_[position]].product; }
    int64_t GetShownSilentSince(size_t position) const {
        return entries_[shown_[position]].silentSince;
    }
    // The shown position of a product; -1 when it is hidden or not in the model.
    int ShownPositionOf(const ZProduct* product) const;
    // The product by the core's identity (service name and address text as the device sent
    // them, port); null when the model has none.
    ZProduct* Find(std::string_view service, std::string_view address, uint16_t port) const;

    // Sorts by a column (kNoSort: arrival order). False when nothing changed.
    bool SetSort(int column, bool descending);
    int GetSortColumn() const { return sortColumn_; }
    bool IsDescending() const { return descending_; }

    // Shows only the products one of whose texts (the five columns, serial, client name)
    // contains text, without regard to letter case; an empty text shows all. False when nothing
    // changed.
    bool SetFilter(const QString& text);
    bool IsFiltered() const { return !filter_.empty(); }

    // Marks a product as silent since sinceMs (a steady clock's milliseconds) or as answering
    // again; false when nothing changed (or the product is not in the model).
    bool SetSilent(const ZProduct* product, bool silent, int64_t sinceMs);
    // kAnswering, or when the product fell silent.
    int64_t GetSilentSince(const ZProduct* product) const;
    size_t GetSilentCount() const { return silentCount_; }
    // Leaves silent products out of the shown ones. False when nothing changed.
    bool SetHideSilent(bool hide);
    bool GetHideSilent() const { return hideSilent_; }

private:
    // The texts searched: the five columns, then serial and client name.
    static constexpr int kTextCount = kColumnCount + 2;

    struct Entry {
        ZProduct* product = nullptr;
        uint64_t address = 0;  // address (host order) above the port, for the address column
        std::string text;      // the folded texts, each followed by '\n'
        std::array<uint32_t, kTextCount> ends{};  // where each text's '\n' is
        int64_t silentSince = kAnswering;
        bool shown = false;
    };
    struct Key {
        std::string_view service;
        std::string_view address;
        uint16_t port = 0;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        size_t operator()(const Key& key) const;
    };

    static Entry MakeEntry(ZProduct* product);
    std::string_view ColumnText(const Entry& entry, int column) const;
    // The shown order: the sort column (in the sort's direction), then arrival.
    bool Before(uint32_t a, uint32_t b) const;
    bool Passes(const Entry& entry) const;
    // Places items (none of them in sequence yet) into it in order; returns the first position
    // taken.
    size_t Place(std::vector<uint32_t>* sequence, std::vector<uint32_t> items) const;
    // Recomputes the shown products from order_.
    void Rebuild();

    std::vector<Entry> entries_;   // by arrival
    std::vector<uint32_t> order_;  // every entry, in the shown order
    std::vector<uint32_t> shown_;  // the entries shown, in order_'s order
    std::unordered_map<const ZProduct*, uint32_t> byProduct_;
    std::unordered_map<Key, uint32_t, KeyHash> byKey_;
    int sortColumn_ = kNoSort;
    bool descending_ = false;
    std::string filter_;  // folded, UTF-8
    bool hideSilent_ = false;
    size_t silentCount_ = 0;
};
