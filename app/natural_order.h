#pragma once
// The order in which the finder sorts texts: byte by byte, except that a run of digits counts as
// the number it spells, so versions and numbered names sort the way people read them.
//
//   NaturalCompare("6.9", "6.10") < 0          // 9 before 10
//   NaturalCompare("Unit 10", "Unit 9") > 0
//   NaturalCompare("a", "ab") < 0              // a text before the longer texts it begins
//
// Leading zeros do not count ("007" equals "7" as far as that run goes). Callers fold letter
// case first when it should not count. Texts are UTF-8: byte order is code point order.
//
// Pure function; no state.

#include <string_view>

// Below 0 when a sorts before b, 0 when they sort alike, above 0 when after.
int NaturalCompare(std::string_view a, std::string_view b);
