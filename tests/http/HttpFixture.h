// Shared set-up of the THttpClient tests: a client and a scripted server on 127.0.0.1.
// Every URL here names 127.0.0.1 (or a proxy at 127.0.0.1), so nothing is looked up;
// tests with host names are in HttpSeamsLinuxTest.cpp.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "http/HttpClient.h"
#include "tests/support/LoopbackScripts.h"

inline const char* const kAccepts =
    "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n"
    "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n";
inline const char* const kContentType = "Content-type: application/x-www-form-urlencoded\r\n";

// The request as the client composes it: `extra` holds the lines between the Accept lines
// and the content type, `after` those after it, `body` what follows the blank line.
inline std::string Expected(const std::string& requestLine, const std::string& host,
                            const std::string& extra = "", const std::string& after = "",
                            const std::string& body = "") {
  return requestLine + "\r\n" + "Host: " + host + "\r\n" + kAccepts + extra + kContentType + after +
         "\r\n" + body;
}

class HttpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    http.reset(TComponent::Create<THttpClient>(nullptr));
    http->TimeOut = 20000;
  }
  void TearDown() override { http.reset(); }

  std::string at(const std::string& path = "/") const {
    return "http://127.0.0.1:" + server.portText() + path;
  }
  // The scripted server as the Host line names it.
  std::string authority() const { return "127.0.0.1:" + server.portText(); }
  // The request of connection i, once it has finished.
  std::string request(size_t i = 0) {
    EXPECT_TRUE(server.waitServed(i + 1));
    std::vector<std::string> r = server.requests();
    return i < r.size() ? r[i] : std::string();
  }
  void recordOutcomes() {
    http->OnSuccess = [this](CmdType c) { events.push_back("success " + std::to_string(c)); };
    http->OnFailure = [this](CmdType c) { events.push_back("failure " + std::to_string(c)); };
    http->OnRedirect = [this](bool&) { events.push_back("redirect"); };
    http->OnAuthenticationNeeded = [this](TObject*) { events.push_back("auth"); };
  }

  LoopbackReplies server;
  TOwnedPtr<THttpClient> http;
  std::vector<std::string> events;
};
