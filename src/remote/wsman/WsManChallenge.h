#pragma once

#include "WsManHttpConnection.h"

#include <QByteArray>

#include <optional>

// The token of a "WWW-Authenticate: SCHEME TOKEN" challenge, or an empty token for a bare "SCHEME"
// offer; none when the scheme is not offered at all.
std::optional<QByteArray> AuthenticationOffer(const TWsManHttpReply& reply, const QByteArray& scheme);
