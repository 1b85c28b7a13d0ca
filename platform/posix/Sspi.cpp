// The client side of Schannel's SSPI calls over posix::tls.
//
// Windows' shape, kept where the socket layer depends on it: input tokens are taken a
// whole record at a time and the unused rest comes back as SECBUFFER_EXTRA; a partial
// first record is SEC_E_INCOMPLETE_MESSAGE with nothing taken; EncryptMessage writes
// one record in place over the header, data and trailer buffers; DecryptMessage
// decrypts one record in place into header, data, trailer and extra buffers. Handles
// are looked up in a table, so a stale or foreign one is SEC_E_INVALID_HANDLE.
#include <cstring>
#include <mutex>
#include <set>
#include <string>

#include "platform/posix/TlsSys.h"
#include "platform/winapi.h"

namespace {

struct Credentials {
  static constexpr ULONG_PTR kTag = 1;
  posix::tls::Config* config = nullptr;
};

struct Context {
  static constexpr ULONG_PTR kTag = 2;
  posix::tls::Session* session = nullptr;
};

// Live handles: a handle is the object's address, checked here before any use.
std::mutex gHandleMutex;
std::set<const void*> gHandles;

template <class T>
T* lookUp(const SecHandle* h) {
  if (!h) return nullptr;
  auto* p = reinterpret_cast<T*>(h->dwLower);
  std::lock_guard<std::mutex> lock(gHandleMutex);
  return gHandles.count(p) && h->dwUpper == T::kTag ? p : nullptr;
}

template <class T>
void publish(T* p, SecHandle* h) {
  std::lock_guard<std::mutex> lock(gHandleMutex);
  gHandles.insert(p);
  h->dwLower = reinterpret_cast<ULONG_PTR>(p);
  h->dwUpper = T::kTag;
}

template <class T>
bool withdraw(const SecHandle* h) {
  std::lock_guard<std::mutex> lock(gHandleMutex);
  return h && gHandles.erase(reinterpret_cast<const void*>(h->dwLower)) == 1;
}

// A session fails for its protocol only: certificates are judged through the chain calls.
SECURITY_STATUS statusOf(posix::tls::Failure f) {
  using posix::tls::Failure;
  switch (f) {
    case Failure::NoCommonCipher:
      return SEC_E_ALGORITHM_MISMATCH;
    case Failure::BadMessage:
      return SEC_E_ILLEGAL_MESSAGE;
    default:
      return SEC_E_INTERNAL_ERROR;
  }
}

SecBuffer* bufferOf(PSecBufferDesc desc, ULONG type) {
  if (!desc || !desc->pBuffers) return nullptr;
  for (ULONG i = 0; i < desc->cBuffers; ++i)
    if (desc->pBuffers[i].BufferType == type) return &desc->pBuffers[i];
  return nullptr;
}

// The output token: allocated for the caller, freed by FreeContextBuffer.
SECURITY_STATUS handOut(const std::string& bytes, PSecBufferDesc output, ULONG req) {
  SecBuffer* token = bufferOf(output, SECBUFFER_TOKEN);
  if (!token) return bytes.empty() ? SEC_E_OK : SEC_E_INVALID_TOKEN;
  if (req & ISC_REQ_ALLOCATE_MEMORY) {
    token->pvBuffer = nullptr;
    if (!bytes.empty()) {
      token->pvBuffer = new char[bytes.size()];
      std::memcpy(token->pvBuffer, bytes.data(), bytes.size());
    }
  } else if (bytes.size() > token->cbBuffer) {
    return SEC_E_BUFFER_TOO_SMALL;
  } else if (!bytes.empty()) {
    std::memcpy(token->pvBuffer, bytes.data(), bytes.size());
  }
  token->cbBuffer = static_cast<ULONG>(bytes.size());
  return SEC_E_OK;
}

// Marks what the call did not take: the second input buffer becomes the extra one.
void markExtra(PSecBufferDesc input, size_t left) {
  if (!input || input->cBuffers < 2) return;
  SecBuffer& extra = input->pBuffers[1];
  extra.BufferType = left ? SECBUFFER_EXTRA : SECBUFFER_EMPTY;
  extra.cbBuffer = static_cast<ULONG>(left);
}

FILETIME fileTimeOf(int64_t unixSeconds) {
  const uint64_t t = static_cast<uint64_t>(unixSeconds + 11644473600LL) * 10000000ULL;
  return FILETIME{static_cast<DWORD>(t), static_cast<DWORD>(t >> 32)};
}

// One allocation holds the context, its record and the bytes the blobs point into.
struct CertHolder {
  CERT_CONTEXT context{};
  CERT_INFO info{};
  posix::tls::CertFacts facts;
  std::string serialLittleEndian;
};

CRYPT_INTEGER_BLOB blobOf(std::string& bytes) {
  return CRYPT_INTEGER_BLOB{static_cast<DWORD>(bytes.size()),
                            reinterpret_cast<BYTE*>(bytes.data())};
}

struct ChainHolder {
  CERT_CHAIN_CONTEXT context{};
  std::string der;  // the certificate, for the name
};

DWORD trustErrorOf(posix::tls::Failure f) {
  using posix::tls::Failure;
  switch (f) {
    case Failure::None:
      return CERT_TRUST_NO_ERROR;
    case Failure::CertExpired:
      return CERT_TRUST_IS_NOT_TIME_VALID;
    case Failure::CertUntrusted:
      return CERT_TRUST_IS_UNTRUSTED_ROOT;
    case Failure::CertNoIssuer:
      return CERT_TRUST_IS_PARTIAL_CHAIN;
    default:
      return CERT_TRUST_IS_NOT_SIGNATURE_VALID;
  }
}

SECURITY_STATUS policyErrorOf(DWORD trustError) {
  if (trustError & CERT_TRUST_IS_NOT_TIME_VALID) return CERT_E_EXPIRED;
  if (trustError & CERT_TRUST_IS_UNTRUSTED_ROOT) return CERT_E_UNTRUSTEDROOT;
  if (trustError & CERT_TRUST_IS_PARTIAL_CHAIN) return CERT_E_CHAINING;
  return trustError ? TRUST_E_CERT_SIGNATURE : 0;
}

PCCERT_CONTEXT certContextOf(const posix::tls::CertFacts& facts) {
  auto* h = new CertHolder;
  h->facts = facts;
  h->serialLittleEndian.assign(facts.serial.rbegin(), facts.serial.rend());
  h->info.dwVersion = 2;
  h->info.SerialNumber = blobOf(h->serialLittleEndian);
  h->info.Issuer = blobOf(h->facts.issuerDer);
  h->info.Subject = blobOf(h->facts.subjectDer);
  h->info.NotBefore = fileTimeOf(facts.notBefore);
  h->info.NotAfter = fileTimeOf(facts.notAfter);
  h->context.dwCertEncodingType = 1;  // X509_ASN_ENCODING
  h->context.pbCertEncoded = reinterpret_cast<BYTE*>(h->facts.der.data());
  h->context.cbCertEncoded = static_cast<DWORD>(h->facts.der.size());
  h->context.pCertInfo = &h->info;
  return &h->context;
}

}  // namespace

