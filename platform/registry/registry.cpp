#include "platform/registry/registry.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <unordered_map>
#include <unordered_set>

struct zplat::RegKey {
    uintptr_t root = 0;
    std::vector<std::string> path;
    RegKeyData data;
};

namespace zplat {

namespace {

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

std::string JoinPath(const std::vector<std::string>& parts, size_t from) {
    std::string out;
    for (size_t i = from; i < parts.size(); ++i) {
        if (!out.empty()) {
            out += '\\';
        }
        out += parts[i];
    }
    return out;
}

bool IsPrefix(const std::vector<std::string>& prefix, const std::vector<std::string>& path) {
    if (prefix.size() > path.size()) {
        return false;
    }
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (!RegNameEquals(prefix[i], path[i])) {
            return false;
        }
    }
    return true;
}

// A name folded to lower-case ASCII, the form names are compared in.
std::string Folded(std::string_view name) {
    std::string out(name);
    for (char& c : out) {
        c = LowerAscii(c);
    }
    return out;
}

// Names already in a list, found in constant time: a key may have tens of thousands of subkeys.
class NameSet {
public:
    explicit NameSet(const std::vector<std::string>& names) {
        for (const auto& n : names) {
            folded_.insert(Folded(n));
        }
    }
    // Appends name unless the list holds it already.
    void Add(std::vector<std::string>* names, const std::string& name) {
        if (folded_.insert(Folded(name)).second) {
            names->push_back(name);
        }
    }

private:
    std::unordered_set<std::string> folded_;
};

struct Mount {
    uintptr_t root = 0;
    std::vector<std::string> prefix;
    std::shared_ptr<RegistryBackend> backend;
};

struct MountTable {
    bool configured = false;
    std::vector<Mount> mounts;
};

std::mutex g_mutex;
MountTable g_table;

uintptr_t RootValue(HKEY key) {
    return reinterpret_cast<uintptr_t>(key);
}

bool IsRoot(HKEY key) {
    uintptr_t v = RootValue(key);
    return v >= 0x80000000u && v <= 0x80000006u;
}

void AddMountLocked(uintptr_t root, std::string_view path,
                    std::shared_ptr<RegistryBackend> backend) {
    std::vector<std::string> prefix = SplitRegPath(path);
    for (auto& m : g_table.mounts) {
        if (m.root == root && m.prefix.size() == prefix.size() && IsPrefix(m.prefix, prefix)) {
            m.backend = std::move(backend);
            return;
        }
    }
    g_table.mounts.push_back({root, std::move(prefix), std::move(backend)});
}

void MountDefaultsLocked() {
    g_table.configured = true;
    for (auto& m : DefaultRegistryMounts()) {
        AddMountLocked(RootValue(m.root), m.path, std::move(m.backend));
    }
}

std::vector<Mount> CurrentMounts() {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!g_table.configured) {
        MountDefaultsLocked();
    }
    return g_table.mounts;
}

bool OpenMounted(const std::vector<Mount>& mounts, uintptr_t root,
                 const std::vector<std::string>& path, RegKeyData* out) {
    *out = RegKeyData{};
    const Mount* best = nullptr;
    for (const auto& m : mounts) {
        if (m.root == root && IsPrefix(m.prefix, path) &&
            (best == nullptr || m.prefix.size() > best->prefix.size())) {
            best = &m;
        }
    }
    bool found = best != nullptr && best->backend &&
                 best->backend->Open(JoinPath(path, best->prefix.size()), out);
    if (!found) {
        *out = RegKeyData{};
    }
    // Keys on the way to a deeper mount point exist even when the outer backend lacks them.
    std::optional<NameSet> names;
    for (const auto& m : mounts) {
        if (m.root == root && m.prefix.size() > path.size() && IsPrefix(path, m.prefix)) {
            found = true;
            if (!names) {
                names.emplace(out->subKeys);
            }
            names->Add(&out->subKeys, m.prefix[path.size()]);
        }
    }
    return found;
}

bool OpenKey(uintptr_t root, const std::vector<std::string>& path, RegKeyData* out) {
    std::vector<Mount> mounts = CurrentMounts();
    bool classesMounted = false;
    for (const auto& m : mounts) {
        classesMounted = classesMounted || m.root == RootValue(HKEY_CLASSES_ROOT);
    }
    if (root != RootValue(HKEY_CLASSES_ROOT) || classesMounted) {
        return OpenMounted(mounts, root, path, out);
    }
    // The classes root is the user's classes laid over the machine's.
    std::vector<std::string> classes = {"Software", "Classes"};
    classes.insert(classes.end(), path.begin(), path.end());
    RegKeyData user, machine;
    bool inUser = OpenMounted(mounts, RootValue(HKEY_CURRENT_USER), classes, &user);
    bool inMachine = OpenMounted(mounts, RootValue(HKEY_LOCAL_MACHINE), classes, &machine);
    if (!inUser && !inMachine) {
        return false;
    }
    *out = std::move(user);
    NameSet names(out->subKeys);
    for (const auto& name : machine.subKeys) {
        names.Add(&out->subKeys, name);
    }
    std::unordered_set<std::string> present;
    for (const auto& v : out->values) {
        present.insert(Folded(v.first));
    }
    for (auto& value : machine.values) {
        if (present.insert(Folded(value.first)).second) {
            out->values.push_back(std::move(value));
        }
    }
    return true;
}

