#include "GssSecurityContext.h"

#include "LangChanger.h"
#include "NtlmError.h"

#include <gssapi/gssapi_ext.h>

namespace {

[[noreturn]] void BadSignature() {
    throw TNtlmError(LangStr(QStringLiteral("sNtlmBadSignature")));
}

} // namespace

TGssSecurityContext::TGssSecurityContext(gss_ctx_id_t context, QByteArrayView protocol)
    : m_Context(context), m_Protocol(protocol.toByteArray()) {}

TGssSecurityContext::~TGssSecurityContext() {
    OM_uint32 minor = 0;
    gss_delete_sec_context(&minor, &m_Context, GSS_C_NO_BUFFER);
}

IMessageSeal::TSealed TGssSecurityContext::Seal(QByteArrayView message) {
    TSealed sealed;
    sealed.Data = message.toByteArray();
    gss_iov_buffer_desc iov[3] = {};
    iov[0].type = GSS_IOV_BUFFER_TYPE_HEADER | GSS_IOV_BUFFER_FLAG_ALLOCATE;
    iov[1].type = GSS_IOV_BUFFER_TYPE_DATA;
    iov[1].buffer = {size_t(sealed.Data.size()), sealed.Data.data()};
    iov[2].type = GSS_IOV_BUFFER_TYPE_PADDING | GSS_IOV_BUFFER_FLAG_ALLOCATE;
    OM_uint32 minor = 0;
    int confidential = 0;
    const OM_uint32 major = gss_wrap_iov(&minor, m_Context, 1, GSS_C_QOP_DEFAULT, &confidential, iov, 3);
    if (GSS_ERROR(major) || !confidential) {
        gss_release_iov_buffer(&minor, iov, 3);
        throw TNtlmError(LangStr(QStringLiteral("sKerberosSealFailed")));
    }
    sealed.Signature = QByteArray(static_cast<const char*>(iov[0].buffer.value), qsizetype(iov[0].buffer.length));
    sealed.Data.append(static_cast<const char*>(iov[2].buffer.value), qsizetype(iov[2].buffer.length));
    gss_release_iov_buffer(&minor, iov, 3);
    return sealed;
}

QByteArray TGssSecurityContext::Unseal(QByteArrayView data, QByteArrayView signature) {
    QByteArray header = signature.toByteArray();
    QByteArray plain = data.toByteArray();
    gss_iov_buffer_desc iov[3] = {};
    iov[0].type = GSS_IOV_BUFFER_TYPE_HEADER;
    iov[0].buffer = {size_t(header.size()), header.data()};
    iov[1].type = GSS_IOV_BUFFER_TYPE_DATA;
    iov[1].buffer = {size_t(plain.size()), plain.data()};
    // Takes what RC4 appends after the data; stays empty for AES.
    iov[2].type = GSS_IOV_BUFFER_TYPE_DATA;
    OM_uint32 minor = 0;
    int confidential = 0;
    gss_qop_t qop = 0;
    const OM_uint32 major = gss_unwrap_iov(&minor, m_Context, &confidential, &qop, iov, 3);
    // Integrity alone is not enough: the request promised sealing, and so must the answer.
    if (GSS_ERROR(major) || major & (GSS_S_DUPLICATE_TOKEN | GSS_S_OLD_TOKEN | GSS_S_UNSEQ_TOKEN | GSS_S_GAP_TOKEN) ||
        !confidential)
        BadSignature();
    plain.truncate(qsizetype(iov[1].buffer.length));
    return plain;
}
