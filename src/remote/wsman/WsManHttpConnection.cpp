#include "WsManHttpConnection.h"

#include "ERemoteError.h"
#include "LangChanger.h"
#include "uFormat.h"

#include <QCryptographicHash>
#include <QUrl>

#include <curl/curl.h>

namespace {

// libcurl's process-wide set-up, done once before the first connection of any thread.
void InitializeCurlOnce() {
    static const CURLcode initialized = curl_global_init(CURL_GLOBAL_DEFAULT);
    Q_UNUSED(initialized);
}

QString HostOf(const QString& computer) {
    const QString name = computer.trimmed();
    return name.isEmpty() || name == QLatin1String(".") ? QStringLiteral("localhost") : name;
}

struct TTransfer {
    TWsManHttpReply Reply;
    bool TooLarge = false;
};

size_t WriteBody(char* data, size_t size, size_t count, void* user) {
    auto* transfer = static_cast<TTransfer*>(user);
    const size_t bytes = size * count;
    if (transfer->Reply.Body.size() + qsizetype(bytes) > TWsManHttpConnection::MaxReplySize) {
        transfer->TooLarge = true;
        return 0; // makes libcurl stop with a write error
    }
    transfer->Reply.Body.append(data, qsizetype(bytes));
    return bytes;
}

size_t WriteHeader(char* data, size_t size, size_t count, void* user) {
    auto* transfer = static_cast<TTransfer*>(user);
    const QByteArray line = QByteArray(data, qsizetype(size * count)).trimmed();
    if (line.startsWith("HTTP/")) // a new answer (after 100 Continue or an authentication round)
        transfer->Reply.Headers.clear();
    const qsizetype colon = line.indexOf(':');
    if (colon > 0)
        transfer->Reply.Headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
    return size * count;
}

// RFC 5929: the certificate's own signature hash, except that MD5 and SHA-1 become SHA-256.
QByteArray EndPointBinding(const curl_certinfo* certificates) {
    if (!certificates || certificates->num_of_certs < 1)
        return QByteArray();
    QByteArray pem;
    QByteArray algorithm;
    for (const curl_slist* field = certificates->certinfo[0]; field; field = field->next) {
        const QByteArray text(field->data);
        if (text.startsWith("Cert:"))
            pem = text.mid(5);
        else if (text.startsWith("Signature Algorithm:"))
            algorithm = text.mid(20).toLower();
    }
    const qsizetype begin = pem.indexOf("-----BEGIN CERTIFICATE-----");
    const qsizetype end = pem.indexOf("-----END CERTIFICATE-----");
    if (begin < 0 || end < begin)
        return QByteArray();
    const QByteArray der = QByteArray::fromBase64(pem.mid(begin + 27, end - begin - 27).simplified().replace(' ', ""));
    const QCryptographicHash::Algorithm hash = algorithm.contains("sha384")   ? QCryptographicHash::Sha384
                                               : algorithm.contains("sha512") ? QCryptographicHash::Sha512
                                                                              : QCryptographicHash::Sha256;
    return "tls-server-end-point:" + QCryptographicHash::hash(der, hash);
}

struct TCurlSlist {
    curl_slist* List = nullptr;
    ~TCurlSlist() { curl_slist_free_all(List); }
    void Append(const QByteArray& line) {
        if (curl_slist* grown = curl_slist_append(List, line.constData()))
            List = grown;
    }
};

} // namespace

