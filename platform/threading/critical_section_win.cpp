#include "platform/threading/critical_section.h"

// Last: the system headers define macros over some of the names above.
#include "platform/windows_sdk.h"

namespace zplat {

namespace {
static_assert(sizeof(CRITICAL_SECTION) <= 40 && alignof(CRITICAL_SECTION) <= 8,
              "CriticalSection keeps too little room for the system's CRITICAL_SECTION");
}  // namespace

CriticalSection::CriticalSection() {
    ::InitializeCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(section_));
}

CriticalSection::~CriticalSection() {
    ::DeleteCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(section_));
}

void CriticalSection::Enter() {
    ::EnterCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(section_));
}

bool CriticalSection::TryEnter() {
    return ::TryEnterCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(section_)) != FALSE;
}

void CriticalSection::Leave() {
    ::LeaveCriticalSection(reinterpret_cast<CRITICAL_SECTION*>(section_));
}

}  // namespace zplat