namespace posix {

// Windows' texts for the status codes the secure channel answers.
const char* secureMessage(DWORD id) {
  switch (static_cast<SECURITY_STATUS>(id)) {
    case SEC_E_INSUFFICIENT_MEMORY:
      return "Not enough memory is available to complete this request";
    case SEC_E_INVALID_HANDLE:
      return "The handle specified is invalid";
    case SEC_E_INTERNAL_ERROR:
      return "The Local Security Authority cannot be contacted";
    case SEC_E_UNSUPPORTED_FUNCTION:
      return "The function requested is not supported";
    case SEC_E_SECPKG_NOT_FOUND:
      return "The requested security package does not exist";
    case SEC_E_INVALID_TOKEN:
      return "The token supplied to the function is invalid";
    case SEC_E_INCOMPLETE_MESSAGE:
      return "The supplied message is incomplete. The signature was not verified.";
    case SEC_E_BUFFER_TOO_SMALL:
      return "The buffers supplied to a function was too small.";
    case SEC_E_WRONG_PRINCIPAL:
      return "The target principal name is incorrect.";
    case SEC_E_UNTRUSTED_ROOT:
      return "The certificate chain was issued by an authority that is not trusted.";
    case SEC_E_ILLEGAL_MESSAGE:
      return "The message received was unexpected or badly formatted.";
    case SEC_E_CERT_UNKNOWN:
      return "An unknown error occurred while processing the certificate.";
    case SEC_E_CERT_EXPIRED:
      return "The received certificate has expired.";
    case SEC_E_DECRYPT_FAILURE:
      return "The specified data could not be decrypted.";
    case SEC_E_ALGORITHM_MISMATCH:
      return "The client and server cannot communicate, because they do not possess a "
             "common algorithm.";
    case SEC_I_CONTEXT_EXPIRED:
      return "The context has expired and can no longer be used.";
    case CERT_E_EXPIRED:
      return "A required certificate is not within its validity period when verifying "
             "against the current system clock or the timestamp in the signed file.";
    default:
      return nullptr;
  }
}

}  // namespace posix

