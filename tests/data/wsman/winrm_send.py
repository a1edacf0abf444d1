# Sends one SOAP envelope with python3-winrm (Basic authentication) and writes the answer.
# Usage: winrm_send.py ENDPOINT USER PASSWORD REQUEST_FILE ANSWER_FILE
# Exit code 3 when winrm cannot be imported, so the caller can skip.
import sys

try:
    from winrm.protocol import Protocol
except ImportError as error:
    print(error, file=sys.stderr)
    sys.exit(3)

endpoint, user, password, request_file, answer_file = sys.argv[1:6]
protocol = Protocol(endpoint=endpoint, transport='basic', username=user, password=password,
                    server_cert_validation='ignore')
with open(request_file, 'r', encoding='utf-8') as request:
    answer = protocol.send_message(request.read())
with open(answer_file, 'wb') as out:
    out.write(answer if isinstance(answer, bytes) else answer.encode('utf-8'))
