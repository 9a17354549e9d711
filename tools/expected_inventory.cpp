#include "tools/expected_inventory.h"

#include <nlohmann/json.hpp>
#include <set>
#include <unordered_map>

#include "catalogue/table_text.h"
#include "tools/input_file.h"

namespace {

using Json = nlohmann::json;

// Members of `zunit scan --json` output that an entry may carry but that are not compared.
const std::set<std::string> kIgnored = {"description",   "client",        "installed",      "kind",
                                        "major_version", "local_address", "local_interface"};

bool ReadText(const Json& entry, const char* member, std::optional<std::string>* out,
              std::string* error) {
    auto it = entry.find(member);
    if (it == entry.end()) {
        return true;
    }
    if (!it->is_string()) {
        *error = std::string("\"") + member + "\" must be a text";
        return false;
    }
    *out = it->get<std::string>();
    return true;
}

// A quoted text for Describe and the errors: JSON quoting, so odd characters stay visible and
// none reaches the terminal.
std::string Quoted(const std::string& text) {
    return table_text::Quote(text);
}

}  // namespace

bool ZExpectedInventory::Entry::Matches(const ZProductRow& row) const {
    return (!name || *name == row.name) && (!service || *service == row.service) &&
           (!typeModel || *typeModel == row.typeModel) && (!version || *version == row.version) &&
           (!address || *address == row.address) && (!serial || *serial == row.serial) &&
           (!port || *port == row.port);
}

bool ZExpectedInventory::Parse(const std::string& text, ZExpectedInventory* inventory,
                               std::string* error) {
    inventory->entries_.clear();
    const Json doc = Json::parse(text, nullptr, /*allow_exceptions=*/false);
    if (doc.is_discarded()) {
        *error = "not JSON";
        return false;
    }
    const Json* list = &doc;
    if (doc.is_object()) {
        auto it = doc.find("products");
        if (it == doc.end() || doc.size() != 1) {
            *error = "an object must have exactly one member, \"products\"";
            return false;
        }
        list = &*it;
    }
    if (!list->is_array()) {
        *error = "expected an array of products";
        return false;
    }
    std::vector<Entry> entries;
    for (size_t i = 0; i < list->size(); ++i) {
        const Json& item = (*list)[i];
        const std::string where = "product " + std::to_string(i + 1) + ": ";
        if (!item.is_object()) {
            *error = where + "must be an object";
            return false;
        }
        Entry e;
        std::string why;
        if (!ReadText(item, "name", &e.name, &why) ||
            !ReadText(item, "service", &e.service, &why) ||
            !ReadText(item, "type_model", &e.typeModel, &why) ||
            !ReadText(item, "version", &e.version, &why) ||
            !ReadText(item, "address", &e.address, &why) ||
            !ReadText(item, "serial", &e.serial, &why)) {
            *error = where + why;
            return false;
        }
        if (auto it = item.find("port"); it != item.end()) {
            if (!it->is_number_unsigned() || it->get<uint64_t>() > 65535) {
                *error = where + "\"port\" must be a number from 0 to 65535";
                return false;
            }
            e.port = static_cast<uint16_t>(it->get<uint64_t>());
        }
        for (auto it = item.begin(); it != item.end(); ++it) {
            static const std::set<std::string> kCompared = {
                "name", "service", "type_model", "version", "address", "port", "serial"};
            if (kCompared.count(it.key()) == 0 && kIgnored.count(it.key()) == 0) {
                *error = where + "unknown member " + Quoted(it.key());
                return false;
            }
        }
        if (!e.name && !e.service && !e.typeModel && !e.version && !e.address && !e.serial &&
            !e.port) {
            *error = where +
                     "names no product (give name, service, type_model, version, "
                     "address, port or serial)";
            return false;
        }
        entries.push_back(std::move(e));
    }
    inventory->entries_ = std::move(entries);
    return true;
}

