# Sends one SOAP envelope with python3-winrm and writes the answer.
# Usage: winrm_send.py ENDPOINT USER PASSWORD REQUEST_FILE ANSWER_FILE [TRANSPORT [ENCRYPTION [BINDING [SERVICE_HOST]]]]
#   TRANSPORT: basic (the default), ntlm or kerberos (the ticket cache of KRB5CCNAME);
#   ENCRYPTION: auto (the default: sealed over HTTP where the transport can) or never;
#   BINDING: send (the default: NTLM over HTTPS names the TLS channel) or omit;
#   SERVICE_HOST: the host name of the Kerberos service principal, when the endpoint names an address.
# Exit code 3 when winrm cannot be imported, so the caller can skip; 4 when the credentials are refused.
import sys

try:
    from winrm.exceptions import InvalidCredentialsError
    from winrm.protocol import Protocol
except ImportError as error:
    print(error, file=sys.stderr)
    sys.exit(3)

endpoint, user, password, request_file, answer_file = sys.argv[1:6]
transport = sys.argv[6] if len(sys.argv) > 6 else 'basic'
encryption = sys.argv[7] if len(sys.argv) > 7 else 'auto'
binding = sys.argv[8] if len(sys.argv) > 8 else 'send'
service_host = sys.argv[9] if len(sys.argv) > 9 else None
with open(request_file, 'r', encoding='utf-8') as request:
    envelope = request.read()
try:
    protocol = Protocol(endpoint=endpoint, transport=transport, username=user, password=password,
                        server_cert_validation='ignore', message_encryption=encryption,
                        send_cbt=binding == 'send', kerberos_hostname_override=service_host)
    answer = protocol.send_message(envelope)
except InvalidCredentialsError as error:
    print(error, file=sys.stderr)
    sys.exit(4)
with open(answer_file, 'wb') as out:
    out.write(answer if isinstance(answer, bytes) else answer.encode('utf-8'))