// Resolves a handle (a root or an opened key) to its root and path.
bool Locate(HKEY key, uintptr_t* root, std::vector<std::string>* path) {
    if (key == nullptr) {
        return false;
    }
    if (IsRoot(key)) {
        *root = RootValue(key);
        path->clear();
        return true;
    }
    *root = key->root;
    *path = key->path;
    return true;
}

}  // namespace

bool RegNameEquals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

std::vector<std::string> SplitRegPath(std::string_view path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string_view::npos) {
            end = path.size();
        }
        if (end > start) {
            parts.emplace_back(path.substr(start, end - start));
        }
        start = end + 1;
    }
    return parts;
}

RegValue RegValue::Sz(std::string_view text, uint32_t type) {
    RegValue v;
    v.type = type;
    v.data.assign(text.begin(), text.end());
    v.data.push_back(0);
    return v;
}

RegValue RegValue::MultiSz(const std::vector<std::string>& strings) {
    RegValue v;
    v.type = REG_MULTI_SZ;
    for (const auto& s : strings) {
        v.data.insert(v.data.end(), s.begin(), s.end());
        v.data.push_back(0);
    }
    v.data.push_back(0);
    return v;
}

RegValue RegValue::Dword(uint32_t value) {
    RegValue v;
    v.type = REG_DWORD;
    for (int i = 0; i < 4; ++i) {
        v.data.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
    return v;
}

RegValue RegValue::Binary(std::vector<uint8_t> bytes, uint32_t type) {
    RegValue v;
    v.type = type;
    v.data = std::move(bytes);
    return v;
}

// Children and values keep their order for enumeration; the indexes find them by folded name
// in constant time.
struct MemoryRegistry::Node {
    std::string name;
    std::vector<std::unique_ptr<Node>> children;
    std::unordered_map<std::string, Node*> childIndex;
    std::vector<std::pair<std::string, RegValue>> values;
    std::unordered_map<std::string, size_t> valueIndex;
};

MemoryRegistry::MemoryRegistry() : root_(std::make_unique<Node>()) {}
MemoryRegistry::~MemoryRegistry() = default;

MemoryRegistry::Node* MemoryRegistry::Find(std::string_view path, bool create) {
    Node* node = root_.get();
    for (const auto& part : SplitRegPath(path)) {
        std::string folded = Folded(part);
        auto it = node->childIndex.find(folded);
        if (it == node->childIndex.end()) {
            if (!create) {
                return nullptr;
            }
            node->children.push_back(std::make_unique<Node>());
            Node* child = node->children.back().get();
            child->name = part;
            it = node->childIndex.emplace(std::move(folded), child).first;
        }
        node = it->second;
    }
    return node;
}

void MemoryRegistry::CreateKey(std::string_view path) {
    std::lock_guard<std::mutex> lock(mutex_);
    Find(path, true);
}

void MemoryRegistry::SetValue(std::string_view path, std::string_view name, RegValue value) {
    std::lock_guard<std::mutex> lock(mutex_);
    Node* node = Find(path, true);
    auto [it, added] = node->valueIndex.emplace(Folded(name), node->values.size());
    if (!added) {
        node->values[it->second].second = std::move(value);
        return;
    }
    node->values.emplace_back(std::string(name), std::move(value));
}

bool MemoryRegistry::DeleteKey(std::string_view path) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> parts = SplitRegPath(path);
    if (parts.empty()) {
        return false;
    }
    std::string last = parts.back();
    parts.pop_back();
    Node* parent = Find(JoinPath(parts, 0), false);
    if (parent == nullptr) {
        return false;
    }
    auto found = parent->childIndex.find(Folded(last));
    if (found == parent->childIndex.end()) {
        return false;
    }
    Node* child = found->second;
    parent->childIndex.erase(found);
    for (auto it = parent->children.begin(); it != parent->children.end(); ++it) {
        if (it->get() == child) {
            parent->children.erase(it);
            break;
        }
    }
    return true;
}

bool MemoryRegistry::Open(std::string_view path, RegKeyData* key) {
    std::lock_guard<std::mutex> lock(mutex_);
    Node* node = Find(path, false);
    if (node == nullptr) {
        return false;
    }
    key->subKeys.clear();
    for (const auto& child : node->children) {
        key->subKeys.push_back(child->name);
    }
    key->values = node->values;
    return true;
}