bool ZExpectedInventory::Load(const std::string& path, ZExpectedInventory* inventory,
                              std::string* error) {
    std::string text;
    if (!ZInputFile::Read(path, ZInputFile::kMaxBytes, &text, error)) {
        return false;
    }
    std::string why;
    if (!Parse(text, inventory, &why)) {
        *error = path + ": " + why;
        return false;
    }
    return true;
}

ZExpectedInventory::Result ZExpectedInventory::Compare(const std::vector<ZProductRow>& rows) const {
    // Which rows each entry could take; entries that name an address look at that address's rows
    // only, so a large inventory stays quick.
    std::unordered_map<std::string, std::vector<size_t>> rowsAt;
    for (size_t r = 0; r < rows.size(); ++r) {
        rowsAt[rows[r].address].push_back(r);
    }
    std::vector<std::vector<size_t>> candidates(entries_.size());
    for (size_t e = 0; e < entries_.size(); ++e) {
        const Entry& entry = entries_[e];
        if (entry.address) {
            auto it = rowsAt.find(*entry.address);
            if (it != rowsAt.end()) {
                for (size_t r : it->second) {
                    if (entry.Matches(rows[r])) {
                        candidates[e].push_back(r);
                    }
                }
            }
            continue;
        }
        for (size_t r = 0; r < rows.size(); ++r) {
            if (entry.Matches(rows[r])) {
                candidates[e].push_back(r);
            }
        }
    }

    // A maximum matching by augmenting paths, searched depth first with a stack of its own (the
    // paths can be as long as the inventory). While a path is searched, path[j] is the row that
    // leads from the entry stack[j] to stack[j + 1].
    constexpr size_t kNone = static_cast<size_t>(-1);
    std::vector<size_t> entryOfRow(rows.size(), kNone);
    std::vector<char> visited(rows.size(), 0);
    std::vector<size_t> touched;  // visited rows, to clear them after each search
    auto augment = [&](size_t start) {
        std::vector<std::pair<size_t, size_t>> stack = {{start, 0}};  // entry, next candidate
        std::vector<size_t> path;
        while (!stack.empty()) {
            const size_t e = stack.back().first;
            const size_t next = stack.back().second;
            if (next == candidates[e].size()) {
                stack.pop_back();
                if (!path.empty()) {
                    path.pop_back();
                }
                continue;
            }
            ++stack.back().second;
            const size_t r = candidates[e][next];
            if (visited[r]) {
                continue;
            }
            visited[r] = 1;
            touched.push_back(r);
            path.push_back(r);
            if (entryOfRow[r] == kNone) {
                for (size_t j = 0; j < stack.size(); ++j) {
                    entryOfRow[path[j]] = stack[j].first;
                }
                return true;
            }
            stack.emplace_back(entryOfRow[r], 0);
        }
        return false;
    };

    Result result;
    for (size_t e = 0; e < entries_.size(); ++e) {
        if (!augment(e)) {
            result.missing.push_back(e);
        }
        for (size_t r : touched) {
            visited[r] = 0;
        }
        touched.clear();
    }
    for (size_t r = 0; r < rows.size(); ++r) {
        if (entryOfRow[r] == kNone) {
            result.unexpected.push_back(r);
        } else {
            result.matched.emplace_back(entryOfRow[r], r);
        }
    }
    return result;
}

std::string ZExpectedInventory::Describe(size_t index) const {
    const Entry& e = entries_[index];
    std::string text;
    auto add = [&](const char* member, const std::string& value) {
        // Appended piece by piece: GCC 12 at -O3 misreads the temporaries of a + chain as
        // overlapping copies (-Wrestrict).
        if (!text.empty()) {
            text += ' ';
        }
        text += member;
        text += '=';
        text += value;
    };
    if (e.name)
        add("name", Quoted(*e.name));
    if (e.service)
        add("service", Quoted(*e.service));
    if (e.typeModel)
        add("type_model", Quoted(*e.typeModel));
    if (e.version)
        add("version", Quoted(*e.version));
    if (e.address)
        add("address", Quoted(*e.address));
    if (e.port)
        add("port", std::to_string(*e.port));
    if (e.serial)
        add("serial", Quoted(*e.serial));
    return text;
}
