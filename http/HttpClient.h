// THttpClient: one HTTP/1.0 request per call, each over a connection of its own.
//
// An operation (Head, Get, ...) stores its arguments and command and runs ExecuteRequest:
// split the URL, compose the request header list, connect, send the header lines, a blank
// line and (for Post, Put, Patch, Trace) the body; read the status line and header lines,
// then the body until the server closes; disconnect; fire the outcome event. 300..303,
// 307 and 308 repeat the command on the Location address (resolved against the
// requested URL), 299 and the rest of 304..399 on the same one, at most
// kMaxPasses passes per call. Calls look blocking but pump the message loop while they
// wait (the socket layer does), so handlers run in the middle of a request; callers must
// not start a second request on the same component while one runs.
//
// Outcomes: OnSuccess for a final status below 299, OnFailure above 399 and for a
// response without a status code (no status line, an empty answer, a reset before
// the answer, a second word that is not a number of 0..32767), exceptions otherwise. Header
// and Body hold the last response read (string mode) or name the files it is written to.
//
// Bounds of our own: "Too many redirects" after kMaxPasses passes; a Head body keeps at
// most kMaxHeadBody bytes (the rest is read and dropped); any other body in string mode
// ends the call with "Response body too large" once it passes kMaxStringBody bytes; a
// header block past kMaxHeaderBlock bytes ends it with "Response header too large"; a
// redirect whose Location or Set-Cookie value holds a control character is refused
// ("Redirect refused: ...") rather than replayed into the next request.
//
// Each call starts from its address alone: what servers said in earlier calls (a
// Location, a cookie, the host and port of a redirect) is forgotten, and after a call
// Host and Port are those of its own address. A cookie set on a redirect goes back, as
// name=value, only to the host and port that set it and only within that call; so do
// the credentials of a "user:password@" address. The Host line names the port when it
// is not the scheme's default. A HEAD answer is complete once its header has ended and
// nothing more has come, whether or not the server closes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/Classes.h"
#include "http/ExtStrings.h"
#include "socket/SocketClient.h"

// The command of a request. 12, an operation without a method word, is not offered.
enum CmdType : uint8_t {
  cmdGet = 0,
  cmdOptions = 1,
  cmdHead = 2,
  cmdPost = 3,
  cmdPut = 4,
  cmdPatch = 5,
  cmdCopy = 6,
  cmdMove = 7,
  cmdDelete = 8,
  cmdLink = 9,
  cmdUnlink = 10,
  cmdTrace = 11,
};

using TResultEvent = std::function<void(CmdType Cmd)>;

// Values of the optional request header lines; an empty value leaves its line out.
class THeaderInfo : public TPersistent {
 public:
  std::string LocalMailAddress;  // "From"
  std::string LocalProgram;      // "User-Agent"
  std::string Cookie;            // "Cookie"; a redirect may replace it with a received one
  std::string Referer;           // "Referer"
  std::string UserId;            // "Authorization", with Password, when both are set
  std::string Password;
};

class THttpClient : public TSocketClient {
 public:
  static constexpr int kMaxPasses = 20;
  static constexpr size_t kMaxHeadBody = 64 * 1024;
  static constexpr size_t kMaxStringBody = 256u * 1024 * 1024;
  static constexpr size_t kMaxHeaderBlock = 1024 * 1024;  // "Response header too large"
  static constexpr size_t kStringBodyStep = 1024 * 1024;  // bytes per capture call

  explicit THttpClient(TComponent* AOwner);
  ~THttpClient() override;

  // ---- published ----
  std::string Body = "Default.htm";  // the body, or with InputFileMode the file for it
  std::string Header = "Head.txt";   // the header block, or with OutputFileMode its file
  THeaderInfo* HeaderInfo() const { return FHeaderInfo.get(); }
  bool InputFileMode = false;
  bool OutputFileMode = false;  // also: the data argument names the file to send
  TNotifyEvent OnAboutToSend;
  TResultEvent OnSuccess;
  TResultEvent OnFailure;
  THandlerEvent OnRedirect;  // Handled = true ends the cycle
  TNotifyEvent OnAuthenticationNeeded;

