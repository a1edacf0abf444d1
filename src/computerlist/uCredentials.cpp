#include "uCredentials.h"

#include "uComputerList.h"
#include "uConnectAsPrompt.h"
#include "uProgramOptions.h"

namespace {

// The entry whose mode decides: the first one up the group chain that does not inherit; none when the
// defaults decide.
const TPreObject* DecidingEntry(const TPreObject* entry) {
    while (entry && entry->UserConnectAs() == ucInherited)
        entry = entry->ParentGroup();
    return entry;
}

TResolvedCredentials Prompt(IConnectAsPrompt& prompt) {
    TResolvedCredentials result;
    result.Success = prompt.ExecuteConnectAsDialog(result.UserName, result.Password);
    if (!result.Success)
        return {};
    return result;
}

TResolvedCredentials ForMode(quint8 mode, const QString& userName, const QString& password, IConnectAsPrompt& prompt) {
    switch (mode) {
    case ucCurrentUser:
        return {true, {}, {}};
    case ucFollowingUser:
        return {true, userName, password};
    case ucPromptUser:
        return Prompt(prompt);
    default:
        return {};
    }
}

} // namespace

TResolvedCredentials ResolveCredentials(const TPreObject* entry, const TProgramOptions& options,
                                        IConnectAsPrompt& prompt) {
    const TPreObject* deciding = DecidingEntry(entry);
    if (!deciding)
        return ResolveDefaultCredentials(options, prompt);
    return ForMode(deciding->UserConnectAs(), deciding->UserName(), deciding->UserPassword(), prompt);
}

TResolvedCredentials ResolveDefaultCredentials(const TProgramOptions& options, IConnectAsPrompt& prompt) {
    return ForMode(options.DefaultUserConnectAs, options.DefaultUserName, options.DefaultUserPassword, prompt);
}

bool NeedsCredentialsPrompt(const TPreObject* entry, const TProgramOptions& options) {
    const TPreObject* deciding = DecidingEntry(entry);
    return (deciding ? quint8(deciding->UserConnectAs()) : options.DefaultUserConnectAs) == ucPromptUser;
}
