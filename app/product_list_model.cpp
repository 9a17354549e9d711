#include "app/product_list_model.h"

#include <algorithm>
#include <functional>

#include "app/cell_text.h"
#include "app/natural_order.h"
#include "catalogue/product.h"
#include "platform/network/inet.h"

namespace {

// Separates the texts of one product in its folded text; no cell or filter text holds one.
constexpr char kTextEnd = '\n';

// A text as the list would show it, with control characters as blanks (a device's own line
// breaks must not look like the separator).
QString SearchText(const QString& cell) {
    QString text = cell;
    for (QChar& c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) {
            c = QLatin1Char(' ');
        }
    }
    return text;
}

std::string Fold(const QString& text) {
    return SearchText(text).toCaseFolded().toStdString();
}

}  // namespace

size_t ZProductListModel::KeyHash::operator()(const Key& key) const {
    std::hash<std::string_view> text;
    size_t h = text(key.address);
    h ^= text(key.service) + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
    return h ^ (static_cast<size_t>(key.port) << 32);
}

ZProductListModel::Entry ZProductListModel::MakeEntry(ZProduct* product) {
    Entry entry;
    entry.product = product;
    const char* address = product->GetAddressText().GetString();
    entry.address = static_cast<uint64_t>(zplat::NetToHost32(zplat::InetAddr(address))) << 16 |
                    product->GetPort();
    // The texts the cells show (and serial and client name), cut where the cells cut them.
    const QString texts[kTextCount] = {
        CellText("%s", product->GetName().GetString()),
        CellText("%s", product->GetTypeModel().GetString()),
        CellText("%s", product->GetVersionText().GetString()),
        CellText("%s:%d", address, static_cast<int>(product->GetPort())),
        CellText("%s", product->GetDescription().GetString()),
        CellText("%s", product->GetSerial().GetString()),
        CellText("%s", product->GetClientName().GetString()),
    };
    QString joined;
    for (const QString& text : texts) {
        joined += SearchText(text);
        joined += QLatin1Char(kTextEnd);
    }
    // Folded in one piece; folding may change a text's length, so the ends are found after.
    entry.text = joined.toCaseFolded().toStdString();
    size_t k = 0;
    for (size_t i = 0; i < entry.text.size() && k < entry.ends.size(); ++i) {
        if (entry.text[i] == kTextEnd) {
            entry.ends[k++] = static_cast<uint32_t>(i);
        }
    }
    return entry;
}

std::string_view ZProductListModel::ColumnText(const Entry& entry, int column) const {
    const size_t begin = column == 0 ? 0 : entry.ends[column - 1] + 1;
    return std::string_view(entry.text).substr(begin, entry.ends[column] - begin);
}

bool ZProductListModel::Before(uint32_t a, uint32_t b) const {
    if (sortColumn_ != kNoSort) {
        const Entry& x = entries_[a];
        const Entry& y = entries_[b];
        int c = 0;
        if (sortColumn_ == kAddress) {
            c = x.address < y.address ? -1 : (x.address > y.address ? 1 : 0);
        } else {
            c = NaturalCompare(ColumnText(x, sortColumn_), ColumnText(y, sortColumn_));
        }
        if (c != 0) {
            return descending_ ? c > 0 : c < 0;
        }
    }
    return a < b;
}

bool ZProductListModel::Passes(const Entry& entry) const {
    if (hideSilent_ && entry.silentSince != kAnswering) {
        return false;
    }
    return filter_.empty() || entry.text.find(filter_) != std::string::npos;
}

size_t ZProductListModel::Place(std::vector<uint32_t>* sequence,
                                std::vector<uint32_t> items) const {
    if (items.empty()) {
        return sequence->size();
    }
    const auto before = [this](uint32_t a, uint32_t b) { return Before(a, b); };
    std::sort(items.begin(), items.end(), before);
    // Where each item goes among the old entries (a binary search each, the positions rising),
    // then one pass from the end that moves every old entry once, in blocks, and sets the items
    // between them: no comparison with the entries the items pass over.
    std::vector<size_t> at(items.size());
    auto from = sequence->begin();
    for (size_t i = 0; i < items.size(); ++i) {
        from = std::upper_bound(from, sequence->end(), items[i], before);
        at[i] = static_cast<size_t>(from - sequence->begin());
    }
    size_t end = sequence->size();
    sequence->resize(end + items.size());
    for (size_t i = items.size(); i > 0; --i) {
        const size_t position = at[i - 1];
        std::move_backward(sequence->begin() + static_cast<std::ptrdiff_t>(position),
                           sequence->begin() + static_cast<std::ptrdiff_t>(end),
                           sequence->begin() + static_cast<std::ptrdiff_t>(end + i));
        (*sequence)[position + i - 1] = items[i - 1];
        end = position;
    }
    return at[0];
}

