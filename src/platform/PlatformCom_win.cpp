#include "PlatformCom.h"

#include <objbase.h>

namespace Platform {

void InitializeComForThread() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
void UninitializeComForThread() { CoUninitialize(); }

} // namespace Platform
