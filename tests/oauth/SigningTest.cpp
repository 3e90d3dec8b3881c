// SPDX-License-Identifier: GPL-3.0-or-later
// OAuth 1.0a signatures as RFC 5849 works them out in its examples, and one
// worked out apart from this code (Python's hmac and urllib) for what the
// examples lack: a form body and a query with repeated names, characters
// outside ASCII, a port, capitals in the address and secrets that need encoding.
#include <gtest/gtest.h>

#include "oauth/RequestSigner.h"

namespace qv::oauth {
namespace {

// RFC 5849 section 1.2: the client's and the tokens' credentials.
const ClientCredentials kPrinter{"dpf43f3p2l4k3l03", "kd94hf93k423kf44"};

SigningInput Rfc12(const std::string& method, const std::string& url, std::int64_t timestamp, const std::string& nonce) {
    SigningInput input;
    input.method = method;
    input.url = url;
    input.client = kPrinter;
    input.nonce = nonce;
    input.timestamp = timestamp;
    input.realm = "Photos";
    input.withVersion = false;
    return input;
}

TEST(Signing, Rfc5849WorkedExamplesGiveTheirSignaturesAndBaseString) {
    SigningInput initiate = Rfc12("POST", "https://photos.example.net/initiate", 137131200, "wIjqoS");
    initiate.protocol = {{"oauth_callback", "http://printer.example.com/ready"}};
    const Result<SignedRequest> temporary = SignRequest(initiate);
    ASSERT_TRUE(temporary.ok()) << temporary.status().text();
    EXPECT_EQ(temporary->signature, "74KNZJeDHnMBp0EMJ9ZHt/XKycU=");
    EXPECT_EQ(temporary->authorization,
              "OAuth realm=\"Photos\", oauth_callback=\"http%3A%2F%2Fprinter.example.com%2Fready\", "
              "oauth_consumer_key=\"dpf43f3p2l4k3l03\", oauth_nonce=\"wIjqoS\", "
              "oauth_signature=\"74KNZJeDHnMBp0EMJ9ZHt%2FXKycU%3D\", oauth_signature_method=\"HMAC-SHA1\", "
              "oauth_timestamp=\"137131200\"");

    SigningInput token = Rfc12("POST", "https://photos.example.net/token", 137131201, "walatlh");
    token.token = TokenCredentials{"hh5s93j4hdidpola", "hdhd0244k9j7ao03"};
    token.protocol = {{"oauth_verifier", "hfdp7dh39dks9884"}};
    EXPECT_EQ(SignRequest(token)->signature, "gKgrFCywp7rO0OXSjdot/IHF7IU=");

    SigningInput photos = Rfc12("GET", "http://photos.example.net/photos?file=vacation.jpg&size=original", 137131202,
                                "chapoH");
    photos.token = TokenCredentials{"nnch734d00sl2jdk", "pfkkdhi9sl3r4s00"};
    const Result<SignedRequest> resource = SignRequest(photos);
    EXPECT_EQ(resource->baseString,
              "GET&http%3A%2F%2Fphotos.example.net%2Fphotos&file%3Dvacation.jpg%26oauth_consumer_key%3Ddpf43f3p2l4k3l03"
              "%26oauth_nonce%3DchapoH%26oauth_signature_method%3DHMAC-SHA1%26oauth_timestamp%3D137131202%26oauth_token"
              "%3Dnnch734d00sl2jdk%26size%3Doriginal");
    EXPECT_EQ(resource->signature, "MdpQcU8iPSUjWoN/UDMsK2sui9I=");

    // Section 3.4.1.1: the base string of a request with query and form
    // parameters of every awkward kind (its secrets are not given, so its
    // signature cannot be checked).
    SigningInput request;
    request.method = "POST";
    request.url = "http://example.com/request?b5=%3D%253D&a3=a&c%40=&a2=r%20b";
    request.formFields = ParseFormEncoded("c2&a3=2+q");
    request.client = {"9djdj82h48djs9d2", "unknown"};
    request.token = TokenCredentials{"kkk9d7dh3k39sjv7", "unknown"};
    request.nonce = "7d8f3e4a";
    request.timestamp = 137131201;
    request.withVersion = false;
    EXPECT_EQ(SignRequest(request)->baseString,
              "POST&http%3A%2F%2Fexample.com%2Frequest&a2%3Dr%2520b%26a3%3D2%2520q%26a3%3Da%26b5%3D%253D%25253D%26c%25"
              "40%3D%26c2%3D%26oauth_consumer_key%3D9djdj82h48djs9d2%26oauth_nonce%3D7d8f3e4a%26oauth_signature_metho"
              "d%3DHMAC-SHA1%26oauth_timestamp%3D137131201%26oauth_token%3Dkkk9d7dh3k39sjv7");
}

TEST(Signing, AgreesWithAnIndependentComputationAndCarriesTheVersion) {
    SigningInput input;
    input.method = "post";
    input.url = "HTTPS://API.Example.COM:8443/v2/blog/caf%C3%A9.example/posts?tag=a+b&tag=%E2%99%AB&limit=20#top";
    input.formFields = {{"status", "Hello Ladies + Gentlemen, a signed OAuth request!"},
                        {"\xC3\xBCn\xC3\xAF", "\xC3\xA7 ~*'()"}};
    input.client = {"key", "s&c r=t"};
    input.token = TokenCredentials{"tok", "t%s"};
    input.nonce = "n0nce";
    input.timestamp = 1700000000;
    const Result<SignedRequest> signedRequest = SignRequest(input);
    ASSERT_TRUE(signedRequest.ok()) << signedRequest.status().text();
    EXPECT_EQ(signedRequest->signature, "zVLFZ+285kO5Hxem/ldTvWBiESU=") << signedRequest->baseString;
    EXPECT_EQ(signedRequest->authorization,
              "OAuth oauth_consumer_key=\"key\", oauth_nonce=\"n0nce\", "
              "oauth_signature=\"zVLFZ%2B285kO5Hxem%2FldTvWBiESU%3D\", oauth_signature_method=\"HMAC-SHA1\", "
              "oauth_timestamp=\"1700000000\", oauth_token=\"tok\", oauth_version=\"1.0\"");

    // The signer's own nonces differ from request to request.
    const RequestSigner signer({"key", "secret"}, std::nullopt);
    EXPECT_NE(*signer.Authorization("GET", "https://api.example.com/v2/user/info"),
              *signer.Authorization("GET", "https://api.example.com/v2/user/info"));

    for (const std::string url : {"ftp://example.com/", "/v2/user/info", "https://user:pw@example.com/",
                                  "https://example.com:99999/"}) {
        input.url = url;
        EXPECT_EQ(SignRequest(input).status().kind(), StatusKind::Usage) << url;
    }
}

}  // namespace
}  // namespace qv::oauth
