// THttpClient: the request operations and the pass cycle (redirects, outcome events).
#include "http/HttpClient.h"

#include "http/HttpUrl.h"
#include "http/UrlEncoder.h"

THttpClient::THttpClient(TComponent* AOwner)
    : TSocketClient(AOwner),
      FHeaderInfo(std::make_unique<THeaderInfo>()),
      FRequestHeaders(std::make_unique<TExStringList>()) {}

THttpClient::~THttpClient() = default;

// ---- operations: store the arguments and the command, then run the cycle ----

void THttpClient::Run(CmdType cmd, const std::string& URL) {
  RequestURL = URL;
  Command = cmd;
  ExecuteRequest();
}

void THttpClient::Options(const std::string& URL) { Run(cmdOptions, URL); }
void THttpClient::Get(const std::string& URL) { Run(cmdGet, URL); }
void THttpClient::Head(const std::string& URL) { Run(cmdHead, URL); }
void THttpClient::Delete(const std::string& URL) { Run(cmdDelete, URL); }

void THttpClient::Post(const std::string& URL, const std::string& Data) {
  SendData = Data;
  if (EncodeSendData && !OutputFileMode) {
    TUrlEncoder* encoder = TComponent::Create<TUrlEncoder>(this);
    TOwnedPtr<TUrlEncoder> release(encoder);
    encoder->InputString = Data;
    SendData = encoder->Encode();
  }
  Run(cmdPost, URL);
}

void THttpClient::Put(const std::string& URL, const std::string& Data) {
  SendData = Data;
  Run(cmdPut, URL);
}

void THttpClient::Patch(const std::string& URL, const std::string& Data) {
  SendData = Data;
  Run(cmdPatch, URL);
}

void THttpClient::Trace(const std::string& URL, const std::string& Data) {
  SendData = Data;
  Run(cmdTrace, URL);
}

void THttpClient::Copy(const std::string& URL, const std::string& SecondUri) {
  SecondURI = SecondUri;
  Run(cmdCopy, URL);
}

void THttpClient::Move(const std::string& URL, const std::string& SecondUri) {
  SecondURI = SecondUri;
  Run(cmdMove, URL);
}

// Link and Unlink send no body, so they announce no length either.
void THttpClient::Link(const std::string& URL, const std::string& SecondUri) {
  SecondURI = SecondUri;
  Run(cmdLink, URL);
}

void THttpClient::Unlink(const std::string& URL, const std::string& SecondUri) {
  SecondURI = SecondUri;
  Run(cmdUnlink, URL);
}

void THttpClient::Abort() {
  WaitDone = true;
  Cancel();
}

// ---- the cycle ----

void THttpClient::ParseURL() {
  TUrlParts parts;
  parts.RequestURL = RequestURL;
  parts.Port = Port;
  parts.Host = Host;
  parts.RequestPath = RequestPath;
  parts.Scheme = FScheme;
  auto keep = [&] {  // what the steps before a failure wrote stays
    RequestURL = parts.RequestURL;
    Port = parts.Port;
    Host = parts.Host;
    RequestPath = parts.RequestPath;
    FScheme = parts.Scheme;
    Secure = FScheme == "https";
  };
  try {
    ParseUrlParts(parts);
  } catch (...) {
    keep();
    throw;
  }
  keep();
  if (parts.HasUserInfo) FCall.Credentials = TForOrigin{Host, Port, parts.User, parts.Password};
}

void THttpClient::ExecuteRequest() {
  ForgetEarlierCalls();
  try {
    while (ExecutePass())
      if (FCall.Pass >= kMaxPasses) throw Exception("Too many redirects");
  } catch (...) {
    RestoreTypedAddress();
    throw;
  }
  RestoreTypedAddress();
}

// One exchange on a connection of its own; the outcome events fire while connected.
int THttpClient::ExchangeAndDecide() {
  Connect();
  SendRequest();
  ReplyNumber = 0;
  ReadResponseHeader();
  ReadBody();
  if (!FStatusRead) {
    // No status code (nothing, a reset, a line without a number): the server did not
    // answer, whatever the rest of the bytes were.
    if (OnFailure) OnFailure(Command);
    return kNoStatus;
  }
  const int status = ReplyNumber;
  if (status < 299) {
    if (OnSuccess) OnSuccess(Command);
    ReportStatus(2, "Transaction Completed");
  } else if (status > 399) {
    if (OnFailure) OnFailure(Command);
  } else if (FollowsLocation(status)) {
    RequestURL = RedirectTarget;
  }
  return status;
}

bool THttpClient::ExecutePass() {
  const bool first = ++FCall.Pass == 1;
  ParseURL();
  if (first) {
    FCall.TypedHost = Host;
    FCall.TypedPort = Port;
  }
  BuildRequestHeader();
  if (OnAboutToSend) OnAboutToSend(this);
  int status;
  try {
    try {
      status = ExchangeAndDecide();
    } catch (const EAbortError&) {
      FCall.TimedOut = TimedOut;
      throw;
    }
  } catch (...) {
    Disconnect();  // an exception from here replaces the first one
    throw;
  }
  Disconnect();
  if (status >= 300 && status <= 398 && !FollowRedirect(status)) return false;
  if (status == 401 && OnAuthenticationNeeded) OnAuthenticationNeeded(this);
  return status >= 299 && status <= 399;
}
