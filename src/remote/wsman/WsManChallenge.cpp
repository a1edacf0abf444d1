#include "WsManChallenge.h"

std::optional<QByteArray> AuthenticationOffer(const TWsManHttpReply& reply, const QByteArray& scheme) {
    for (const auto& [name, value] : reply.Headers) {
        if (name.compare("WWW-Authenticate", Qt::CaseInsensitive) != 0)
            continue;
        for (const QByteArray& challenge : value.split(',')) {
            const QByteArray trimmed = challenge.trimmed();
            const QByteArray offered = trimmed.split(' ').first();
            if (offered.compare(scheme, Qt::CaseInsensitive) == 0)
                return trimmed.mid(offered.size()).trimmed();
        }
    }
    return std::nullopt;
}