uint32_t RegOpenKeyEx(HKEY key, const char* subKey, uint32_t, uint32_t, HKEY* result) {
    if (result == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    *result = nullptr;
    uintptr_t root;
    std::vector<std::string> path;
    if (!Locate(key, &root, &path)) {
        return ERROR_INVALID_HANDLE;
    }
    if (subKey != nullptr) {
        for (auto& part : SplitRegPath(subKey)) {
            path.push_back(std::move(part));
        }
    }
    auto opened = std::make_unique<RegKey>();
    if (!OpenKey(root, path, &opened->data)) {
        return ERROR_FILE_NOT_FOUND;
    }
    opened->root = root;
    opened->path = std::move(path);
    *result = opened.release();
    return ERROR_SUCCESS;
}

uint32_t RegEnumKeyEx(HKEY key, uint32_t index, char* name, uint32_t* nameLength) {
    if (name == nullptr || nameLength == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    RegKeyData rootData;
    const RegKeyData* data;
    if (key == nullptr) {
        return ERROR_INVALID_HANDLE;
    }
    if (IsRoot(key)) {
        if (!OpenKey(RootValue(key), {}, &rootData)) {
            return ERROR_NO_MORE_ITEMS;
        }
        data = &rootData;
    } else {
        data = &key->data;
    }
    if (index >= data->subKeys.size()) {
        return ERROR_NO_MORE_ITEMS;
    }
    const std::string& sub = data->subKeys[index];
    if (sub.size() + 1 > *nameLength) {
        return ERROR_MORE_DATA;
    }
    std::memcpy(name, sub.c_str(), sub.size() + 1);
    *nameLength = static_cast<uint32_t>(sub.size());
    return ERROR_SUCCESS;
}

uint32_t RegQueryValueEx(HKEY key, const char* valueName, uint32_t* type, uint8_t* data,
                         uint32_t* dataSize) {
    if (key == nullptr) {
        return ERROR_INVALID_HANDLE;
    }
    if (data != nullptr && dataSize == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    RegKeyData rootData;
    const RegKeyData* keyData;
    if (IsRoot(key)) {
        if (!OpenKey(RootValue(key), {}, &rootData)) {
            return ERROR_FILE_NOT_FOUND;
        }
        keyData = &rootData;
    } else {
        keyData = &key->data;
    }
    std::string_view wanted = valueName != nullptr ? valueName : "";
    for (const auto& v : keyData->values) {
        if (!RegNameEquals(v.first, wanted)) {
            continue;
        }
        const RegValue& value = v.second;
        if (type != nullptr) {
            *type = value.type;
        }
        uint32_t size = static_cast<uint32_t>(value.data.size());
        if (dataSize == nullptr) {
            return ERROR_SUCCESS;
        }
        if (data == nullptr) {
            *dataSize = size;
            return ERROR_SUCCESS;
        }
        if (*dataSize < size) {
            *dataSize = size;
            return ERROR_MORE_DATA;
        }
        if (size > 0) {
            std::memcpy(data, value.data.data(), size);
        }
        *dataSize = size;
        return ERROR_SUCCESS;
    }
    return ERROR_FILE_NOT_FOUND;
}

uint32_t RegCloseKey(HKEY key) {
    if (key == nullptr) {
        return ERROR_INVALID_HANDLE;
    }
    if (!IsRoot(key)) {
        delete key;
    }
    return ERROR_SUCCESS;
}

void MountRegistry(HKEY root, std::string_view path, std::shared_ptr<RegistryBackend> backend) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!g_table.configured) {
        MountDefaultsLocked();
    }
    AddMountLocked(RootValue(root), path, std::move(backend));
}

void MountDefaultRegistry() {
    std::lock_guard<std::mutex> lock(g_mutex);
    MountDefaultsLocked();
}

void WarmRegistry() {
    // The classes root opens Software\Classes of both the machine and the user backends.
    RegKeyData data;
    OpenKey(RootValue(HKEY_CLASSES_ROOT), {}, &data);
}

std::vector<std::string> RegistryProblems() {
    std::vector<std::string> problems;
    for (const auto& m : CurrentMounts()) {
        if (!m.backend) {
            continue;
        }
        std::string problem = m.backend->Problem();
        if (!problem.empty() &&
            std::find(problems.begin(), problems.end(), problem) == problems.end()) {
            problems.push_back(std::move(problem));
        }
    }
    return problems;
}

struct ScopedRegistry::Saved {
    MountTable table;
};

ScopedRegistry::ScopedRegistry() : saved_(std::make_unique<Saved>()) {
    std::lock_guard<std::mutex> lock(g_mutex);
    saved_->table = std::move(g_table);
    g_table = MountTable{};
    g_table.configured = true;
}

ScopedRegistry::~ScopedRegistry() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_table = std::move(saved_->table);
}

}  // namespace zplat