namespace winapi {

SECURITY_STATUS AcquireCredentialsHandleA(LPSTR, LPSTR package, ULONG use, void*, void* authData,
                                          void*, void*, PCredHandle cred, PTimeStamp expiry) {
  if (!package || std::strcmp(package, UNISP_NAME_A) != 0) return SEC_E_SECPKG_NOT_FOUND;
  if (use != SECPKG_CRED_OUTBOUND || !cred) return SEC_E_INVALID_TOKEN;
  const auto* sc = static_cast<const SCHANNEL_CRED*>(authData);
  if (!sc || !(sc->dwFlags & SCH_CRED_MANUAL_CRED_VALIDATION)) return SEC_E_UNSUPPORTED_FUNCTION;
  const bool tls13 =
      sc->grbitEnabledProtocols == 0 || (sc->grbitEnabledProtocols & SP_PROT_TLS1_3_CLIENT);
  posix::tls::Config* config = posix::tls::newConfig(tls13);
  if (!config) return SEC_E_INTERNAL_ERROR;
  publish(new Credentials{config}, cred);
  if (expiry) *expiry = SECURITY_INTEGER{0xffffffffu, 0x7fffffff};
  return SEC_E_OK;
}

SECURITY_STATUS FreeCredentialsHandle(PCredHandle cred) {
  Credentials* c = lookUp<Credentials>(cred);
  if (!c || !withdraw<Credentials>(cred)) return SEC_E_INVALID_HANDLE;
  posix::tls::freeConfig(c->config);
  delete c;
  return SEC_E_OK;
}

// Steps the handshake one whole record at a time; it stops at the first record after
// the handshake, which the caller gets back as extra.
SECURITY_STATUS InitializeSecurityContextA(PCredHandle cred, PCtxtHandle context,
                                           SEC_CHAR* targetName, ULONG req, ULONG, ULONG,
                                           PSecBufferDesc input, ULONG, PCtxtHandle newContext,
                                           PSecBufferDesc output, ULONG* attrs, PTimeStamp) {
  Context* ctx = nullptr;
  if (!context) {
    Credentials* c = lookUp<Credentials>(cred);
    if (!c || !newContext) return SEC_E_INVALID_HANDLE;
    posix::tls::Session* session = posix::tls::newSession(c->config, targetName ? targetName : "");
    if (!session) return SEC_E_INTERNAL_ERROR;
    ctx = new Context{session};
    publish(ctx, newContext);
  } else if (!(ctx = lookUp<Context>(context))) {
    return SEC_E_INVALID_HANDLE;
  }
  if (attrs) *attrs = req & ~ULONG(ISC_REQ_ALLOCATE_MEMORY);

  std::string out;
  posix::tls::Step step = posix::tls::Step::WantMore;
  const SecBuffer* token = context ? bufferOf(input, SECBUFFER_TOKEN) : nullptr;
  const char* data = token ? static_cast<const char*>(token->pvBuffer) : nullptr;
  size_t left = token ? token->cbBuffer : 0;
  if (!context) {
    step = posix::tls::handshake(ctx->session, nullptr, 0, out);
  } else {
    if (posix::tls::recordLength(data, left) == 0) return SEC_E_INCOMPLETE_MESSAGE;
    size_t n;
    while (step == posix::tls::Step::WantMore && (n = posix::tls::recordLength(data, left))) {
      step = posix::tls::handshake(ctx->session, data, n, out);
      data += n;
      left -= n;
    }
  }
  if (step == posix::tls::Step::Failed) return statusOf(posix::tls::failure(ctx->session));
  markExtra(context ? input : nullptr, left);
  const SECURITY_STATUS handed = handOut(out, output, req);
  if (handed != SEC_E_OK) return handed;
  return step == posix::tls::Step::Done ? SEC_E_OK : SEC_I_CONTINUE_NEEDED;
}

SECURITY_STATUS DeleteSecurityContext(PCtxtHandle context) {
  Context* ctx = lookUp<Context>(context);
  if (!ctx || !withdraw<Context>(context)) return SEC_E_INVALID_HANDLE;
  posix::tls::freeSession(ctx->session);
  delete ctx;
  return SEC_E_OK;
}

SECURITY_STATUS FreeContextBuffer(void* buffer) {
  delete[] static_cast<char*>(buffer);
  return SEC_E_OK;
}

SECURITY_STATUS QueryContextAttributesA(PCtxtHandle context, ULONG attribute, void* buffer) {
  Context* ctx = lookUp<Context>(context);
  if (!ctx) return SEC_E_INVALID_HANDLE;
  if (!buffer) return SEC_E_INVALID_TOKEN;
  if (attribute == SECPKG_ATTR_STREAM_SIZES) {
    // A record's header is 5 bytes; the trailer bounds what any TLS 1.2 or 1.3 cipher
    // adds (explicit nonce, tag or MAC, padding).
    *static_cast<SecPkgContext_StreamSizes*>(buffer) = {5, 256, 16384, 4, 16};
    return SEC_E_OK;
  }
  if (attribute == SECPKG_ATTR_REMOTE_CERT_CONTEXT) {
    posix::tls::CertFacts facts;
    if (!posix::tls::peerCertificate(ctx->session, facts)) return SEC_E_INVALID_HANDLE;
    *static_cast<PCCERT_CONTEXT*>(buffer) = certContextOf(facts);
    return SEC_E_OK;
  }
  return SEC_E_INVALID_TOKEN;
}

BOOL CertFreeCertificateContext(PCCERT_CONTEXT cert) {
  if (cert) delete reinterpret_cast<const CertHolder*>(cert);  // context is the first member
  return TRUE;
}

// The chain as the handshake found it: its fault is the first one, the name aside.
BOOL CertGetCertificateChain(void*, PCCERT_CONTEXT cert, FILETIME*, void*, CERT_CHAIN_PARA*, DWORD,
                             void*, PCCERT_CHAIN_CONTEXT* chain) {
  if (!cert || !chain) return FALSE;
  const auto* holder = reinterpret_cast<const CertHolder*>(cert);
  auto* c = new ChainHolder;
  c->context.cbSize = sizeof c->context;
  c->context.TrustStatus.dwErrorStatus = trustErrorOf(holder->facts.chainFault);
  c->der = holder->facts.der;
  *chain = &c->context;
  return TRUE;
}

void CertFreeCertificateChain(PCCERT_CHAIN_CONTEXT chain) {
  delete reinterpret_cast<const ChainHolder*>(chain);  // context is the first member
}

BOOL CertVerifyCertificateChainPolicy(const char* policy, PCCERT_CHAIN_CONTEXT chain,
                                      CERT_CHAIN_POLICY_PARA* para,
                                      CERT_CHAIN_POLICY_STATUS* status) {
  if (policy != CERT_CHAIN_POLICY_SSL || !chain || !status) return FALSE;
  const auto* c = reinterpret_cast<const ChainHolder*>(chain);
  status->dwError = DWORD(policyErrorOf(chain->TrustStatus.dwErrorStatus));
  const auto* ssl =
      para ? static_cast<const SSL_EXTRA_CERT_CHAIN_POLICY_PARA*>(para->pvExtraPolicyPara)
           : nullptr;
  if (status->dwError == 0 && ssl && ssl->pwszServerName) {
    std::string host;
    for (const WCHAR* w = ssl->pwszServerName; *w; ++w)
      host += *w < 0x80 ? char(*w) : '?';  // a name the certificate cannot carry
    if (!posix::tls::certificateNames(c->der, host)) status->dwError = DWORD(CERT_E_CN_NO_MATCH);
  }
  return TRUE;
}

// Buffers: stream header, data, stream trailer, laid out one after another; one record
// is written over them and the trailer's size set to what it took.
SECURITY_STATUS EncryptMessage(PCtxtHandle context, ULONG, PSecBufferDesc message, ULONG) {
  Context* ctx = lookUp<Context>(context);
  if (!ctx) return SEC_E_INVALID_HANDLE;
  SecBuffer* header = bufferOf(message, SECBUFFER_STREAM_HEADER);
  SecBuffer* data = bufferOf(message, SECBUFFER_DATA);
  SecBuffer* trailer = bufferOf(message, SECBUFFER_STREAM_TRAILER);
  if (!header || !data || !trailer || header->cbBuffer < 5 || data->cbBuffer > 16384)
    return SEC_E_INVALID_TOKEN;
  char* start = static_cast<char*>(header->pvBuffer);
  if (static_cast<char*>(data->pvBuffer) != start + header->cbBuffer ||
      static_cast<char*>(trailer->pvBuffer) != start + header->cbBuffer + data->cbBuffer)
    return SEC_E_INVALID_TOKEN;
  std::string record;
  if (!posix::tls::encrypt(ctx->session, static_cast<const char*>(data->pvBuffer), data->cbBuffer,
                           record))
    return statusOf(posix::tls::failure(ctx->session));
  const size_t room = size_t(header->cbBuffer) + data->cbBuffer + trailer->cbBuffer;
  if (record.size() > room || record.size() < 5 + size_t(data->cbBuffer))
    return SEC_E_BUFFER_TOO_SMALL;
  std::memcpy(start, record.data(), record.size());
  trailer->cbBuffer = static_cast<ULONG>(record.size() - 5 - data->cbBuffer);
  header->cbBuffer = 5;
  data->pvBuffer = start + 5;
  trailer->pvBuffer = start + 5 + data->cbBuffer;
  return SEC_E_OK;
}

// Buffers: the received bytes as the first (data) buffer and three empty ones. The
// first record is decrypted in place; the rest of the bytes come back as extra.
SECURITY_STATUS DecryptMessage(PCtxtHandle context, PSecBufferDesc message, ULONG, ULONG* qop) {
  Context* ctx = lookUp<Context>(context);
  if (!ctx) return SEC_E_INVALID_HANDLE;
  if (!message || message->cBuffers < 4 || message->pBuffers[0].BufferType != SECBUFFER_DATA)
    return SEC_E_INVALID_TOKEN;
  if (qop) *qop = 0;
  SecBuffer* b = message->pBuffers;
  char* start = static_cast<char*>(b[0].pvBuffer);
  const size_t total = b[0].cbBuffer;
  const size_t n = posix::tls::recordLength(start, total);
  if (n == 0) return SEC_E_INCOMPLETE_MESSAGE;
  std::string plain;
  const posix::tls::Read read = posix::tls::decrypt(ctx->session, start, n, plain);
  if (read == posix::tls::Read::Failed) return statusOf(posix::tls::failure(ctx->session));
  if (plain.size() > n - 5) return SEC_E_DECRYPT_FAILURE;
  std::memcpy(start + 5, plain.data(), plain.size());
  b[0] = SecBuffer{5, SECBUFFER_STREAM_HEADER, start};
  b[1] = SecBuffer{static_cast<ULONG>(plain.size()), SECBUFFER_DATA, start + 5};
  b[2] = SecBuffer{static_cast<ULONG>(n - 5 - plain.size()), SECBUFFER_STREAM_TRAILER,
                   start + 5 + plain.size()};
  b[3] = total > n ? SecBuffer{static_cast<ULONG>(total - n), SECBUFFER_EXTRA, start + n}
                   : SecBuffer{0, SECBUFFER_EMPTY, nullptr};
  return read == posix::tls::Read::Closed ? SEC_I_CONTEXT_EXPIRED : SEC_E_OK;
}

}  // namespace winapi
