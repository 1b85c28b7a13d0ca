// The secure channel in a build without a TLS library: the package does not exist.
#include "platform/winapi.h"

namespace posix {

const char* secureMessage(DWORD id) {
  return static_cast<SECURITY_STATUS>(id) == SEC_E_SECPKG_NOT_FOUND
             ? "The requested security package does not exist"
             : nullptr;
}

}  // namespace posix

namespace winapi {

SECURITY_STATUS AcquireCredentialsHandleA(LPSTR, LPSTR, ULONG, void*, void*, void*, void*,
                                          PCredHandle, PTimeStamp) {
  return SEC_E_SECPKG_NOT_FOUND;
}
SECURITY_STATUS FreeCredentialsHandle(PCredHandle) { return SEC_E_INVALID_HANDLE; }
SECURITY_STATUS InitializeSecurityContextA(PCredHandle, PCtxtHandle, SEC_CHAR*, ULONG, ULONG, ULONG,
                                           PSecBufferDesc, ULONG, PCtxtHandle, PSecBufferDesc,
                                           ULONG*, PTimeStamp) {
  return SEC_E_INVALID_HANDLE;
}
SECURITY_STATUS DeleteSecurityContext(PCtxtHandle) { return SEC_E_INVALID_HANDLE; }
SECURITY_STATUS FreeContextBuffer(void*) { return SEC_E_OK; }
SECURITY_STATUS QueryContextAttributesA(PCtxtHandle, ULONG, void*) { return SEC_E_INVALID_HANDLE; }
SECURITY_STATUS EncryptMessage(PCtxtHandle, ULONG, PSecBufferDesc, ULONG) {
  return SEC_E_INVALID_HANDLE;
}
SECURITY_STATUS DecryptMessage(PCtxtHandle, PSecBufferDesc, ULONG, ULONG*) {
  return SEC_E_INVALID_HANDLE;
}
BOOL CertFreeCertificateContext(PCCERT_CONTEXT) { return TRUE; }
BOOL CertGetCertificateChain(void*, PCCERT_CONTEXT, FILETIME*, void*, CERT_CHAIN_PARA*, DWORD,
                             void*, PCCERT_CHAIN_CONTEXT*) {
  return FALSE;
}
void CertFreeCertificateChain(PCCERT_CHAIN_CONTEXT) {}
BOOL CertVerifyCertificateChainPolicy(const char*, PCCERT_CHAIN_CONTEXT, CERT_CHAIN_POLICY_PARA*,
                                      CERT_CHAIN_POLICY_STATUS*) {
  return FALSE;
}

}  // namespace winapi
