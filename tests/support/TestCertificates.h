#pragma once
#include <gtest/gtest.h>

#include <string>

#include "tests/support/MosquittoBroker.h"

namespace tarnel {

// Keys and certificates for TLS tests, made by openssl in a folder (EC P-256,
// valid for a day): a CA, a server certificate of that CA for localhost and
// 127.0.0.1, a client certificate of that CA, and an unrelated second CA.
class TestCertificates {
public:
    explicit TestCertificates(std::string strFolder) : m_Folder(std::move(strFolder)) {}

    // Runs openssl; a failure carries the command and what openssl said.
    ::testing::AssertionResult Make() const;

    std::string CaCert() const { return File("ca.crt"); }
    std::string ServerCert() const { return File("server.crt"); }
    std::string ServerKey() const { return File("server.key"); }
    std::string ClientCert() const { return File("client.crt"); }
    std::string ClientKey() const { return File("client.key"); }
    std::string OtherCaCert() const { return File("other-ca.crt"); }

    // The broker's TLS listener with the server certificate.
    BrokerTls ForBroker(bool bRequireCertificate = false) const {
        return {CaCert(), ServerCert(), ServerKey(), bRequireCertificate};
    }

private:
    std::string File(const std::string& strName) const { return m_Folder + "/" + strName; }
    ::testing::AssertionResult MakeCa(const std::string& strName, const std::string& strCn) const;
    ::testing::AssertionResult MakeSigned(const std::string& strName, const std::string& strCn,
                                          const std::string& strExtensions,
                                          const std::string& strSerial) const;

    std::string m_Folder;
};

}  // namespace tarnel
