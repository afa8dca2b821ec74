// Certificates for TLS tests, made with the openssl program the first time a
// test asks, in a temporary folder of their own: a CA the gateway is told to
// trust (never the host's store), and server certificates it signed (good,
// for another name, expired) or that an unknown CA signed.
#pragma once

#include <string>

namespace gwtest {

struct Identity {
    std::string certificate;  // PEM files
    std::string key;
};

struct TestCertificates {
    std::string ca;       // the trusted CA's certificate, for --ca-file
    Identity good;        // 127.0.0.1 and localhost
    Identity wrong_name;  // wrong.example only
    Identity expired;     // 127.0.0.1 and localhost, valid for no time at all
    Identity untrusted;   // 127.0.0.1 and localhost, signed by a CA nobody trusts
};

// Throws std::runtime_error when openssl fails.
const TestCertificates& test_certificates();

}  // namespace gwtest
