#pragma once
// ZDeviceTable: prints found devices, one row each, as aligned text, JSON or CSV: device name,
// service, address and mask, port, model, version, and the local interface the device answered
// through (its address and, when the engine's table knows it, the adapter name).
//
//   ZDeviceTable table(ZDeviceTable::Format::kText);
//   table.Add(device, "veth-a");
//   table.Print(stdout);
//
// Texts come from the network: Add decodes them (UTF-8, else the devices' Windows-1252, see
// ZDeviceText); JSON escapes every control character, CSV quotes every field, text output
// replaces control characters (C0, DEL and C1) with '?'.
//
// Ownership: rows are copied when added; the device is not kept.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class INetworkDevice;

class ZDeviceTable {
public:
    enum class Format { kText, kJson, kCsv };

    struct Row {
        std::string name, service, address, mask, model, version, info, extra;
        std::string localAddress, localMask, localInterface;
        uint16_t port = 0;
        uint16_t aux = 0;
        uint32_t userData = 0;
    };

    explicit ZDeviceTable(Format format) : format_(format) {}

    void Add(INetworkDevice* device, const std::string& localInterface);
    size_t GetCount() const { return rows_.size(); }
    void Print(std::FILE* out) const;

private:
    void PrintText(std::FILE* out) const;
    void PrintJson(std::FILE* out) const;
    void PrintCsv(std::FILE* out) const;

    Format format_;
    std::vector<Row> rows_;
};
