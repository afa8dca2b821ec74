#include "test_certificates.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace gwtest {
namespace {

namespace fs = std::filesystem;

const std::string kLoopbackNames = "subjectAltName=IP:127.0.0.1,DNS:localhost";

// A folder removed with everything in it when the tests end.
class TemporaryFolder {
public:
    TemporaryFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "nxcommd-tls-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("cannot make a temporary folder");
        path_ = pattern;
    }
    ~TemporaryFolder()
    {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    fs::path path_;
};

void run(const std::string& command)
{
    if (std::system((command + " >/dev/null 2>&1").c_str()) != 0)
        throw std::runtime_error("failed: " + command);
}

// Elliptic-curve keys: quick to make.
const std::string kNewKey = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";

std::string make_ca(const TemporaryFolder& folder, const std::string& name)
{
    run("openssl req -x509" + kNewKey + " -days 2 -subj /CN=" + name + " -keyout " +
        folder.file(name + ".key") + " -out " + folder.file(name + ".pem"));
    return folder.file(name + ".pem");
}

Identity make_server(const TemporaryFolder& folder, const std::string& name, const std::string& ca,
                     const std::string& names, int days)
{
    const Identity identity{folder.file(name + ".pem"), folder.file(name + ".key")};
    const std::string request = folder.file(name + ".csr");
    const std::string extensions = folder.file(name + ".ext");
    std::ofstream(extensions) << names << "\n";
    run("openssl req" + kNewKey + " -subj /CN=" + name + " -keyout " + identity.key + " -out " +
        request);
    run("openssl x509 -req -in " + request + " -CA " + folder.file(ca + ".pem") + " -CAkey " +
        folder.file(ca + ".key") + " -CAcreateserial -CAserial " + folder.file(ca + ".srl") +
        " -days " + std::to_string(days) + " -extfile " + extensions + " -out " +
        identity.certificate);
    return identity;
}

TestCertificates make_all(const TemporaryFolder& folder)
{
    TestCertificates made;
    made.ca = make_ca(folder, "trusted-ca");
    make_ca(folder, "unknown-ca");
    made.good = make_server(folder, "good", "trusted-ca", kLoopbackNames, 2);
    made.wrong_name =
        make_server(folder, "wrong", "trusted-ca", "subjectAltName=DNS:wrong.example", 2);
    // Valid from now until now: expired by the time anyone checks.
    made.expired = make_server(folder, "expired", "trusted-ca", kLoopbackNames, 0);
    made.untrusted = make_server(folder, "untrusted", "unknown-ca", kLoopbackNames, 2);
    return made;
}

}  // namespace

const TestCertificates& test_certificates()
{
    static const TemporaryFolder folder;
    static const TestCertificates made = make_all(folder);
    return made;
}

}  // namespace gwtest
