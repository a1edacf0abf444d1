#include "KerberosServer.h"

#include <gssapi/gssapi_ext.h>

TKerberosServer::~TKerberosServer() {
    OM_uint32 minor = 0;
    gss_delete_sec_context(&minor, &m_Context, GSS_C_NO_BUFFER);
}

TKerberosServer::TStep TKerberosServer::Accept(const QByteArray& clientToken, const QByteArray& channelBinding) {
    gss_buffer_desc input = {size_t(clientToken.size()), const_cast<char*>(clientToken.constData())};
    gss_buffer_desc output = GSS_C_EMPTY_BUFFER;
    gss_channel_bindings_struct bindings = {};
    bindings.application_data = {size_t(channelBinding.size()), const_cast<char*>(channelBinding.constData())};
    OM_uint32 minor = 0;
    OM_uint32 flags = 0;
    const OM_uint32 major = gss_accept_sec_context(&minor, &m_Context, GSS_C_NO_CREDENTIAL, &input,
                                                   channelBinding.isEmpty() ? GSS_C_NO_CHANNEL_BINDINGS : &bindings,
                                                   nullptr, nullptr, &output, &flags, nullptr, nullptr);
    TStep step;
    step.Token = QByteArray(static_cast<const char*>(output.value), qsizetype(output.length));
    gss_release_buffer(&minor, &output);
    step.Accepted = !GSS_ERROR(major);
    step.Established = major == GSS_S_COMPLETE;
    step.ChannelBound = (flags & GSS_C_CHANNEL_BOUND_FLAG) != 0;
    if (!step.Accepted)
        gss_delete_sec_context(&minor, &m_Context, GSS_C_NO_BUFFER);
    return step;
}

bool TKerberosServer::IsKerberosToken(const QByteArray& token) {
    // Both begin with the DER application tag of an initial context token; a SPNEGO answer leg with
    // a context-specific tag. NTLM tokens begin with "NTLMSSP".
    return !token.isEmpty() && (token.at(0) == char(0x60) || token.at(0) == char(0xa1));
}

std::unique_ptr<TGssSecurityContext> TKerberosServer::TakeContext(QByteArrayView protocol) {
    auto context = std::make_unique<TGssSecurityContext>(m_Context, protocol);
    m_Context = GSS_C_NO_CONTEXT;
    return context;
}