  // ---- request operations ----
  virtual void Options(const std::string& URL);
  virtual void Get(const std::string& URL);
  virtual void Post(const std::string& URL, const std::string& Data);
  virtual void Put(const std::string& URL, const std::string& Data);
  virtual void Head(const std::string& URL);
  virtual void Patch(const std::string& URL, const std::string& Data);
  virtual void Delete(const std::string& URL);
  virtual void Trace(const std::string& URL, const std::string& Data);
  virtual void Copy(const std::string& URL, const std::string& SecondUri);
  virtual void Move(const std::string& URL, const std::string& SecondUri);
  virtual void Link(const std::string& URL, const std::string& SecondUri);
  virtual void Unlink(const std::string& URL, const std::string& SecondUri);

  // Ends the wait in progress with its canceled or aborted exception; reports nothing.
  void Abort() override;

  TExStringList* RequestHeaders() const { return FRequestHeaders.get(); }

  // ---- state of the current or last request ----
  std::string RequestURL;
  std::string RequestPath;
  std::string SendData;  // body text, or with OutputFileMode the name of the file to send
  std::string SecondURI;
  CmdType Command = cmdGet;
  std::string RedirectTarget;  // last Location value read by this component
  std::string ReceivedCookie;  // last Set-Cookie value of the current response
  bool EncodeSendData = true;  // Post URL-encodes its text data

  // How the current or last call ended, for its log: the address of the redirect it
  // was following (empty when it was at its own address), and whether the time-out
  // ended a transfer wait (a connect or lookup time-out says so in its own message).
  const std::string& RedirectedTo() const { return FCall.RedirectedTo; }
  bool EndedByTimeOut() const { return FCall.TimedOut; }

 protected:
  virtual void ExecuteRequest();
  virtual void ParseURL();
  virtual void BuildRequestHeader();
  virtual void ReadResponseHeader();
  virtual void SendRequest();

  // The body bounds above, as fields so that a test can make them small.
  size_t MaxHeadBody = kMaxHeadBody;
  size_t MaxStringBody = kMaxStringBody;

 private:
  void Run(CmdType cmd, const std::string& URL);
  bool ExecutePass();                   // true: the status asks for another pass
  static constexpr int kNoStatus = -1;  // ExchangeAndDecide: the response had no code
  int ExchangeAndDecide();
  static bool FollowsLocation(int status);
  void ReadBody();
  void RefuseControlCharacters();
  void CaptureBounded(size_t keep, bool failPastKeep);
  void SendBody();
  bool CommandSendsBody() const;
  bool CommandAnnouncesLength() const;
  std::string BasicCredentials(const std::string& user, const std::string& password);
  std::string AuthorizationValue();
  std::string CookieValue();
  std::string PassUrl() const;
  void ForgetEarlierCalls();
  void RestoreTypedAddress();
  bool FollowRedirect(int status);  // false: OnRedirect ended the cycle
  void KeepReceivedCookies();
  std::string ContentLength();
  void ScanResponseLine(const std::string& line);

  bool FStatusRead = false;                   // the current response's status line carried a code
  std::string FScheme;                        // of the current request's URL
  std::vector<std::string> FResponseCookies;  // every Set-Cookie value of the response

  // Something a server or the address gave for one host and port.
  struct TForOrigin {
    std::string Host;
    int Port = 0;
    std::string Name;   // cookie name; the user for credentials
    std::string Value;  // "name=value"; the password for credentials
  };
  static constexpr size_t kMaxCookies = 50;  // kept per call; more are dropped
  // What one call learns on its way; ForgetEarlierCalls resets it.
  struct TCallState {
    int Pass = 0;
    std::string TypedHost;  // Host and Port after the first pass's ParseURL
    int TypedPort = 0;
    std::string RedirectedTo;
    bool TimedOut = false;
    std::vector<TForOrigin> Cookies;
    std::optional<TForOrigin> Credentials;  // of a "user:password@" address
  };
  TCallState FCall;
  std::unique_ptr<THeaderInfo> FHeaderInfo;
  std::unique_ptr<TExStringList> FRequestHeaders;
};
