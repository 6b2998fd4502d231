#include "tests/support/TestCertificates.h"

#include <chrono>
#include <fstream>
#include <vector>

#include "tests/support/ChildProcess.h"

namespace tarnel {
namespace {

using namespace std::chrono_literals;

const std::vector<std::string> kNewKey = {"-newkey", "ec", "-pkeyopt",
                                          "ec_paramgen_curve:prime256v1", "-nodes"};

::testing::AssertionResult OpenSsl(std::vector<std::string> args) {
    args.insert(args.begin(), "openssl");
    const auto run = ChildProcess::Run(args, 60s);
    if (run.status == 0) return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure();
    for (const auto& arg : args) failure << arg << " ";
    if (!run.status) failure << "(overran its time)";
    return failure << "failed:\n" << run.output;
}

}  // namespace

::testing::AssertionResult TestCertificates::MakeCa(const std::string& strName,
                                                    const std::string& strCn) const {
    std::vector<std::string> args = {"req", "-x509"};
    args.insert(args.end(), kNewKey.begin(), kNewKey.end());
    args.insert(args.end(),
                {"-keyout", File(strName + ".key"), "-out", File(strName + ".crt"), "-days", "1",
                 "-subj", "/CN=" + strCn, "-addext", "basicConstraints=critical,CA:TRUE", "-addext",
                 "keyUsage=critical,keyCertSign,cRLSign"});
    return OpenSsl(args);
}

::testing::AssertionResult TestCertificates::MakeSigned(const std::string& strName,
                                                        const std::string& strCn,
                                                        const std::string& strExtensions,
                                                        const std::string& strSerial) const {
    std::vector<std::string> request = {"req", "-new"};
    request.insert(request.end(), kNewKey.begin(), kNewKey.end());
    request.insert(request.end(), {"-keyout", File(strName + ".key"), "-out",
                                   File(strName + ".csr"), "-subj", "/CN=" + strCn});
    if (auto made = OpenSsl(request); !made) return made;
    std::ofstream(File(strName + ".ext")) << strExtensions;
    return OpenSsl({"x509", "-req", "-in", File(strName + ".csr"), "-CA", CaCert(), "-CAkey",
                    File("ca.key"), "-set_serial", strSerial, "-days", "1", "-out",
                    File(strName + ".crt"), "-extfile", File(strName + ".ext")});
}

::testing::AssertionResult TestCertificates::Make() const {
    if (auto made = MakeCa("ca", "Tarnel Test CA"); !made) return made;
    if (auto made = MakeCa("other-ca", "Unrelated CA"); !made) return made;
    if (auto made = MakeSigned("server", "localhost",
                               "basicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n"
                               "subjectAltName=DNS:localhost,IP:127.0.0.1\n",
                               "2");
        !made) {
        return made;
    }
    return MakeSigned("client", "tarnel-client",
                      "basicConstraints=CA:FALSE\nextendedKeyUsage=clientAuth\n", "3");
}

}  // namespace tarnel
