#pragma once

#include <QString>

class IConnectAsPrompt;
class TPreObject;
struct TProgramOptions;

// The account a remote action connects with; empty name and password mean the user running the
// program. Success is false when the operator cancelled the prompt or a mode is unknown.
struct TResolvedCredentials {
    bool Success = false;
    QString UserName;
    QString Password;
};

// The credentials of an entry, following inherited modes up its groups to the program-wide defaults
// (entry none: the defaults). Prompt modes ask through prompt, starting from empty fields. Main thread.
TResolvedCredentials ResolveCredentials(const TPreObject* entry, const TProgramOptions& options,
                                        IConnectAsPrompt& prompt);
TResolvedCredentials ResolveDefaultCredentials(const TProgramOptions& options, IConnectAsPrompt& prompt);
// Whether resolving the entry's credentials asks the operator.
bool NeedsCredentialsPrompt(const TPreObject* entry, const TProgramOptions& options);
