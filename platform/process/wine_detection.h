#pragma once
// Whether this Windows program runs under Wine rather than on Windows. Wine follows Windows
// closely but not in every detail: tests that meet one of its known differences skip with the
// difference named instead of passing silently. Always false on other systems.
//
//   if (zplat::RunningUnderWine()) { GTEST_SKIP() << "Wine ..."; }

namespace zplat {

bool RunningUnderWine();

}  // namespace zplat
