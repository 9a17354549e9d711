#pragma once
// ZSimulatedDeviceFile: reads the JSON file that lists the devices a simulator plays. The file
// holds an array of objects (or an object whose "devices" member is that array), one per device:
//
//   [ { "service": "zelvane.cuedeck", "name": "Booth 2", "address": "192.168.1.50",
//       "mask": "255.255.255.0", "port": 4300,
//       "model": "Cuedeck", "version": "6.4.2", "info": "<data>...</data>", "aux": 0,
//       "user_data": 0, "index": 0, "extra": "", "refusal": 1 } ]
//
// service, name, address, mask and port are required; the others default to empty texts, 0 and
// no refusal. Every answer must fit one UDP datagram (65507 bytes), so an entry's texts together
// have a little less than that; texts cannot hold NUL. Any error (not JSON, a missing or mistyped
// field, an unknown field, an address that does not parse, a text that does not fit) names the
// entry and the field, and no device is returned. Texts from the file are quoted in the errors
// with their control characters escaped. Load reads regular files of up to ZInputFile::kMaxBytes.
//
//   std::vector<ZSimulatedDevice> devices;
//   std::string error;
//   if (!ZSimulatedDeviceFile::Load("devices.json", &devices, &error)) fputs(error.c_str(),
//   stderr);
//
// No ownership: results go to the caller's containers; no exception leaves these calls.

#include <string>
#include <vector>

#include "tools/simulated_device.h"

class ZSimulatedDeviceFile {
public:
    static bool Parse(const std::string& text, std::vector<ZSimulatedDevice>* devices,
                      std::string* error);
    // Reads the file (a regular file of up to ZInputFile::kMaxBytes), then Parse; the error names
    // the file too.
    static bool Load(const std::string& path, std::vector<ZSimulatedDevice>* devices,
                     std::string* error);
};
