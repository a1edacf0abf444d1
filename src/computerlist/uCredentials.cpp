#include "uCredentials.h"

#include "LangChanger.h"
#include "uComputerList.h"
#include "uConnectAsPrompt.h"
#include "uFormat.h"
#include "uProgramOptions.h"

namespace {

// The entry whose mode decides: the first one up the group chain that does not inherit; none when the
// defaults decide.
const TPreObject* DecidingEntry(const TPreObject* entry) {
    while (entry && entry->UserConnectAs() == ucInherited)
        entry = entry->ParentGroup();
    return entry;
}

// The prompt names the entry it asks for; the defaults have none.
QString PromptSubject(const TPreObject* entry) {
    if (!entry)
        return {};
    const QString key = entry->IsGroup() ? QStringLiteral("sConnectAsGroup") : QStringLiteral("sConnectAsComputer");
    return Format(LangStr(key), {entry->Name()});
}

TResolvedCredentials Prompt(IConnectAsPrompt& prompt, const TPreObject* entry) {
    TResolvedCredentials result;
    result.Success = prompt.ExecuteConnectAsDialog(PromptSubject(entry), result.UserName, result.Password);
    if (!result.Success)
        return {};
    return result;
}

TResolvedCredentials ForMode(quint8 mode, const QString& userName, const QString& password, IConnectAsPrompt& prompt,
                             const TPreObject* entry) {
    switch (mode) {
    case ucCurrentUser:
        return {true, {}, {}};
    case ucFollowingUser:
        return {true, userName, password};
    case ucPromptUser:
        return Prompt(prompt, entry);
    default:
        return {};
    }
}

} // namespace

TResolvedCredentials ResolveCredentials(const TPreObject* entry, const TProgramOptions& options,
                                        IConnectAsPrompt& prompt) {
    const TPreObject* deciding = DecidingEntry(entry);
    if (!deciding)
        return ForMode(options.DefaultUserConnectAs, options.DefaultUserName, options.DefaultUserPassword, prompt,
                       entry);
    return ForMode(deciding->UserConnectAs(), deciding->UserName(), deciding->UserPassword(), prompt, entry);
}

TResolvedCredentials ResolveDefaultCredentials(const TProgramOptions& options, IConnectAsPrompt& prompt) {
    return ForMode(options.DefaultUserConnectAs, options.DefaultUserName, options.DefaultUserPassword, prompt, nullptr);
}

bool NeedsCredentialsPrompt(const TPreObject* entry, const TProgramOptions& options) {
    const TPreObject* deciding = DecidingEntry(entry);
    return (deciding ? quint8(deciding->UserConnectAs()) : options.DefaultUserConnectAs) == ucPromptUser;
}
