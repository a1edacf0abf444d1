#include "TestHostProgram.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

// dormiva-testhost: Windows computers as WS-Management sees them, on loopback addresses, for tests.
int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Simulates Windows hosts answering WMI over WS-Management.\n"
                       "HOST is ADDRESS or FIRST-LAST (IPv4), optionally followed by behaviours separated by commas:\n"
                       "  deny, noos, drop, silent, singleton, huge, ntlmonly, unencrypted, tamper, plainanswers,\n"
                       "  closeonchallenge, preemptive, cbtstrict, unproved, delay=MS, return=N, reboot=MS, noreturn,\n"
                       "  fault=TEXT (takes the rest). cbtstrict: HTTPS logons must be bound to the channel;\n"
                       "  unproved: no Kerberos proof; reboot=MS: an accepted restart drops requests for MS, then\n"
                       "  the host reports a new LastBootUpTime; noreturn: it stays down.\n"
                       "Accepts NTLM (under Negotiate, or NTLM with ntlmonly), Basic, and Kerberos when KRB5_KTNAME\n"
                       "names a keytab for HTTP/<name>. As a default Windows host, over HTTP it takes only sealed\n"
                       "bodies and no Basic, unless unencrypted is given.\n"
                       "Basic is taken on a connection only after a 401 challenge, unless preemptive is given.\n"
                       "Prints \"ready\" when listening, \"shutdown ADDRESS FLAGS\" per accepted Win32Shutdown,\n"
                       "\"tracker ADDRESS FLAGS TIMEOUT REASONCODE COMMENT\" (percent-encoded) per accepted\n"
                       "Win32ShutdownTracker and\n"
                       "\"unasked ADDRESS\" per Basic credentials sent before a challenge.\n"
                       "Reads commands on stdin: \"set HOST\", \"peak\", \"resetpeak\"."));
    parser.addHelpOption();
    const QCommandLineOption user(QStringLiteral("user"), QStringLiteral("Accepted user name."),
                                  QStringLiteral("name"));
    const QCommandLineOption password(QStringLiteral("password"), QStringLiteral("Accepted password."),
                                      QStringLiteral("text"));
    const QCommandLineOption httpPort(QStringLiteral("http-port"), QStringLiteral("HTTP port, 0 for none."),
                                      QStringLiteral("port"), QStringLiteral("5985"));
    const QCommandLineOption httpsPort(QStringLiteral("https-port"), QStringLiteral("HTTPS port, 0 for none."),
                                       QStringLiteral("port"), QStringLiteral("5986"));
    const QCommandLineOption tcpPort(QStringLiteral("tcp-port"),
                                     QStringLiteral("Plain TCP port held open for reachability checks, 0 for none."),
                                     QStringLiteral("port"), QStringLiteral("0"));
    const QCommandLineOption certificate(QStringLiteral("certificate"),
                                         QStringLiteral("Writes the HTTPS certificate (PEM) to this file, for clients "
                                                        "to trust."),
                                         QStringLiteral("file"));
    parser.addOptions({user, password, httpPort, httpsPort, tcpPort, certificate});
    parser.addPositionalArgument(QStringLiteral("HOST"), QStringLiteral("Address or range, with behaviours."),
                                 QStringLiteral("HOST..."));
    parser.process(app);

    TTestHostOptions options;
    if (parser.isSet(user))
        options.UserName = parser.value(user);
    if (parser.isSet(password))
        options.Password = parser.value(password);
    options.HttpPort = parser.value(httpPort).toUShort();
    options.HttpsPort = parser.value(httpsPort).toUShort();
    options.TcpPort = parser.value(tcpPort).toUShort();
    options.CertificateFile = parser.value(certificate);
    options.Hosts = parser.positionalArguments();
    if (options.Hosts.isEmpty()) {
        std::fputs("dormiva-testhost: no HOST given\n", stderr);
        return 2;
    }
    TTestHostProgram program(options);
    const QString error = program.Start();
    if (!error.isEmpty()) {
        std::fprintf(stderr, "dormiva-testhost: %s\n", qPrintable(error));
        return 1;
    }
    return app.exec();
}
