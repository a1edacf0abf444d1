#pragma once

#include <QCoreApplication>
#include <QObject>
#include <QString>
#include <QStringList>

#include <thread>

// A network namespace that a test creates and removes again (also when the test fails): the only place
// besides loopback where tests may send traffic. Its name carries the test's process id.
class TNetworkNamespace {
public:
    explicit TNetworkNamespace(const QString& label);
    ~TNetworkNamespace();
    TNetworkNamespace(const TNetworkNamespace&) = delete;
    TNetworkNamespace& operator=(const TNetworkNamespace&) = delete;

    // Whether this process may create namespaces; why not when it may not.
    static bool CanCreate(QString* why);

    const QString& Name() const { return m_name; }
    bool IsCreated() const { return m_created; }
    // Runs "ip -n NAME args..."; true on success.
    bool Ip(const QStringList& args) const;
    // The hardware address of one of its interfaces as ip prints it ("aa:bb:cc:dd:ee:ff"); empty when unknown.
    QString HardwareAddress(const QString& device) const;
    // Runs a command inside the namespace and waits for it; true on success.
    bool Exec(const QStringList& command) const;
    // The resolv.conf that programs started with "ip netns exec" see instead of the machine's own; removed
    // with the namespace.
    bool SetResolverConfig(const QByteArray& text) const;

    // Runs the work on a thread that has entered the namespace and gives its result (a default value
    // when the namespace could not be entered).
    template <typename TWork> auto Inside(TWork work) const -> decltype(work()) {
        decltype(work()) result{};
        std::thread thread([&] {
            if (EnterOnThisThread())
                result = work();
        });
        thread.join();
        return result;
    }

    // Moves the calling thread into the namespace; threads it starts afterwards are born there.
    bool EnterOnThisThread() const;

private:
    QString m_name;
    bool m_created = false;
    mutable bool m_madeEtcNetns = false;
};

// Runs the test whose peers live in namespaces; exits 77 (skipped) after printing why when a peer program
// is missing (the reason given) or this process may not create namespaces.
int RunNamespaceTest(QObject* test, int argc, char** argv, const QString& missing = QString());

#define DORMIVA_NAMESPACE_TEST_MAIN(TestClass)                                                                         \
    int main(int argc, char** argv) {                                                                                  \
        QCoreApplication app(argc, argv);                                                                              \
        TestClass test;                                                                                                \
        return RunNamespaceTest(&test, argc, argv);                                                                    \
    }
