#include "PlatformCom.h"

// Off Windows the remote calls speak WS-Management over HTTP: no apartments to prepare.
namespace Platform {

void InitializeComForThread() {}
void SetComSecurityDefaults() {}
void UninitializeComForThread() {}

} // namespace Platform
