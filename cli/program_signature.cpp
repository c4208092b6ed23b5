#include "cli/program_signature.h"

#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <vector>

#include "cli/json_text.h"
#include "cli/text.h"

namespace {

// A DLL of the system folder, loaded for the scope of one question and let go after it.
class SystemLibrary {
public:
    explicit SystemLibrary(const wchar_t* name)
    {
        m_module = ::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        if (!m_module && ::GetLastError() == ERROR_INVALID_PARAMETER) {
            // Windows 7 without the update that brought LOAD_LIBRARY_SEARCH_SYSTEM32: the
            // system folder's file by its whole path, which the loader takes from nowhere else.
            wchar_t folder[MAX_PATH];
            const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
            if (length > 0 && length < MAX_PATH)
                m_module = ::LoadLibraryW((std::wstring(folder, length) + L"\\" + name).c_str());
        }
    }
    ~SystemLibrary()
    {
        if (m_module)
            (void)::FreeLibrary(m_module);
    }
    SystemLibrary(const SystemLibrary&) = delete;
    SystemLibrary& operator=(const SystemLibrary&) = delete;

    bool Loaded() const { return m_module != nullptr; }

    // The function of that name as the type F, or null.
    template <typename F>
    F Function(const char* name) const
    {
        return reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(m_module, name)));
    }

private:
    HMODULE m_module = nullptr;
};

// The signing certificate's name, as the file's Properties show it, from the state WinVerifyTrust
// kept; empty when the signature holds none that can be read.
std::wstring SignerName(HANDLE state, const SystemLibrary& wintrust)
{
    const auto providerData = wintrust.Function<decltype(&WTHelperProvDataFromStateData)>("WTHelperProvDataFromStateData");
    const auto signerFromChain =
        wintrust.Function<decltype(&WTHelperGetProvSignerFromChain)>("WTHelperGetProvSignerFromChain");
    if (!state || !providerData || !signerFromChain)
        return {};
    CRYPT_PROVIDER_DATA* data = providerData(state);
    CRYPT_PROVIDER_SGNR* signer = data ? signerFromChain(data, 0, FALSE, 0) : nullptr;
    if (!signer || signer->csCertChain == 0 || !signer->pasCertChain || !signer->pasCertChain[0].pCert)
        return {};
    const SystemLibrary crypt32(L"crypt32.dll");
    const auto nameOf = crypt32.Function<decltype(&CertGetNameStringW)>("CertGetNameStringW");
    if (!nameOf)
        return {};
    PCCERT_CONTEXT certificate = signer->pasCertChain[0].pCert;
    const DWORD size = nameOf(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, nullptr, 0);
    if (size <= 1)
        return {};
    std::vector<wchar_t> name(size);
    const DWORD written = nameOf(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name.data(), size);
    return written > 1 ? std::wstring(name.data(), written - 1) : std::wstring();
}

std::wstring Hex(DWORD value)
{
    return ResultCode(static_cast<HRESULT>(value));
}

ProgramSignature NotValid(const SignatureCheck& check, const std::wstring& reason)
{
    ProgramSignature signature;
    signature.verdict = SignatureVerdict::Invalid;
    signature.reason = reason;
    signature.code = Hex(static_cast<DWORD>(check.result));
    return signature;
}

}  // namespace

SignatureCheck CheckFileSignature(const std::wstring& path)
{
    SignatureCheck check;
    const SystemLibrary wintrust(L"wintrust.dll");
    if (!wintrust.Loaded()) {
        check.whyNotAsked = L"wintrust.dll cannot be loaded (error " + Decimal(::GetLastError()) + L")";
        return check;
    }
    const auto verify = wintrust.Function<decltype(&WinVerifyTrust)>("WinVerifyTrust");
    if (!verify) {
        check.whyNotAsked = L"wintrust.dll has no WinVerifyTrust";
        return check;
    }

    WINTRUST_FILE_INFO file = {};
    file.cbStruct = sizeof file;
    file.pcwszFilePath = path.c_str();
    WINTRUST_DATA data = {};
    data.cbStruct = sizeof data;
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    data.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    // INVALID_HANDLE_VALUE: no window of ours, and none may be shown.
    check.result = verify(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    check.lastError = ::GetLastError();
    check.asked = true;
    check.signer = SignerName(data.hWVTStateData, wintrust);

    // The state kept for the signer's name is let go; what closing answers tells nothing more.
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    const LONG closed = verify(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    (void)closed;
    return check;
}

SignatureCheck CheckProgramSignature()
{
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            SignatureCheck check;
            check.whyNotAsked = L"the program's own path cannot be read (error " + Decimal(::GetLastError()) + L")";
            return check;
        }
        if (length < path.size())
            return CheckFileSignature(std::wstring(path.data(), length));
        if (path.size() >= 32768) {
            SignatureCheck check;
            check.whyNotAsked = L"the program's own path is too long to read";
            return check;
        }
        path.resize(path.size() * 2);
    }
}

