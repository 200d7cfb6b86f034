// The server on HTTPS with a private certificate authority, as on a LAN: the
// terminal tool and the agent's client trust it through "ca_file".
#include <cstdlib>

#include "service/HTTPTransport.h"
#include "support/harness/ToolFixture.h"

namespace orvendi::test {
namespace {

class TlsTest : public ToolFixture {
protected:
    void SetUp() override {
        makeCertificates();
        ToolFixture::SetUp();
        url_ = "https://localhost:" + std::to_string(server().port());
        writeConfig(true, {{"api_url", url_}, {"supabase_url", url_}, {"ca_file", caFile()}});
    }

    std::vector<std::string> serverArguments() const override {
        return {"--tls-cert", (temp() / "server.pem").string(),
                "--tls-key",  (temp() / "server.key").string(),
                "--host",     "localhost"};
    }
    std::string caFile() const { return (temp() / "ca.pem").string(); }

    // A throwaway authority and a certificate it signed for "localhost".
    void makeCertificates() {
        writeFile(temp() / "san.ext", "subjectAltName=DNS:localhost\n");
        const std::string in = "cd '" + temp().string() + "' && ";
        const std::string quiet = " 2>/dev/null";
        const std::string key = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes ";
        ASSERT_EQ(std::system((in + "openssl req -x509" + key +
                               "-days 2 -subj /CN=Test-CA -keyout ca.key -out ca.pem" + quiet)
                                  .c_str()),
                  0);
        ASSERT_EQ(std::system((in + "openssl req" + key +
                               "-subj /CN=localhost -keyout server.key -out server.csr" + quiet)
                                  .c_str()),
                  0);
        ASSERT_EQ(std::system((in +
                               "openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key "
                               "-CAcreateserial -days 2 -extfile san.ext -out server.pem" +
                               quiet)
                                  .c_str()),
                  0);
    }

    std::string url_;
};

TEST_F(TlsTest, ClientsTrustTheConfiguredAuthorityAndNothingElse) {
    const auto trusted = tool({"transcribe", spokenFile("numbers.wav").string()});
    EXPECT_EQ(trusted.status, 0) << trusted.err;
    EXPECT_NE(trusted.out.find("three"), std::string::npos) << trusted.out;

    writeConfig(true, {{"api_url", url_}, {"supabase_url", url_}});
    const auto untrusted = tool({"transcribe", spokenFile("numbers.wav").string()});
    EXPECT_EQ(untrusted.status, 1);
    EXPECT_NE(untrusted.err.find("certificate"), std::string::npos) << untrusted.err;
}

TEST_F(TlsTest, RequestsForAnotherHostNameAreRefused) {
    HTTPTransport transport(caFile());
    HTTPRequest request;
    request.url = url_ + "/api/account";
    EXPECT_EQ(transport.perform(request).status, 401);
    request.headers = {{"Host", "elsewhere.example"}};
    EXPECT_EQ(transport.perform(request).status, 421);
}

} // namespace
} // namespace orvendi::test
