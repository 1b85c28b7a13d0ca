// THttpClient: composing and sending the request.
#include <algorithm>

#include "http/HttpClient.h"
#include "http/HttpUrl.h"
#include "http/UUProcessor.h"

namespace {

const char* const kMethodWords[] = {"GET ",  "OPTIONS ", "HEAD ",   "POST ", "PUT ",    "PATCH ",
                                    "COPY ", "MOVE ",    "DELETE ", "LINK ", "UNLINK ", "TRACE "};

std::string WithoutCrLf(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
      ++i;
    else
      out += text[i];
  }
  return out;
}

}  // namespace

bool THttpClient::CommandSendsBody() const {
  return Command == cmdPost || Command == cmdPut || Command == cmdPatch || Command == cmdTrace;
}

// Link and Unlink send no body, so unlike the other commands with data they announce none.
bool THttpClient::CommandAnnouncesLength() const { return CommandSendsBody(); }

std::string THttpClient::ContentLength() {
  if (!OutputFileMode) return IntToStr(static_cast<int64_t>(SendData.size()));
  TFileStream file(SendData, fmOpenRead);
  return IntToStr(file.Size());
}

std::string THttpClient::BasicCredentials(const std::string& user, const std::string& password) {
  const std::string text = user + ":" + password;
  TMemoryStream input;
  TMemoryStream output;
  input.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
  TUUProcessor* encoder = TComponent::Create<TUUProcessor>(this);
  TOwnedPtr<TUUProcessor> release(encoder);
  encoder->InputStream = &input;
  encoder->OutputStream = &output;
  encoder->Method = uuMime;
  encoder->Encode();
  std::string lines(output.Memory(), static_cast<size_t>(output.Size()));
  return "Basic " + WithoutCrLf(lines);
}

// The credentials of a "user:password@" address go only to its own host and port;
// those of HeaderInfo (set by the program, not by a server) to every request.
std::string THttpClient::AuthorizationValue() {
  const THeaderInfo& info = *HeaderInfo();
  const std::optional<TForOrigin>& url = FCall.Credentials;
  if (url && url->Port == Port && SameText(url->Host, Host))
    return BasicCredentials(url->Name, url->Value);
  if (!info.UserId.empty() && !info.Password.empty())
    return BasicCredentials(info.UserId, info.Password);
  return std::string();
}

void THttpClient::BuildRequestHeader() {
  TExStringList& h = *RequestHeaders();
  const THeaderInfo& info = *HeaderInfo();
  h.Clear();
  if (Command <= cmdTrace)
    h.Add(std::string(kMethodWords[Command]) + (Proxy.empty() ? RequestPath : RequestURL) +
          " HTTP/1.0");
  if (!Proxy.empty()) h.Add("Proxy-Connection: Keep-Alive");
  h.SetHeader("Host", Host.empty() ? Host : AuthorityOf(Host, Port, FScheme));
  h.Add("Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff");
  h.Add("Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript");
  if (!info.LocalProgram.empty()) h.SetHeader("User-Agent", info.LocalProgram);
  if (!info.LocalMailAddress.empty()) h.SetHeader("From", info.LocalMailAddress);
  const std::string cookie = CookieValue();
  if (!cookie.empty()) h.SetHeader("Cookie", cookie);
  if (!info.Referer.empty()) h.SetHeader("Referer", info.Referer);
  const std::string authorization = AuthorizationValue();
  if (!authorization.empty()) h.SetHeader("Authorization", authorization);
  h.Add("Content-type: application/x-www-form-urlencoded");
  if (Command == cmdCopy || Command == cmdMove) h.Add("URI-header: " + SecondURI);
  if (Command == cmdLink || Command == cmdUnlink) h.Add("Link: " + SecondURI);
  if (CommandAnnouncesLength()) h.Add("Content-Length: " + ContentLength());
}

// The data goes out in explicit-length blocks, so every announced byte is sent: a NUL
// inside the data or data of 64 KiB and more would otherwise cut it short.
void THttpClient::SendBody() {
  if (OutputFileMode) {
    SendFile(SendData);
    return;
  }
  const size_t kBlock = 65535;
  for (size_t at = 0; at < SendData.size(); at += kBlock) {
    size_t n = std::min(kBlock, SendData.size() - at);
    SendBuffer(SendData.data() + at, static_cast<uint16_t>(n));
  }
}

void THttpClient::SendRequest() {
  TSendBatch batch(*this);  // one segment: the server wakes once for the header
  Write(RequestHeaders()->Text());
  Writeln("");
  batch.Send();
  if (CommandSendsBody()) SendBody();
}
