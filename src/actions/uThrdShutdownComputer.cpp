#include "uThrdShutdownComputer.h"

#include "ERemoteError.h"
#include "PlatformCom.h"
#include "uWmiShutdown.h"

TThrdShutdownComputer::TThrdShutdownComputer(const QString& computer, const QString& userName, const QString& password,
                                             int actionIndex, bool forced, const TRemoteSettings& settings)
    : Computer(computer.isEmpty() ? QStringLiteral(".") : computer), UserName(userName), Password(password),
      ActionIndex(actionIndex), Forced(forced), m_settings(settings) {}

void TThrdShutdownComputer::run() {
    Platform::InitializeComForThread();
    Platform::SetComSecurityDefaults();
    QString errorMessage;
    int result = -1;
    try {
        if (ShutdownComputer(Computer, UserName, Password, ActionIndex, Forced, m_settings) == 0)
            result = 0;
    } catch (const ERemoteError& error) {
        errorMessage = error.Text();
    } catch (const std::exception& error) {
        errorMessage = QString::fromLocal8Bit(error.what());
    }
    Platform::UninitializeComForThread();
    emit ShutdownDone(result, errorMessage, ActionIndex);
}
