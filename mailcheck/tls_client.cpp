#include "mailcheck/tls_client.h"

#include <cstring>

namespace qb::mailcheck {

namespace {

constexpr ULONG kContextRequest = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                                  ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM | ISC_REQ_MANUAL_CRED_VALIDATION;

void AppendToken(SecBuffer& token, std::string& out) {
  if (token.pvBuffer && token.cbBuffer > 0) out.append(static_cast<const char*>(token.pvBuffer), token.cbBuffer);
  if (token.pvBuffer) FreeContextBuffer(token.pvBuffer);
  token.pvBuffer = nullptr;
}

}  // namespace

TlsClient::~TlsClient() {
  if (haveContext_) DeleteSecurityContext(&context_);
  if (haveCredentials_) FreeCredentialsHandle(&credentials_);
}

TlsClient::Step TlsClient::Start(const std::wstring& serverName, std::string& out) {
  serverName_ = serverName;
  SCHANNEL_CRED cred{};
  cred.dwVersion = SCHANNEL_CRED_VERSION;
  cred.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
  TimeStamp expiry;
  wchar_t package[] = UNISP_NAME_W;
  error_ = AcquireCredentialsHandleW(nullptr, package, SECPKG_CRED_OUTBOUND, nullptr, &cred, nullptr, nullptr,
                                     &credentials_, &expiry);
  if (error_ != SEC_E_OK) return Step::Failed;
  haveCredentials_ = true;
  std::string none;
  return Handshake(none, out);
}

TlsClient::Step TlsClient::Continue(std::string& in, std::string& out) { return Handshake(in, out); }

TlsClient::Step TlsClient::Handshake(std::string& in, std::string& out) {
  for (;;) {
    SecBuffer input[2] = {{static_cast<ULONG>(in.size()), SECBUFFER_TOKEN, in.data()}, {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc inputDesc{SECBUFFER_VERSION, 2, input};
    SecBuffer output[1] = {{0, SECBUFFER_TOKEN, nullptr}};
    SecBufferDesc outputDesc{SECBUFFER_VERSION, 1, output};
    ULONG attributes = 0;
    TimeStamp expiry;
    const bool first = !haveContext_;
    error_ = InitializeSecurityContextW(&credentials_, first ? nullptr : &context_,
                                        const_cast<wchar_t*>(serverName_.c_str()), kContextRequest, 0, 0,
                                        first ? nullptr : &inputDesc, 0, first ? &context_ : nullptr, &outputDesc,
                                        &attributes, &expiry);
    if (first && (error_ == SEC_E_OK || error_ == SEC_I_CONTINUE_NEEDED)) haveContext_ = true;
    AppendToken(output[0], out);  // on failure, an alert for the server
    if (error_ == SEC_E_INCOMPLETE_MESSAGE) return Step::Continue;
    if (error_ != SEC_E_OK && error_ != SEC_I_CONTINUE_NEEDED) return Step::Failed;
    // What the call did not use (SECBUFFER_EXTRA) is the start of the next record.
    const std::size_t unused = input[1].BufferType == SECBUFFER_EXTRA ? input[1].cbBuffer : 0;
    if (!first) in.erase(0, in.size() - unused);
    if (error_ == SEC_E_OK) {
      error_ = QueryContextAttributesW(&context_, SECPKG_ATTR_STREAM_SIZES, &sizes_);
      return error_ == SEC_E_OK ? Step::Established : Step::Failed;
    }
    if (first || in.empty()) return Step::Continue;
  }
}

bool TlsClient::Decrypt(std::string& in, std::string& plain) {
  while (!in.empty()) {
    SecBuffer buffers[4] = {{static_cast<ULONG>(in.size()), SECBUFFER_DATA, in.data()},
                            {0, SECBUFFER_EMPTY, nullptr},
                            {0, SECBUFFER_EMPTY, nullptr},
                            {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
    error_ = DecryptMessage(&context_, &desc, 0, nullptr);
    if (error_ == SEC_E_INCOMPLETE_MESSAGE) return true;
    if (error_ != SEC_E_OK && error_ != SEC_I_RENEGOTIATE) return false;
    std::size_t unused = 0;
    for (const SecBuffer& b : buffers) {
      if (b.BufferType == SECBUFFER_DATA && error_ == SEC_E_OK)
        plain.append(static_cast<const char*>(b.pvBuffer), b.cbBuffer);
      if (b.BufferType == SECBUFFER_EXTRA) unused = b.cbBuffer;
    }
    in.erase(0, in.size() - unused);
    if (error_ == SEC_I_RENEGOTIATE) {
      // TLS 1.3 tickets after the handshake: the context takes them back.
      std::string reply;
      if (Handshake(in, reply) == Step::Failed) return false;
    }
  }
  return true;
}

std::string TlsClient::Encrypt(std::string_view plain) {
  std::string record(sizes_.cbHeader + plain.size() + sizes_.cbTrailer, '\0');
  std::memcpy(record.data() + sizes_.cbHeader, plain.data(), plain.size());
  SecBuffer buffers[4] = {{sizes_.cbHeader, SECBUFFER_STREAM_HEADER, record.data()},
                          {static_cast<ULONG>(plain.size()), SECBUFFER_DATA, record.data() + sizes_.cbHeader},
                          {sizes_.cbTrailer, SECBUFFER_STREAM_TRAILER, record.data() + sizes_.cbHeader + plain.size()},
                          {0, SECBUFFER_EMPTY, nullptr}};
  SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
  if (EncryptMessage(&context_, 0, &desc, 0) != SEC_E_OK) return {};
  record.resize(buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer);
  return record;
}

PCCERT_CONTEXT TlsClient::ServerCertificate() {
  PCCERT_CONTEXT certificate = nullptr;
  if (QueryContextAttributesW(&context_, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &certificate) != SEC_E_OK) return nullptr;
  return certificate;
}

}  // namespace qb::mailcheck
