#pragma once

// A certificate authority made fresh in the test that needs one (an EC P-256
// key, valid from an hour ago for a day), which issues server certificates
// for the names given. Everything is written as PEM files into a scratch
// folder that goes with the object. Clients trust it through its
// certificate file; nothing of the system's store is touched.

#include <string>
#include <vector>

#include "tests/support/TempDir.h"

namespace mw::test {

class TestCertificateAuthority {
public:
    struct Issued {
        std::string certificateFile; // PEM: the server certificate
        std::string keyFile; // PEM: its private key
    };

    // `name` is the authority's common name.
    explicit TestCertificateAuthority(const std::string& name = "Mosswick Test Authority");
    ~TestCertificateAuthority();
    TestCertificateAuthority(const TestCertificateAuthority&) = delete;
    TestCertificateAuthority& operator=(const TestCertificateAuthority&) = delete;

    // The authority's own certificate, for the client's trust.
    const std::string& certificateFile() const { return certificateFile_; }
    // A server certificate for the subject-alternative names given as
    // OpenSSL writes them ("IP:127.0.0.1", "DNS:localhost").
    Issued issue(const std::vector<std::string>& alternativeNames);
    // The same, but its validity ended a day ago (for tests of refusal).
    Issued issueExpired(const std::vector<std::string>& alternativeNames);

private:
    Issued issueValid(const std::vector<std::string>& alternativeNames, bool expired);
    struct Keys;
    TempDir folder_;
    std::string certificateFile_;
    Keys* keys_ = nullptr;
    int issued_ = 0;
};

} // namespace mw::test