QByteArray TWsManHttpReply::Header(const QByteArray& name) const {
    for (const auto& [key, value] : Headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return QByteArray();
}

struct TWsManHttpConnection::TCurl {
    CURL* Handle = nullptr;
    char ErrorText[CURL_ERROR_SIZE] = {};
    ~TCurl() { curl_easy_cleanup(Handle); }
};

TWsManHttpConnection::TWsManHttpConnection(const QString& computer, const TRemoteSettings& settings,
                                           QDeadlineTimer deadline)
    : m_Computer(computer), m_Settings(settings), m_Deadline(deadline), m_Curl(std::make_unique<TCurl>()) {
    InitializeCurlOnce();
    QUrl url;
    url.setScheme(settings.Https ? QStringLiteral("https") : QStringLiteral("http"));
    url.setHost(HostOf(computer), QUrl::StrictMode);
    url.setPort(settings.EffectivePort());
    url.setPath(QStringLiteral("/wsman"));
    if (!url.isValid() || url.host().isEmpty())
        throw ERemoteError(Format(LangStr(QStringLiteral("sRemoteInvalidComputer")), {computer}), 0, computer);
    m_Url = url.toString(QUrl::FullyEncoded);

    m_Curl->Handle = curl_easy_init();
    if (!m_Curl->Handle)
        throw ERemoteError(Format(LangStr(QStringLiteral("sRemoteConnectFailed")), {computer, Port(), QString()}));
    CURL* curl = m_Curl->Handle;
    curl_easy_setopt(curl, CURLOPT_URL, m_Url.toUtf8().constData());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, m_Curl->ErrorText);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, settings.VerifyCertificate ? 1L : 0L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, settings.VerifyCertificate ? 2L : 0L);
    // Kerberos binds its logon to the server's certificate.
    curl_easy_setopt(curl, CURLOPT_CERTINFO, settings.Https ? 1L : 0L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteBody);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, WriteHeader);
}

TWsManHttpConnection::~TWsManHttpConnection() = default;

TWsManHttpReply TWsManHttpConnection::Post(const QByteArray& body, const QByteArray& contentType,
                                           const QList<QByteArray>& extraHeaders) {
    const qint64 remaining = m_Deadline.remainingTime();
    if (remaining == 0)
        throw ERemoteError(Format(LangStr(QStringLiteral("sRemoteTimeout")),
                                  {m_Computer, Port(), m_Settings.EffectiveTimeoutSeconds()}),
                           0, m_Computer);
    CURL* curl = m_Curl->Handle;
    TCurlSlist headers;
    headers.Append("Content-Type: " + contentType);
    headers.Append("Expect:");
    for (const QByteArray& header : extraHeaders)
        headers.Append(header);
    TTransfer transfer;
    m_Curl->ErrorText[0] = '\0';
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.List);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.constData());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body.size()));
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &transfer);
    // A negative remaining time means no deadline; libcurl takes 0 as "no time-out".
    const long timeoutMs = remaining < 0 ? 0L : long(qMax<qint64>(1, remaining));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, timeoutMs);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, timeoutMs);
    const CURLcode code = curl_easy_perform(curl);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
    if (transfer.TooLarge)
        throw ERemoteError(Format(LangStr(QStringLiteral("sRemoteAnswerTooLarge")),
                                  {m_Computer, Port(), int(MaxReplySize / (1024 * 1024))}),
                           0, m_Computer);
    if (code == CURLE_OPERATION_TIMEDOUT) {
        // A request that went out whole may be carried out although its answer is late; one that never
        // left (no connection, or cut short) cannot be.
        curl_off_t uploaded = 0;
        long requestSize = 0;
        curl_easy_getinfo(curl, CURLINFO_SIZE_UPLOAD_T, &uploaded);
        curl_easy_getinfo(curl, CURLINFO_REQUEST_SIZE, &requestSize);
        const bool sent = !body.isEmpty() && requestSize > 0 && uploaded == curl_off_t(body.size());
        throw ERemoteError(Format(LangStr(QStringLiteral("sRemoteTimeout")),
                                  {m_Computer, Port(), m_Settings.EffectiveTimeoutSeconds()}),
                           0, m_Computer, sent);
    }
    if (code != CURLE_OK) {
        const QString cause =
            m_Curl->ErrorText[0] ? QString::fromUtf8(m_Curl->ErrorText) : QString::fromUtf8(curl_easy_strerror(code));
        throw ERemoteError(Format(LangStr(QStringLiteral("sRemoteConnectFailed")), {m_Computer, Port(), cause}), 0,
                           m_Computer);
    }
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &transfer.Reply.Status);
    if (m_Settings.Https) {
        // libcurl reports the certificates only for the request that made the connection.
        curl_certinfo* certificates = nullptr;
        curl_easy_getinfo(curl, CURLINFO_CERTINFO, &certificates);
        if (const QByteArray binding = EndPointBinding(certificates); !binding.isEmpty())
            m_ChannelBinding = binding;
    }
    long connects = 0;
    curl_easy_getinfo(curl, CURLINFO_NUM_CONNECTS, &connects);
    transfer.Reply.NewConnection = connects > 0;
    return std::move(transfer.Reply);
}