ProgramSignature JudgeSignature(const SignatureCheck& check)
{
    ProgramSignature signature;
    if (!check.asked) {
        signature.reason = check.whyNotAsked;
        return signature;
    }
    const DWORD result = static_cast<DWORD>(check.result);
    switch (result) {
    case ERROR_SUCCESS:
        signature.verdict = SignatureVerdict::Valid;
        signature.signer = check.signer;
        return signature;
    case static_cast<DWORD>(TRUST_E_NOSIGNATURE):
        // As Windows' own example tells them apart: the last error says whether there is no
        // signature at all, or one that cannot be read.
        switch (check.lastError) {
        case ERROR_SUCCESS:
        case static_cast<DWORD>(TRUST_E_NOSIGNATURE):
        case static_cast<DWORD>(TRUST_E_SUBJECT_FORM_UNKNOWN):
        case static_cast<DWORD>(TRUST_E_PROVIDER_UNKNOWN):
            signature.verdict = SignatureVerdict::None;
            signature.code = Hex(result);
            return signature;
        default:
            return NotValid(check, L"its signature cannot be read (error " + Hex(check.lastError) + L")");
        }
    case static_cast<DWORD>(TRUST_E_BAD_DIGEST):
        return NotValid(check, L"the file was changed after it was signed");
    case static_cast<DWORD>(CERT_E_UNTRUSTEDROOT):
    case static_cast<DWORD>(CERT_E_CHAINING):
        return NotValid(check, L"its certificate does not lead to a root certificate that this PC trusts");
    case static_cast<DWORD>(CERT_E_REVOKED):
        return NotValid(check, L"its certificate was revoked");
    case static_cast<DWORD>(CERT_E_EXPIRED):
        return NotValid(check, L"its certificate has expired, and the signature has no time stamp");
    case static_cast<DWORD>(TRUST_E_EXPLICIT_DISTRUST):
        return NotValid(check, L"its certificate is marked as not trusted on this PC");
    case static_cast<DWORD>(CERT_E_WRONG_USAGE):
        return NotValid(check, L"its certificate is not one for signing programs");
    case static_cast<DWORD>(TRUST_E_PROVIDER_UNKNOWN):
    case static_cast<DWORD>(TRUST_E_ACTION_UNKNOWN):
    case static_cast<DWORD>(TRUST_E_SUBJECT_FORM_UNKNOWN):
        signature.reason = L"this Windows cannot check a program's signature";
        signature.code = Hex(result);
        return signature;
    default:
        return NotValid(check, L"Windows does not accept it");
    }
}

std::wstring SignatureLine(const ProgramSignature& signature)
{
    switch (signature.verdict) {
    case SignatureVerdict::Valid:
        return signature.signer.empty() ? L"Signature: valid (the signer's name cannot be read)"
                                        : L"Signature: valid, signed by " + QuotedWhole(signature.signer);
    case SignatureVerdict::None:
        return L"Signature: none (this copy is not signed)";
    case SignatureVerdict::Invalid:
        return L"Signature: NOT VALID (" + signature.reason + L", " + signature.code +
               L"): do not trust this copy";
    case SignatureVerdict::Unknown:
        break;
    }
    return L"Signature: cannot tell (" + signature.reason + (signature.code.empty() ? L"" : L", " + signature.code) +
           L")";
}

void AddSignatureMembers(JsonObject& json, const ProgramSignature& signature)
{
    const wchar_t* verdict = L"unknown";
    switch (signature.verdict) {
    case SignatureVerdict::Valid:
        verdict = L"valid";
        break;
    case SignatureVerdict::None:
        verdict = L"none";
        break;
    case SignatureVerdict::Invalid:
        verdict = L"invalid";
        break;
    case SignatureVerdict::Unknown:
        break;
    }
    json.Text("signature", verdict)
        .Truth("signed", signature.verdict == SignatureVerdict::Valid)
        .TextOrNull("signer", signature.signer)
        .TextOrNull("reason", signature.reason)
        .TextOrNull("trustResult", signature.code);
}