void ZProductListModel::Rebuild() {
    shown_.clear();
    for (uint32_t index : order_) {
        Entry& entry = entries_[index];
        entry.shown = Passes(entry);
        if (entry.shown) {
            shown_.push_back(index);
        }
    }
}

size_t ZProductListModel::Add(const std::vector<ZProduct*>& products) {
    std::vector<uint32_t> fresh;
    std::vector<uint32_t> freshShown;
    fresh.reserve(products.size());
    for (ZProduct* product : products) {
        if (product == nullptr || byProduct_.count(product) != 0) {
            continue;
        }
        const auto index = static_cast<uint32_t>(entries_.size());
        entries_.push_back(MakeEntry(product));
        Entry& entry = entries_.back();
        byProduct_.emplace(product, index);
        byKey_.emplace(Key{product->GetServiceName().GetString(),
                           product->GetAddressText().GetString(), product->GetPort()},
                       index);
        entry.shown = Passes(entry);
        fresh.push_back(index);
        if (entry.shown) {
            freshShown.push_back(index);
        }
    }
    Place(&order_, std::move(fresh));
    return Place(&shown_, std::move(freshShown));
}

void ZProductListModel::Clear() {
    entries_.clear();
    order_.clear();
    shown_.clear();
    byProduct_.clear();
    byKey_.clear();
    silentCount_ = 0;
}

int ZProductListModel::ShownPositionOf(const ZProduct* product) const {
    const auto found = byProduct_.find(product);
    if (found == byProduct_.end() || !entries_[found->second].shown) {
        return -1;
    }
    const auto at = std::lower_bound(shown_.begin(), shown_.end(), found->second,
                                     [this](uint32_t a, uint32_t b) { return Before(a, b); });
    return static_cast<int>(at - shown_.begin());
}

ZProduct* ZProductListModel::Find(std::string_view service, std::string_view address,
                                  uint16_t port) const {
    const auto found = byKey_.find(Key{service, address, port});
    return found == byKey_.end() ? nullptr : entries_[found->second].product;
}

bool ZProductListModel::SetSort(int column, bool descending) {
    if (column < kNoSort || column >= kColumnCount) {
        column = kNoSort;
    }
    if (column == kNoSort) {
        descending = false;
    }
    if (column == sortColumn_ && descending == descending_) {
        return false;
    }
    sortColumn_ = column;
    descending_ = descending;
    std::sort(order_.begin(), order_.end(),
              [this](uint32_t a, uint32_t b) { return Before(a, b); });
    shown_.clear();
    for (uint32_t index : order_) {
        if (entries_[index].shown) {
            shown_.push_back(index);
        }
    }
    return true;
}

bool ZProductListModel::SetFilter(const QString& text) {
    std::string folded = Fold(text);
    if (folded == filter_) {
        return false;
    }
    // A filter that contains the previous one shows a part of what that showed.
    const bool narrows = folded.find(filter_) != std::string::npos;
    filter_ = std::move(folded);
    if (!narrows) {
        Rebuild();
        return true;
    }
    std::erase_if(shown_, [this](uint32_t index) {
        Entry& entry = entries_[index];
        entry.shown = Passes(entry);
        return !entry.shown;
    });
    return true;
}

bool ZProductListModel::SetSilent(const ZProduct* product, bool silent, int64_t sinceMs) {
    const auto found = byProduct_.find(product);
    if (found == byProduct_.end()) {
        return false;
    }
    const uint32_t index = found->second;
    Entry& entry = entries_[index];
    if (silent == (entry.silentSince != kAnswering)) {
        return false;
    }
    entry.silentSince = silent ? sinceMs : kAnswering;
    silentCount_ = silent ? silentCount_ + 1 : silentCount_ - 1;
    if (!hideSilent_) {
        return true;
    }
    if (silent && entry.shown) {
        const int position = ShownPositionOf(product);
        shown_.erase(shown_.begin() + position);
        entry.shown = false;
    } else if (!silent && !entry.shown && Passes(entry)) {
        entry.shown = true;
        Place(&shown_, {index});
    }
    return true;
}

int64_t ZProductListModel::GetSilentSince(const ZProduct* product) const {
    const auto found = byProduct_.find(product);
    return found == byProduct_.end() ? kAnswering : entries_[found->second].silentSince;
}

bool ZProductListModel::SetHideSilent(bool hide) {
    if (hide == hideSilent_) {
        return false;
    }
    hideSilent_ = hide;
    Rebuild();
    return true;
}
