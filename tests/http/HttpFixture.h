// Shared set-up of the THttpClient tests: a client, a scripted server on 127.0.0.1 and a
// host table in which every name but "nohost" is 127.0.0.1, so no test asks real DNS.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "http/HttpClient.h"
#include "platform/posix/Seams.h"
#include "tests/support/ScriptedHttp.h"

constexpr uint32_t kLoopbackNetOrder = 0x0100007F;  // 127.0.0.1 as it lies in memory

inline void InstallTestResolver() {
  posix::setResolver([](const std::string& name) {
    posix::ResolveAnswer a;
    if (name == "nohost")
      a.error = 11001;
    else
      a.addr = kLoopbackNetOrder;
    return a;
  });
}

inline const char* const kAccepts =
    "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n"
    "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n";
inline const char* const kContentType = "Content-type: application/x-www-form-urlencoded\r\n";

class HttpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallTestResolver();
    http.reset(TComponent::Create<THttpClient>(nullptr));
    http->TimeOut = 20000;
  }
  void TearDown() override { http.reset(); }

  std::string at(const std::string& path = "/") const {
    return "http://127.0.0.1:" + server.portText() + path;
  }
  // The request of connection i, once it has finished.
  std::string request(size_t i = 0) {
    EXPECT_TRUE(server.waitRequests(i + 1));
    std::vector<std::string> r = server.requests();
    return i < r.size() ? r[i] : std::string();
  }
  void recordOutcomes() {
    http->OnSuccess = [this](CmdType c) { events.push_back("success " + std::to_string(c)); };
    http->OnFailure = [this](CmdType c) { events.push_back("failure " + std::to_string(c)); };
    http->OnRedirect = [this](bool&) { events.push_back("redirect"); };
    http->OnAuthenticationNeeded = [this](TObject*) { events.push_back("auth"); };
  }

  ScriptedHttpServer server;
  TOwnedPtr<THttpClient> http;
  std::vector<std::string> events;
};
