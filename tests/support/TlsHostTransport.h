#pragma once
// Puts TLS under the loopback TN5250 test host: the host's transport factory
// runs the server handshake on each accepted socket (bounded, on the host's
// thread) and then carries the host's bytes through the secure session.
#include <atomic>
#include <memory>

#include "tests/support/TestHost5250.h"
#include "tests/support/TlsTestServer.h"

namespace qwtest {

// A factory for TestHost5250::Options::transport. A client whose handshake
// fails is refused (its socket closed). `closeNotifies`, when given, counts
// the clients that ended their session with the closing alert.
HostTransportFactory TlsHostTransportFactory(
    const TlsServerConfig& config, std::shared_ptr<std::atomic<int>> closeNotifies = nullptr);

}  // namespace qwtest
