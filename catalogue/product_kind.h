#pragma once
// The fixed table of product kinds: what a device's service name says it is, which label the list
// shows for it, which client application belongs to it and which major version that client has
// when the device says nothing else; and the edition suffixes that a device's model code adds to
// the label.
//
//   const ZProductKind& kind = FindProductKind("zelvane.cuedeck2");
//   // kind.type == ptCuedeck2, kind.label "Cuedeck", kind.clientName "Zelvane Cuedeck Editor",
//   // kind.majorVersion 2
//   const char* suffix = FindEditionSuffix("Cuedeck", "cndcdeprime");   // " Editor Prime"
//
// Everything returned points into static tables that live as long as the program.

#include <cstdint>

// The kind values are fixed: the kind icon is bitmap resource 30001 + value, and the client
// lookup switches on them.
enum ZProductType : uint16_t {
    ptUnknown = 0,
    ptConductor5 = 1,
    ptConductorRuntime = 2,
    ptCuedeck = 3,
    ptVxp2 = 4,
    ptTonehost2 = 5,
    ptHandset = 6,
    ptTimekeeper = 7,
    ptConductor6 = 8,
    ptConductorRuntime2 = 9,
    ptCuedeck2 = 10,
    ptCuedeck7 = 11,
};

// Number of kind values, and so of kind icons.
inline constexpr int kProductTypeCount = 12;

struct ZProductKind {
    const char* serviceName;  // null for the row of unknown kinds
    ZProductType type;
    const char* label;
    const char* clientName;
    int majorVersion;  // the client's major version unless the device names one
};

// The row whose service name equals serviceName exactly (letter case counts); the first match
// wins. Unknown, empty and null names give the ptUnknown row (label "", client "Unknown", 1).
const ZProductKind& FindProductKind(const char* serviceName);

// The suffix that a model code adds to a product label: "Cuedeck" and "Conductor" products have a
// table each (exact, case-sensitive codes; an empty code is " Base" for Cuedeck). Null when the
// label has no table, the code is null, or the code is not in the label's table.
const char* FindEditionSuffix(const char* label, const char* modelCode);
