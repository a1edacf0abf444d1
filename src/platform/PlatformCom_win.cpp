#include "PlatformCom.h"

#include <objbase.h>

namespace Platform {

void InitializeComForThread() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
}
// Only the first call in a process takes effect; later ones fail harmlessly.
void SetComSecurityDefaults() {
    CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr,
                         EOAC_NONE, nullptr);
}
void UninitializeComForThread() {
    CoUninitialize();
}

} // namespace Platform
